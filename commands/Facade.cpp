#include "commands/Facade.h"

#include "commands/files/FileCommands.h"
#include "commands/numbers/NumberCommands.h"
#include "commands/text/TextCommands.h"
#include "commands/threads/ThreadCommands.h"
#include "runtime/Blocks.h"
#include "runtime/CallFrame.h"

#include <cstring>
#include <utility>
#include <vector>

namespace quilbex::commands {
namespace {

// What the runtime's callers pass for an empty text and an empty byte set.
const char kEmptyText[1] = {0};
alignas(4) const unsigned char kEmptyByteSet[8] = {1, 0, 0, 0, 0, 0, 0, 0};

rt::ArgRecord text_arg(const char* text) { return rt::ArgRecord::of_pointer(text ? text : kEmptyText, rt::kTypeText); }

rt::ArgRecord bytes_arg(const unsigned char* bytes) {
    return rt::ArgRecord::of_pointer(bytes ? bytes : kEmptyByteSet, rt::kTypeByteSet);
}

rt::ArgRecord int_arg(std::int32_t value) { return rt::ArgRecord::of_int(value); }

rt::ArgRecord optional_arg(std::optional<std::int32_t> value) { return value ? int_arg(*value) : rt::ArgRecord{}; }

rt::ArgRecord call(rt::CommandRoutine routine, std::initializer_list<rt::ArgRecord> args) {
    std::vector<rt::ArgRecord> records(args);
    return rt::call_core_command(routine, static_cast<int>(records.size()), records.data());
}

Text text_result(const rt::ArgRecord& result) { return Text(static_cast<char*>(result.pointer())); }

ByteSet bytes_result(const rt::ArgRecord& result) { return ByteSet(static_cast<unsigned char*>(result.pointer())); }

}  // namespace

TextArray::~TextArray() {
    for (std::size_t i = 0; i < size(); ++i)
        rt::release(const_cast<char*>((*this)[i]));
    rt::release(m_block);
}

TextArray& TextArray::operator=(TextArray&& other) noexcept {
    if (this != &other) {
        TextArray old(m_block);
        m_block = std::exchange(other.m_block, nullptr);
    }
    return *this;
}

std::size_t TextArray::size() const { return m_block ? rt::read_u32(m_block + 4) : 0; }

const char* TextArray::operator[](std::size_t i) const {
    const char* element;
    std::memcpy(&element, m_block + 8 + i * sizeof(char*), sizeof element);
    return element;
}

std::int32_t length_of_text(const char* text) { return call(lib::length_of_text, {text_arg(text)}).as_int(); }

Text left_text(const char* text, std::int32_t count) {
    return text_result(call(lib::left_text, {text_arg(text), int_arg(count)}));
}

Text right_text(const char* text, std::int32_t count) {
    return text_result(call(lib::right_text, {text_arg(text), int_arg(count)}));
}

Text mid_text(const char* text, std::int32_t start, std::int32_t count) {
    return text_result(call(lib::mid_text, {text_arg(text), int_arg(start), int_arg(count)}));
}

Text char_from_code(std::uint8_t code) { return text_result(call(lib::char_from_code, {int_arg(code)})); }

std::int32_t char_code(const char* text, std::optional<std::int32_t> position) {
    return call(lib::char_code, {text_arg(text), optional_arg(position)}).as_int();
}

std::int32_t find_text(const char* text, const char* search, std::optional<std::int32_t> start, bool ignore_case) {
    return call(lib::find_text,
                {text_arg(text), text_arg(search), optional_arg(start), rt::ArgRecord::of_bool(ignore_case)})
        .as_int();
}

std::int32_t find_text_reverse(const char* text, const char* search, std::optional<std::int32_t> end,
                               bool ignore_case) {
    return call(lib::find_text_reverse,
                {text_arg(text), text_arg(search), optional_arg(end), rt::ArgRecord::of_bool(ignore_case)})
        .as_int();
}

Text to_upper(const char* text) { return text_result(call(lib::to_upper, {text_arg(text)})); }

Text to_lower(const char* text) { return text_result(call(lib::to_lower, {text_arg(text)})); }

Text trim_spaces(const char* text) { return text_result(call(lib::trim_spaces, {text_arg(text)})); }

Text replace_text(const char* text, const char* search, const char* replacement, std::optional<std::int32_t> start,
                  std::optional<std::int32_t> count, bool case_sensitive) {
    return text_result(
        call(lib::replace_text, {text_arg(text), text_arg(search), text_arg(replacement), optional_arg(start),
                                 optional_arg(count), rt::ArgRecord::of_bool(case_sensitive)}));
}

TextArray split_text(const char* text, const char* delimiter, std::optional<std::int32_t> maximum) {
    rt::ArgRecord result = call(lib::split_text, {text_arg(text), text_arg(delimiter), optional_arg(maximum)});
    return TextArray(static_cast<unsigned char*>(result.pointer()));
}

Text space_text(std::int32_t count) { return text_result(call(lib::space_text, {int_arg(count)})); }

bool starts_with(const char* text, const char* prefix) {
    return call(lib::starts_with, {text_arg(text), text_arg(prefix)}).low != 0;
}

std::int32_t to_integer(const rt::ArgRecord& value) { return call(lib::to_integer, {value}).as_int(); }

std::int32_t to_integer(const char* text) { return call(lib::to_integer, {text_arg(text)}).as_int(); }

Text to_text(const rt::ArgRecord& value) { return text_result(call(lib::to_text, {value})); }

Text to_text(std::int32_t value) { return text_result(call(lib::to_text, {int_arg(value)})); }

Text to_hex_text(std::int32_t value) { return text_result(call(lib::to_hex_text, {int_arg(value)})); }

std::int32_t bit_or(std::initializer_list<std::int32_t> values) {
    std::vector<rt::ArgRecord> records;
    for (std::int32_t value : values)
        records.push_back(int_arg(value));
    return rt::call_core_command(lib::bit_or, static_cast<int>(records.size()), records.data()).as_int();
}

double current_time() { return call(lib::current_time, {}).as_double(); }

void delay(std::int32_t milliseconds) { call(lib::delay, {int_arg(milliseconds)}); }

std::int32_t byte_set_length(const unsigned char* bytes) {
    return call(lib::byte_set_length, {bytes_arg(bytes)}).as_int();
}

ByteSet to_byte_set(const rt::ArgRecord& value) { return bytes_result(call(lib::to_byte_set, {value})); }

ByteSet left_bytes(const unsigned char* bytes, std::int32_t count) {
    return bytes_result(call(lib::left_bytes, {bytes_arg(bytes), int_arg(count)}));
}

ByteSet mid_bytes(const unsigned char* bytes, std::int32_t start, std::int32_t count) {
    return bytes_result(call(lib::mid_bytes, {bytes_arg(bytes), int_arg(start), int_arg(count)}));
}

ByteSet replace_bytes(const unsigned char* bytes, const unsigned char* search, const unsigned char* replacement,
                      std::optional<std::int32_t> start, std::optional<std::int32_t> count) {
    return bytes_result(call(lib::replace_bytes, {bytes_arg(bytes), bytes_arg(search), bytes_arg(replacement),
                                                  optional_arg(start), optional_arg(count)}));
}

ByteSet zero_bytes(std::int32_t count) { return bytes_result(call(lib::zero_bytes, {int_arg(count)})); }

bool file_exists(const char* name) { return call(lib::file_exists, {text_arg(name)}).low != 0; }

bool write_file(const char* name, std::initializer_list<const unsigned char*> byte_sets) {
    std::vector<rt::ArgRecord> records{text_arg(name)};
    for (const unsigned char* bytes : byte_sets)
        records.push_back(bytes_arg(bytes));
    return rt::call_core_command(lib::write_file, static_cast<int>(records.size()), records.data()).low != 0;
}

Text run_directory() { return text_result(call(lib::run_directory, {})); }

Text read_config(const char* file, const char* section, const char* key, const char* fallback) {
    return text_result(call(lib::read_config, {text_arg(file), text_arg(section), text_arg(key), text_arg(fallback)}));
}

bool write_config(const char* file, const char* section, const char* key, const char* value) {
    return call(lib::write_config, {text_arg(file), text_arg(section), key ? text_arg(key) : rt::ArgRecord{},
                                    value ? text_arg(value) : rt::ArgRecord{}})
               .low != 0;
}

bool start_thread(kernel::LPTHREAD_START_ROUTINE routine, std::optional<std::int32_t> parameter,
                  std::int32_t* handle_variable) {
    std::vector<rt::ArgRecord> records{
        rt::ArgRecord::of_pointer(reinterpret_cast<const void*>(routine), rt::kTypeSubroutine),
        optional_arg(parameter)};
    if (handle_variable)
        records.push_back(rt::ArgRecord::of_pointer(handle_variable, rt::kTypeInt | rt::kByReference));
    // The thread library is library 2: index 1 of the call frame.
    return rt::call_library_command(lib::start_thread, 1, static_cast<int>(records.size()), records.data()).low != 0;
}

}  // namespace quilbex::commands
