#include "forms/template/ByteStream.h"

#include <algorithm>
#include <limits>

namespace quilbex::forms {

ByteReader::ByteReader(std::span<const std::uint8_t> data, std::size_t base) : m_data(data), m_base(base) {}

void ByteReader::fail(std::string message) {
    if (m_failed)
        return;
    m_failed = true;
    m_error = FormatError{std::move(message), offset()};
}

bool ByteReader::need(std::size_t n, const char* what) {
    if (m_failed)
        return false;
    if (n > remaining()) {
        fail(std::string(what) + ": needs " + std::to_string(n) + " bytes, " + std::to_string(remaining()) + " left");
        return false;
    }
    return true;
}

std::uint32_t ByteReader::u32(const char* what) {
    if (!need(4, what))
        return 0;
    const std::uint8_t* p = m_data.data() + m_pos;
    m_pos += 4;
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

std::uint16_t ByteReader::u16(const char* what) {
    if (!need(2, what))
        return 0;
    const std::uint8_t* p = m_data.data() + m_pos;
    m_pos += 2;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::span<const std::uint8_t> ByteReader::take_bytes(std::size_t n, const char* what) {
    if (!need(n, what))
        return {};
    auto bytes = m_data.subspan(m_pos, n);
    m_pos += n;
    return bytes;
}

ByteReader ByteReader::take(std::size_t n, const char* what) {
    std::size_t start = offset();
    ByteReader nested(take_bytes(n, what), start);
    if (m_failed)
        nested.fail(m_error.message);
    return nested;
}

std::span<const std::uint8_t> ByteReader::rest() {
    if (m_failed)
        return {};
    auto bytes = m_data.subspan(m_pos);
    m_pos = m_data.size();
    return bytes;
}

Bytes ByteReader::byte_array(const char* what) {
    std::uint32_t n = u32(what);
    auto bytes = take_bytes(n, what);
    return Bytes(bytes.begin(), bytes.end());
}

std::string ByteReader::counted_text(const char* what) {
    std::uint32_t n = u32(what);
    auto bytes = take_bytes(n, what);
    return std::string(bytes.begin(), bytes.end());
}

std::string ByteReader::zero_text(const char* what) {
    if (m_failed)
        return {};
    auto rest_of_data = m_data.subspan(m_pos);
    auto end = std::find(rest_of_data.begin(), rest_of_data.end(), std::uint8_t{0});
    if (end == rest_of_data.end()) {
        fail(std::string(what) + ": text has no terminating zero");
        return {};
    }
    std::string text(rest_of_data.begin(), end);
    m_pos += text.size() + 1;
    return text;
}

void ByteWriter::fail(std::string message) {
    if (m_failed)
        return;
    m_failed = true;
    m_error = FormatError{std::move(message), 0};
}

void ByteWriter::u32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        m_out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void ByteWriter::u16(std::uint16_t value) {
    m_out.push_back(static_cast<std::uint8_t>(value));
    m_out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void ByteWriter::raw(std::span<const std::uint8_t> bytes) { m_out.insert(m_out.end(), bytes.begin(), bytes.end()); }

void ByteWriter::length(std::size_t n) {
    if (n > std::numeric_limits<std::uint32_t>::max())
        fail("a length does not fit in 32 bits");
    u32(static_cast<std::uint32_t>(n));
}

void ByteWriter::byte_array(std::span<const std::uint8_t> bytes) {
    length(bytes.size());
    raw(bytes);
}

void ByteWriter::counted_text(const std::string& text) {
    length(text.size());
    m_out.insert(m_out.end(), text.begin(), text.end());
}

void ByteWriter::zero_text(const std::string& text, const char* what) {
    if (text.find('\0') != std::string::npos)
        fail(std::string(what) + ": text contains a zero byte");
    m_out.insert(m_out.end(), text.begin(), text.end());
    m_out.push_back(0);
}

void ByteWriter::patch_u32(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        m_out.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace quilbex::forms
