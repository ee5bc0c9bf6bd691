#pragma once
// ScriptEngine: one JScript-compatible script heap (Duktape) with a memory
// cap and a time limit per entry. Every entry into the engine is a protected
// call: a script error, running out of the heap's memory or running past the
// time limit ends that entry with an error message and leaves the engine
// usable; nothing unwinds through our frames and nothing ends the process.
//
// Values cross as VARIANTs: undefined is VT_EMPTY, null VT_NULL, booleans
// VT_BOOL, numbers VT_I4 when they are whole and fit, else VT_R8, strings
// VT_BSTR (UTF-16 both sides). Objects come back as their string form.

#include "platform/com/Variant.h"

#include <chrono>
#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quilbex::script {

struct ScriptOutcome {
    bool ok = false;
    com::Variant value;  // the result when ok
    std::u16string error;  // the script's error message otherwise
};

class ScriptEngine {
public:
    static constexpr std::size_t kDefaultMemoryLimit = 64u << 20;
    // A limit of zero milliseconds or less means no time limit.
    using Timeout = std::chrono::milliseconds;

    // Null when the engine cannot be created.
    static std::unique_ptr<ScriptEngine> create(std::size_t memory_limit = kDefaultMemoryLimit);
    ~ScriptEngine();
    ScriptEngine(const ScriptEngine&) = delete;
    ScriptEngine& operator=(const ScriptEngine&) = delete;

    // Runs `source` as global code (its `var`s and functions become
    // globals); the value is the code's completion value.
    ScriptOutcome eval(std::u16string_view source, Timeout timeout);
    // Calls the global function `name` with `args`.
    ScriptOutcome call(std::u16string_view name, const std::vector<com::Variant>& args, Timeout timeout);

    std::size_t memory_in_use() const;

    // The engine's heap state; opaque outside the engine's own source.
    struct Heap;

private:
    explicit ScriptEngine(std::unique_ptr<Heap> heap);
    std::unique_ptr<Heap> m_heap;
};

}  // namespace quilbex::script
