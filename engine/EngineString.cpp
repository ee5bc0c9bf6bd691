#include "engine/EngineString.h"

#include "engine/TextCodec.h"

#include <unordered_set>
#include <utility>

namespace quilbex::engine {

namespace {

// Touched only on the main thread, like every engine object.
std::unordered_set<const EngineString*>& live_strings() {
    static std::unordered_set<const EngineString*> strings;
    return strings;
}

}  // namespace

EngineString::EngineString(std::string utf8) : m_utf8(std::move(utf8)) { live_strings().insert(this); }

EngineString::~EngineString() { live_strings().erase(this); }

EngineString* EngineString::from_handle(wkeString handle) {
    auto* candidate = reinterpret_cast<EngineString*>(handle);
    return live_strings().count(candidate) ? candidate : nullptr;
}

const char16_t* EngineString::utf16() {
    if (!m_utf16_current) {
        m_utf16 = utf8_to_utf16(m_utf8);
        m_utf16_current = true;
    }
    return m_utf16.c_str();
}

void EngineString::set_utf8(std::string utf8) {
    m_utf8 = std::move(utf8);
    m_utf16_current = false;
}

}  // namespace quilbex::engine
