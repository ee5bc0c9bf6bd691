#pragma once
// The label unit ("标签"): a window of the runtime's own class "_QV_Label"
// that paints its caption with alignment, effects, colours, borders, a
// gradient frame and a gradient or picture background.

#include "forms/blocks/LabelBlock.h"
#include "forms/units/UnitBase.h"

namespace quilbex::forms {

class LabelUnit final : public UnitBase {
public:
    static constexpr const char* kClassName = "_QV_Label";

    // Unit property numbers (property index - 8).
    enum Property : int {
        kCaption = 0,
        kEffect,
        kBorder,
        kFrameWidth,
        kFrameColour1,
        kFrameColour2,
        kFrameColour3,
        kFont,
        kTextColour,
        kBackgroundColour,
        kPicture,
        kPictureMode,
        kGradientMode,
        kGradientColour1,
        kGradientColour2,
        kGradientColour3,
        kHorizontalAlignment,
        kWordWrap,
        kVerticalAlignment,
        kFurtherText1,
        kFurtherText2,
        kPropertyCount
    };

    static UnitObject* create(const UnitCreateArgs& args);

    void set_property(int number, const PropertyValue& value);
    PropertyValue property(int number) const;
    const LabelBlock& block() const { return m_block; }

    // Paints the label on `dc`, whose clip box is the area to paint.
    void paint(ui::HDC dc, const ui::RECT& client);

private:
    LabelUnit(const UnitCreateArgs& args, LabelBlock block);
    ui::LRESULT handle_message(ui::UINT message, ui::WPARAM wparam, ui::LPARAM lparam) override;
    void paint_background(ui::HDC dc, const ui::RECT& rect);
    void paint_caption(ui::HDC dc, const ui::RECT& rect);
    ui::HICON picture();

    LabelBlock m_block;
    FontPtr m_font;
    IconPtr m_picture;  // decoded background picture, kept until the picture changes
    bool m_picture_tried = false;
};

}  // namespace quilbex::forms
