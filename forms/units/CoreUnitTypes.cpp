#include "forms/units/CoreUnitTypes.h"

#include "forms/UnitInterface.h"
#include "forms/template/Identifiers.h"
#include "forms/units/UnitTypes.h"
#include "platform/kernel/CodePage.h"

#include <array>
#include <deque>
#include <string>
#include <vector>

namespace quilbex::forms {
namespace {

// A property as written below: its Chinese name (UTF-8 here, GBK in the
// record), its English name and its data kind.
struct PropertySource {
    const char* name;
    const char* english;
    std::uint16_t kind;
};

// Indices 0 to 7 mean the same for every window unit.
constexpr PropertySource kCommonProperties[] = {
    {"左边", "left", kKindInteger},     {"顶边", "top", kKindInteger},
    {"宽度", "width", kKindInteger},    {"高度", "height", kKindInteger},
    {"标记", "tag", kKindText},         {"可视", "visible", kKindLogical},
    {"禁止", "disabled", kKindLogical}, {"鼠标指针", "MousePointer", kKindMousePointer},
};

// Unit properties of the window: the fields of its property block in stored order.
constexpr PropertySource kWindowProperties[] = {
    {"边框", "border", kKindChoice},
    {"备用设置一", "setting1", kKindInteger},
    {"背景颜色", "BackColor", kKindColour},
    {"最大化按钮", "MaxButton", kKindLogical},
    {"最小化按钮", "MinButton", kKindLogical},
    {"控制按钮", "ControlBox", kKindLogical},
    {"位置", "StartPosition", kKindChoice},
    {"可否关闭", "CloseButton", kKindLogical},
    {"备用设置二", "setting2", kKindInteger},
    {"回车下移焦点", "EnterMovesFocus", kKindLogical},
    {"Esc键关闭", "EscCloses", kKindLogical},
    {"F1键打开帮助", "F1OpensHelp", kKindLogical},
    {"帮助标志值", "HelpContext", kKindInteger},
    {"在任务条中显示", "ShowInTaskbar", kKindLogical},
    {"备用设置三", "setting3", kKindInteger},
    {"备用设置四", "setting4", kKindInteger},
    {"总在最前", "AlwaysOnTop", kKindLogical},
    {"备用设置五", "setting5", kKindInteger},
    {"窗口类名", "ClassName", kKindText},
    {"底图", "Picture", kKindPicture},
    {"图标", "Icon", kKindPicture2},
    {"备用数据", "data", kKindBytes},
    {"标题", "caption", kKindText},
    {"帮助文件名", "HelpFile", kKindText},
};

// A menu item's properties are served by the runtime from its record.
constexpr PropertySource kMenuProperties[] = {
    {"标题", "caption", kKindText},
    {"选中", "checked", kKindLogical},
    {"禁止", "disabled", kKindLogical},
    {"可视", "visible", kKindLogical},
};

constexpr PropertySource kEditBoxProperties[] = {
    {"内容", "content", kKindText},
    {"边框", "border", kKindChoice},
    {"文本颜色", "ForeColor", kKindColour},
    {"背景颜色", "BackColor", kKindColour},
    {"隐藏选择", "HideSelection", kKindLogical},
    {"最大允许长度", "MaxLength", kKindInteger},
    {"是否允许多行", "MultiLine", kKindLogical},
    {"滚动条", "ScrollBars", kKindChoice},
    {"对齐方式", "alignment", kKindChoice},
    {"输入方式", "InputMode", kKindChoice},
    {"密码遮盖字符", "PasswordChar", kKindInteger},
    {"转换方式", "CaseConversion", kKindChoice},
    {"调节器方式", "adjuster", kKindChoice},
    {"调节器底限值", "AdjusterLower", kKindInteger},
    {"调节器上限值", "AdjusterUpper", kKindInteger},
    {"起始选择位置", "SelStart", kKindInteger},
    {"被选择字符数", "SelLength", kKindInteger},
    {"字体", "font", kKindFont},
    {"备用文本一", "text1", kKindText},
    {"备用文本二", "text2", kKindText},
    {"被选择文本", "SelText", kKindText},
};

constexpr PropertySource kLabelProperties[] = {
    {"标题", "caption", kKindText},
    {"效果", "effect", kKindChoice},
    {"边框", "border", kKindChoice},
    {"渐变边框宽度", "FrameWidth", kKindInteger},
    {"渐变边框颜色1", "FrameColor1", kKindColour},
    {"渐变边框颜色2", "FrameColor2", kKindColour},
    {"渐变边框颜色3", "FrameColor3", kKindColour},
    {"字体", "font", kKindFont},
    {"文本颜色", "ForeColor", kKindColour},
    {"背景颜色", "BackColor", kKindColour},
    {"底图", "picture", kKindPicture},
    {"底图方式", "PictureMode", kKindChoice},
    {"渐变背景方式", "GradientMode", kKindChoice},
    {"渐变背景颜色1", "GradientColor1", kKindColour},
    {"渐变背景颜色2", "GradientColor2", kKindColour},
    {"渐变背景颜色3", "GradientColor3", kKindColour},
    {"横向对齐方式", "alignment", kKindChoice},
    {"是否自动折行", "WordWrap", kKindLogical},
    {"纵向对齐方式", "VerticalAlignment", kKindChoice},
    {"备用文本一", "text1", kKindText},
    {"备用文本二", "text2", kKindText},
};

constexpr PropertySource kButtonProperties[] = {
    {"图片", "picture", kKindPicture},
    {"类型", "type", kKindChoice},
    {"标题", "caption", kKindText},
    {"横向对齐方式", "alignment", kKindChoice},
    {"纵向对齐方式", "VerticalAlignment", kKindChoice},
    {"字体", "font", kKindFont},
};

constexpr PropertySource kTimerProperties[] = {
    {"时钟周期", "interval", kKindInteger},
};

struct TypeSource {
    std::uint32_t type_id;
    const char* name;
    const char* english;
    std::uint32_t state_flags;
    const PropertySource* properties;
    std::size_t property_count;
    rt::UnitInterface interface_routine;
    bool common_properties;
};

template <std::size_t N> constexpr std::size_t count(const PropertySource (&)[N]) { return N; }

const TypeSource kTypes[] = {
    {kWindowType, "窗口", "window", 0x800000D0, kWindowProperties, count(kWindowProperties), &window_unit_interface,
     true},
    {kMenuItemType, "菜单", "Menu", 0x80000040, kMenuProperties, count(kMenuProperties), nullptr, false},
    {kEditBoxType, "编辑框", "EditBox", 0x80000040, kEditBoxProperties, count(kEditBoxProperties),
     &edit_box_unit_interface, true},
    {kLabelType, "标签", "Label", 0x84012040, kLabelProperties, count(kLabelProperties), &label_unit_interface, true},
    {kButtonType, "按钮", "Button", 0x80000840, kButtonProperties, count(kButtonProperties), &button_unit_interface,
     true},
    {kTimerType, "时钟", "Timer", 0x80008040, kTimerProperties, count(kTimerProperties), &timer_unit_interface, true},
};

// The records and everything they point at. Built once; never freed.
class CoreTypeTable {
public:
    CoreTypeTable() {
        for (const TypeSource& source : kTypes)
            add(source);
    }

