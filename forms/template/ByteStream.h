#pragma once
// Little-endian readers and writers for the template stream and the property
// blocks inside it.
//
// ByteReader never reads past its span. The first failed read records an
// error (what was being read and where) and every later read returns zero or
// empty values, so a parser can read a whole record and check failed() once.

#include "forms/template/FormatError.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quilbex::forms {

using Bytes = std::vector<std::uint8_t>;

class ByteReader {
public:
    // `base` is the absolute offset of data[0], used only in error reports.
    explicit ByteReader(std::span<const std::uint8_t> data, std::size_t base = 0);

    std::uint32_t u32(const char* what);
    std::int32_t i32(const char* what) { return static_cast<std::int32_t>(u32(what)); }
    std::uint16_t u16(const char* what);
    // A 32-bit length, then that many bytes.
    Bytes byte_array(const char* what);
    // A 32-bit length, then that many bytes of text (no terminator).
    std::string counted_text(const char* what);
    // Bytes up to a zero byte, which is consumed and not returned.
    std::string zero_text(const char* what);
    // The next n bytes as a reader of their own (for nested areas).
    ByteReader take(std::size_t n, const char* what);
    std::span<const std::uint8_t> take_bytes(std::size_t n, const char* what);
    // Everything not yet read.
    std::span<const std::uint8_t> rest();

    // Records an error unless one is recorded already.
    void fail(std::string message);

    std::size_t remaining() const { return m_data.size() - m_pos; }
    bool at_end() const { return m_pos == m_data.size(); }
    std::size_t offset() const { return m_base + m_pos; }
    bool failed() const { return m_failed; }
    const FormatError& error() const { return m_error; }

private:
    bool need(std::size_t n, const char* what);

    std::span<const std::uint8_t> m_data;
    std::size_t m_base;
    std::size_t m_pos = 0;
    bool m_failed = false;
    FormatError m_error;
};

class ByteWriter {
public:
    void u32(std::uint32_t value);
    void i32(std::int32_t value) { u32(static_cast<std::uint32_t>(value)); }
    void u16(std::uint16_t value);
    void raw(std::span<const std::uint8_t> bytes);
    void byte_array(std::span<const std::uint8_t> bytes);
    void counted_text(const std::string& text);
    // A text that contains a zero byte cannot be stored this way; the writer
    // then records an error instead of cutting the text short.
    void zero_text(const std::string& text, const char* what);

    // Records an error unless one is recorded already.
    void fail(std::string message);

    std::size_t size() const { return m_out.size(); }
    // Overwrites a 32-bit value written earlier at `at`.
    void patch_u32(std::size_t at, std::uint32_t value);

    bool failed() const { return m_failed; }
    const FormatError& error() const { return m_error; }
    Bytes take() { return std::move(m_out); }

private:
    void length(std::size_t n);

    Bytes m_out;
    bool m_failed = false;
    FormatError m_error;
};

// Converts a finished writer into a result.
inline Parsed<Bytes> finish(ByteWriter& writer) {
    if (writer.failed())
        return writer.error();
    return writer.take();
}

}  // namespace quilbex::forms
