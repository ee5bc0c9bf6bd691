#pragma once
// The result of reading or writing serialized form data: a value, or the
// reason and byte offset at which the data stopped making sense.

#include <cstddef>
#include <string>
#include <utility>
#include <variant>

namespace quilbex::forms {

struct FormatError {
    std::string message;
    std::size_t offset = 0;  // absolute offset in the data being read (0 for writing)
};

template <typename T> class Parsed {
public:
    Parsed(T value) : m_value(std::move(value)) {}
    Parsed(FormatError error) : m_value(std::move(error)) {}

    bool ok() const { return std::holds_alternative<T>(m_value); }
    explicit operator bool() const { return ok(); }

    // Only valid when ok().
    T& value() & { return std::get<T>(m_value); }
    const T& value() const& { return std::get<T>(m_value); }
    T&& value() && { return std::get<T>(std::move(m_value)); }

    // Only valid when !ok().
    const FormatError& error() const { return std::get<FormatError>(m_value); }

private:
    std::variant<T, FormatError> m_value;
};

}  // namespace quilbex::forms