    const rt::DataTypeRecord* records() const { return m_records.data(); }

private:
    const char* gbk(const char* utf8) {
        m_texts.push_back(kernel::utf8_to_gbk(utf8));
        return m_texts.back().c_str();
    }

    void add_properties(std::vector<rt::PropertyDescription>& out, const PropertySource* list, std::size_t n) {
        for (std::size_t i = 0; i < n; ++i)
            out.push_back({gbk(list[i].name), gbk(list[i].english), nullptr, list[i].kind, 0, nullptr});
    }

    void add(const TypeSource& source) {
        auto& properties = m_properties.emplace_back();
        if (source.common_properties)
            add_properties(properties, kCommonProperties, count(kCommonProperties));
        add_properties(properties, source.properties, source.property_count);

        rt::DataTypeRecord& record = m_records[type_number(source.type_id) - 1];
        record.name = gbk(source.name);
        record.englishName = gbk(source.english);
        record.stateFlags = source.state_flags;
        record.propertyCount = static_cast<std::uint32_t>(properties.size());
        record.properties = properties.data();
        record.interfaceRoutine = source.interface_routine;
    }

    std::array<rt::DataTypeRecord, kCoreUnitTypeCount> m_records{};
    std::deque<std::string> m_texts;  // a deque keeps the texts where they are
    std::deque<std::vector<rt::PropertyDescription>> m_properties;
};

const CoreTypeTable& table() {
    static const CoreTypeTable instance;
    return instance;
}

}  // namespace

const rt::DataTypeRecord* core_unit_types() { return table().records(); }

std::span<const rt::PropertyDescription, kCommonPropertyCount> common_property_descriptions() {
    // The edit box's table begins with them.
    return std::span<const rt::PropertyDescription, kCommonPropertyCount>(core_unit_type(kEditBoxType)->properties,
                                                                          kCommonPropertyCount);
}

std::uint32_t core_unit_type_count() { return kCoreUnitTypeCount; }

const rt::DataTypeRecord* core_unit_type(std::uint32_t type_id) {
    std::uint32_t number = type_number(type_id);
    if (type_library(type_id) != 1 || number == 0 || number > kCoreUnitTypeCount)
        return nullptr;
    return &core_unit_types()[number - 1];
}

}  // namespace quilbex::forms
