#pragma once
// COM initialisation for the calling thread as the application does it:
// CoInitialize and CoUninitialize bound by name from "ole32.dll".
// ComInitScope calls CoInitialize(null) on construction and the matching
// CoUninitialize on destruction.

namespace quilbex::commands {

// CoInitialize(null) through "ole32.dll"; false when it cannot be bound.
bool co_initialize();
void co_uninitialize();

class ComInitScope {
public:
    ComInitScope() : m_initialized(co_initialize()) {}
    ~ComInitScope() {
        if (m_initialized)
            co_uninitialize();
    }
    ComInitScope(const ComInitScope&) = delete;
    ComInitScope& operator=(const ComInitScope&) = delete;

private:
    bool m_initialized;
};

}  // namespace quilbex::commands
