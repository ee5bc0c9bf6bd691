#pragma once
// The engine's text object behind a wkeString handle.
//
// The engine creates these, usually on the stack of a callback trampoline, so
// a string lives exactly as long as the callback it is handed to. Each live
// string is registered, so that a stale or foreign handle is recognised and
// answered with "" instead of being dereferenced.

#include "engine/wke.h"

#include <string>

namespace quilbex::engine {

class EngineString {
public:
    explicit EngineString(std::string utf8 = {});
    ~EngineString();
    EngineString(const EngineString&) = delete;
    EngineString& operator=(const EngineString&) = delete;

    // The live string behind a handle, or null.
    static EngineString* from_handle(wkeString handle);
    wkeString handle() { return reinterpret_cast<wkeString>(this); }

    const std::string& utf8() const { return m_utf8; }
    // The UTF-16 form, converted on first use after each change.
    const char16_t* utf16();
    void set_utf8(std::string utf8);

private:
    std::string m_utf8;
    std::u16string m_utf16;
    bool m_utf16_current = false;
};

}  // namespace quilbex::engine
