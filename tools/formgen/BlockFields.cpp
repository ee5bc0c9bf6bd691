#include "tools/formgen/BlockFields.h"

#include "forms/blocks/BrowserBlock.h"
#include "forms/blocks/ButtonBlock.h"
#include "forms/blocks/EditBoxBlock.h"
#include "forms/blocks/LabelBlock.h"
#include "forms/blocks/TimerBlock.h"
#include "forms/blocks/WindowBlock.h"
#include "forms/template/Identifiers.h"

#include <array>
#include <functional>
#include <limits>
#include <map>

namespace quilbex::tools {
namespace {

using forms::Bytes;

// Sets one field; returns an error message or an empty string.
template <typename Block> using Setter = std::function<std::string(Block&, const FieldValue&)>;

template <typename Block> using Schema = std::map<std::string, Setter<Block>>;

template <typename T> std::string store_integer(T& target, const FieldValue& value) {
    if (value.kind != FieldValue::Kind::Integer)
        return "expects a number";
    // Colours and other unsigned fields may also be written as negative
    // 32-bit values, and signed ones as hexadecimal up to 0xFFFFFFFF.
    std::int64_t lowest = sizeof(T) == 4 ? std::numeric_limits<std::int32_t>::min()
                                         : static_cast<std::int64_t>(std::numeric_limits<T>::min());
    std::int64_t highest = sizeof(T) == 4 ? std::numeric_limits<std::uint32_t>::max()
                                          : static_cast<std::int64_t>(std::numeric_limits<T>::max());
    if (value.integer < lowest || value.integer > highest)
        return "number out of range";
    target = static_cast<T>(value.integer);
    return {};
}

template <typename Block, typename T> Setter<Block> integer(T Block::*member) {
    return [member](Block& b, const FieldValue& v) { return store_integer(b.*member, v); };
}

template <typename Block, std::size_t N>
Setter<Block> element(std::array<std::uint32_t, N> Block::*member, std::size_t index) {
    return [member, index](Block& b, const FieldValue& v) { return store_integer((b.*member)[index], v); };
}

template <typename Block> Setter<Block> text(std::string Block::*member) {
    return [member](Block& b, const FieldValue& v) -> std::string {
        if (v.kind != FieldValue::Kind::Text)
            return "expects a quoted text";
        b.*member = v.text;
        return {};
    };
}

template <typename Block, std::size_t N>
Setter<Block> text_element(std::array<std::string, N> Block::*member, std::size_t index) {
    return [member, index](Block& b, const FieldValue& v) -> std::string {
        if (v.kind != FieldValue::Kind::Text)
            return "expects a quoted text";
        (b.*member)[index] = v.text;
        return {};
    };
}

template <typename Block> Setter<Block> bytes(Bytes Block::*member) {
    return [member](Block& b, const FieldValue& v) -> std::string {
        if (v.kind != FieldValue::Kind::Bytes)
            return "expects bytes (file, hex or pixels)";
        b.*member = v.bytes;
        return {};
    };
}

template <typename Block, std::size_t N>
void add_triple(Schema<Block>& schema, const std::string& name, std::array<std::uint32_t, N> Block::*member) {
    for (std::size_t i = 0; i < N; ++i)
        schema[name + "_" + std::to_string(i + 1)] = element(member, i);
}

Schema<forms::WindowBlock> window_schema() {
    using B = forms::WindowBlock;
    return {
        {"version", integer(&B::version)},
        {"border", integer(&B::border)},
        {"further_3", integer(&B::further_3)},
        {"background_colour", integer(&B::background_colour)},
        {"maximize_box", integer(&B::maximize_box)},
        {"minimize_box", integer(&B::minimize_box)},
        {"control_box", integer(&B::control_box)},
        {"start_position", integer(&B::start_position)},
        {"close_button", integer(&B::close_button)},
        {"further_10", integer(&B::further_10)},
        {"enter_moves_focus", integer(&B::enter_moves_focus)},
        {"esc_closes", integer(&B::esc_closes)},
        {"f1_opens_help", integer(&B::f1_opens_help)},
        {"help_context", integer(&B::help_context)},
        {"show_in_taskbar", integer(&B::show_in_taskbar)},
        {"further_16", integer(&B::further_16)},
        {"further_17", integer(&B::further_17)},
        {"always_on_top", integer(&B::always_on_top)},
        {"further_19", integer(&B::further_19)},
        {"class_name", text(&B::class_name)},
        {"background_picture", bytes(&B::background_picture)},
        {"icon", bytes(&B::icon)},
        {"further_bytes", bytes(&B::further_bytes)},
        {"title", text(&B::title)},
        {"help_file", text(&B::help_file)},
    };
}

Schema<forms::LabelBlock> label_schema() {
    using B = forms::LabelBlock;
    Schema<B> schema = {
        {"version", integer(&B::version)},
        {"effect", integer(&B::effect)},
        {"frame_width", integer(&B::frame_width)},
        {"border", integer(&B::border)},
        {"text_colour", integer(&B::text_colour)},
        {"background_colour", integer(&B::background_colour)},
        {"picture_mode", integer(&B::picture_mode)},
        {"gradient_mode", integer(&B::gradient_mode)},
        {"horizontal_alignment", integer(&B::horizontal_alignment)},
        {"vertical_alignment", integer(&B::vertical_alignment)},
        {"word_wrap", integer(&B::word_wrap)},
        {"font", bytes(&B::font)},
        {"background_picture", bytes(&B::background_picture)},
        {"caption", text(&B::caption)},
        {"further_text_1", text_element(&B::further_texts, 0)},
        {"further_text_2", text_element(&B::further_texts, 1)},
    };
    add_triple(schema, "frame_colour", &B::frame_colours);
    add_triple(schema, "gradient_colour", &B::gradient_colours);
    return schema;
}

Schema<forms::ButtonBlock> button_schema() {
    using B = forms::ButtonBlock;
    return {
        {"version", integer(&B::version)},
        {"type", integer(&B::type)},
        {"horizontal_alignment", integer(&B::horizontal_alignment)},
        {"vertical_alignment", integer(&B::vertical_alignment)},
        {"picture", bytes(&B::picture)},
        {"font", bytes(&B::font)},
        {"caption", text(&B::caption)},
    };
}

Schema<forms::EditBoxBlock> edit_box_schema() {
    using B = forms::EditBoxBlock;
    return {
        {"version", integer(&B::version)},
        {"border", integer(&B::border)},
        {"text_colour", integer(&B::text_colour)},
        {"background_colour", integer(&B::background_colour)},
        {"hide_selection", integer(&B::hide_selection)},
        {"max_length", integer(&B::max_length)},
        {"multi_line", integer(&B::multi_line)},
        {"scroll_bars", integer(&B::scroll_bars)},
        {"alignment", integer(&B::alignment)},
        {"input_mode", integer(&B::input_mode)},
        {"password_char", integer(&B::password_char)},
        {"case_conversion", integer(&B::case_conversion)},
        {"adjuster", integer(&B::adjuster)},
        {"adjuster_lower", integer(&B::adjuster_lower)},
        {"adjuster_upper", integer(&B::adjuster_upper)},
        {"selection_start", integer(&B::selection_start)},
        {"selection_length", integer(&B::selection_length)},
        {"font", bytes(&B::font)},
        {"content", text(&B::content)},
        {"further_text_1", text_element(&B::further_texts, 0)},
        {"further_text_2", text_element(&B::further_texts, 1)},
    };
}

Schema<forms::TimerBlock> timer_schema() {
    using B = forms::TimerBlock;
    return {{"version", integer(&B::version)}, {"interval", integer(&B::interval)}};
}

Schema<forms::BrowserBlock> browser_schema() {
    using B = forms::BrowserBlock;
    return {
        {"disable_f5_reload", integer(&B::disable_f5_reload)},
        {"cookie_mode", integer(&B::cookie_mode)},
        {"address", text(&B::address)},
        {"cache_directory", text(&B::cache_directory)},
        {"cookie_directory", text(&B::cookie_directory)},
        {"user_agent", text(&B::user_agent)},
        {"new_window_navigation", integer(&B::new_window_navigation)},
    };
}

template <typename Block, typename Writer>
bool build(const Schema<Block>& schema, Writer writer, const std::vector<BlockField>& fields, Bytes& out,
           BlockBuildError& error) {
    Block block;
    for (const auto& field : fields) {
        auto it = schema.find(field.name);
        if (it == schema.end()) {
            error = {field.line, "unknown field '" + field.name + "' for this unit type"};
            return false;
        }
        std::string problem = it->second(block, field.value);
        if (!problem.empty()) {
            error = {field.line, field.name + ": " + problem};
            return false;
        }
    }
    auto written = writer(block);
    if (!written) {
        error = {fields.empty() ? 0 : fields.back().line, written.error().message};
        return false;
    }
    out = std::move(written).value();
    return true;
}

}  // namespace

bool build_block(std::uint32_t unit_type, const std::vector<BlockField>& fields, Bytes& block, BlockBuildError& error) {
    switch (unit_type) {
    case forms::kWindowType: return build(window_schema(), forms::write_window_block, fields, block, error);
    case forms::kLabelType: return build(label_schema(), forms::write_label_block, fields, block, error);
    case forms::kButtonType: return build(button_schema(), forms::write_button_block, fields, block, error);
    case forms::kEditBoxType: return build(edit_box_schema(), forms::write_edit_box_block, fields, block, error);
    case forms::kTimerType: return build(timer_schema(), forms::write_timer_block, fields, block, error);
    case forms::kBrowserType: return build(browser_schema(), forms::write_browser_block, fields, block, error);
    default:
        error = {fields.empty() ? 0 : fields.front().line, "this unit type has no known property block"};
        return false;
    }
}

}  // namespace quilbex::tools
