#pragma once
// The result of an operation that can fail for a reason the member is told:
// a value, or the reason in words for the member (UTF-8, one sentence
// without a final full stop, so that a caller can put it after a colon).
//
//   Result<Profile> found = find_profile(name);
//   if (!found)
//       return kernel::Failure{"没有这个成员：" + found.reason()};
//   use(*found);
//
// Failures that a caller must tell apart by kind keep their own codes (a
// Windows error code, an exit status); this type is for the many places that
// only pass the reason on.

#include <cassert>
#include <optional>
#include <string>
#include <utility>

namespace quilbex::kernel {

struct Failure {
    std::string reason;
};

template <typename T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    Result(Failure failure) : m_reason(std::move(failure.reason)) {}

    explicit operator bool() const { return m_value.has_value(); }
    T& operator*() {
        assert(m_value);
        return *m_value;
    }
    const T& operator*() const {
        assert(m_value);
        return *m_value;
    }
    T* operator->() { return &**this; }
    const T* operator->() const { return &**this; }
    // Empty when the operation worked.
    const std::string& reason() const { return m_reason; }

private:
    std::optional<T> m_value;
    std::string m_reason;
};

template <> class [[nodiscard]] Result<void> {
public:
    Result() = default;
    Result(Failure failure) : m_failed(true), m_reason(std::move(failure.reason)) {}

    explicit operator bool() const { return !m_failed; }
    const std::string& reason() const { return m_reason; }

private:
    bool m_failed = false;
    std::string m_reason;
};

}  // namespace quilbex::kernel
