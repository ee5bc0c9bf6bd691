#pragma once
// The button unit ("按钮"): a standard push button whose click raises the
// unit's event 0.

#include "forms/blocks/ButtonBlock.h"
#include "forms/units/UnitBase.h"

namespace quilbex::forms {

class ButtonUnit final : public UnitBase {
public:
    // Unit property numbers (property index - 8).
    enum Property : int { kPicture = 0, kType, kCaption, kHorizontalAlignment, kVerticalAlignment, kFont };

    static UnitObject* create(const UnitCreateArgs& args);

    void set_property(int number, const PropertyValue& value);
    PropertyValue property(int number) const;
    const ButtonBlock& block() const { return m_block; }

    // The style bits of the block's type and alignments.
    static ui::DWORD style_bits(const ButtonBlock& block);

    // Performs the click (event 0), as the mouse or a mnemonic does.
    void click();

    bool on_reflected_command(ui::WORD code) override;

private:
    ButtonUnit(const UnitCreateArgs& args, ButtonBlock block);
    ui::LRESULT handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) override;
    // Decodes the picture and sets it on the button; returns BS_ICON, or 0
    // when there is no picture or it does not decode.
    ui::DWORD load_picture();
    void restyle();

    ButtonBlock m_block;
    FontPtr m_font;
    IconPtr m_image;
};

}  // namespace quilbex::forms
