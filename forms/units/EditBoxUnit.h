#pragma once
// The edit box unit ("编辑框"): a standard "EDIT" control. Its content is
// unit property 0; every change of content raises event 0 exactly once,
// whether the program wrote the content or the user typed.

#include "forms/blocks/EditBoxBlock.h"
#include "forms/units/UnitBase.h"

namespace quilbex::forms {

class EditBoxUnit final : public UnitBase {
public:
    // Unit property numbers (property index - 8): the content, then the
    // block's fields in stored order, then the selected text.
    enum Property : int {
        kContent = 0,
        kBorder,
        kTextColour,
        kBackgroundColour,
        kHideSelection,
        kMaxLength,
        kMultiLine,
        kScrollBars,
        kAlignment,
        kInputMode,
        kPasswordChar,
        kCaseConversion,
        kAdjuster,
        kAdjusterLower,
        kAdjusterUpper,
        kSelectionStart,
        kSelectionLength,
        kFont,
        kFurtherText1,
        kFurtherText2,
        kSelectedText
    };

    static UnitObject* create(const UnitCreateArgs& args);

    // The window style that the block asks for (without the extra style bits).
    static ui::DWORD style_for(const EditBoxBlock& block);

    void set_property(int number, const PropertyValue& value);
    PropertyValue property(int number) const;
    // The block with the live content and selection.
    EditBoxBlock current_block() const;
    // Whether the box keeps a key from the window's keyboard navigation.
    bool wants_key(int key) const;

    bool on_reflected_command(ui::WORD code) override;
    ui::HBRUSH on_control_color(ui::HDC dc) override;

private:
    EditBoxUnit(const UnitCreateArgs& args, EditBoxBlock block);
    void set_content(const std::string& text);
    void set_style_bit(ui::DWORD bits, bool on);
    void update_colours();
    void clamp_to_adjuster();
    ui::HBRUSH background_brush();

    EditBoxBlock m_block;
    FontPtr m_font;
    BrushPtr m_background;
    ui::HWND m_adjuster = nullptr;
    // Set while the program writes the content, so that the control's own
    // change notification does not raise a second event.
    bool m_setting_content = false;
};

}  // namespace quilbex::forms
