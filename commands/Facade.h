#pragma once
// The application's typed face of the command libraries. Each function builds
// the argument records, calls the command through the runtime's call frame
// and takes ownership of what comes back, so the application never touches a
// record or frees a block by hand.
//
// Conventions: texts are GBK; a null `const char*` argument is the empty
// text (passed on as a pointer to an empty text, as the runtime's callers
// do); std::nullopt is an omitted optional argument. Text results are
// rt::OwnedText (null = the empty text), byte sets rt::OwnedBlock.

#include "platform/kernel/Thread.h"
#include "runtime/ArgRecord.h"
#include "runtime/Memory.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string_view>

namespace quilbex::commands {

using Text = rt::OwnedText;
using ByteSet = rt::OwnedBlock;

// The texts of a split_text result; frees each element and the block.
class TextArray {
public:
    explicit TextArray(unsigned char* block) : m_block(block) {}
    ~TextArray();
    TextArray(TextArray&& other) noexcept : m_block(other.m_block) { other.m_block = nullptr; }
    TextArray& operator=(TextArray&& other) noexcept;
    TextArray(const TextArray&) = delete;
    TextArray& operator=(const TextArray&) = delete;

    std::size_t size() const;
    // Element i; null for an empty element.
    const char* operator[](std::size_t i) const;
    const unsigned char* block() const { return m_block; }

private:
    unsigned char* m_block;
};

// Text.
std::int32_t length_of_text(const char* text);
Text left_text(const char* text, std::int32_t count);
Text right_text(const char* text, std::int32_t count);
Text mid_text(const char* text, std::int32_t start, std::int32_t count);
Text char_from_code(std::uint8_t code);
std::int32_t char_code(const char* text, std::optional<std::int32_t> position = std::nullopt);
std::int32_t find_text(const char* text, const char* search, std::optional<std::int32_t> start = std::nullopt,
                       bool ignore_case = false);
std::int32_t find_text_reverse(const char* text, const char* search, std::optional<std::int32_t> end = std::nullopt,
                               bool ignore_case = false);
Text to_upper(const char* text);
Text to_lower(const char* text);
Text trim_spaces(const char* text);
Text replace_text(const char* text, const char* search, const char* replacement = nullptr,
                  std::optional<std::int32_t> start = std::nullopt, std::optional<std::int32_t> count = std::nullopt,
                  bool case_sensitive = false);
TextArray split_text(const char* text, const char* delimiter = ",", std::optional<std::int32_t> maximum = std::nullopt);
Text space_text(std::int32_t count);
bool starts_with(const char* text, const char* prefix);

// Numbers and time.
std::int32_t to_integer(const rt::ArgRecord& value);
std::int32_t to_integer(const char* text);
Text to_text(const rt::ArgRecord& value);
Text to_text(std::int32_t value);
Text to_hex_text(std::int32_t value);
std::int32_t bit_or(std::initializer_list<std::int32_t> values);
double current_time();
void delay(std::int32_t milliseconds);

// Byte sets, files and settings. Byte-set arguments may be null (empty).
std::int32_t byte_set_length(const unsigned char* bytes);
ByteSet to_byte_set(const rt::ArgRecord& value);
ByteSet left_bytes(const unsigned char* bytes, std::int32_t count);
ByteSet mid_bytes(const unsigned char* bytes, std::int32_t start, std::int32_t count);
ByteSet replace_bytes(const unsigned char* bytes, const unsigned char* search,
                      const unsigned char* replacement = nullptr, std::optional<std::int32_t> start = std::nullopt,
                      std::optional<std::int32_t> count = std::nullopt);
ByteSet zero_bytes(std::int32_t count);
bool file_exists(const char* name);
bool write_file(const char* name, std::initializer_list<const unsigned char*> byte_sets);
Text run_directory();
Text read_config(const char* file, const char* section, const char* key, const char* fallback = nullptr);
// A null key deletes the section, a null value the key.
bool write_config(const char* file, const char* section, const char* key, const char* value);

// Threads. With a handle variable the caller must close the handle it gets.
bool start_thread(kernel::LPTHREAD_START_ROUTINE routine, std::optional<std::int32_t> parameter = std::nullopt,
                  std::int32_t* handle_variable = nullptr);

}  // namespace quilbex::commands
