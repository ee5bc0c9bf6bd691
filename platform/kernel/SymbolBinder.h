#pragma once
// Looks functions up in a library opened at run time into typed slots;
// `complete` stays true only while every name was found, so a caller can
// refuse a library that lacks any function it calls.

#include <dlfcn.h>

namespace quilbex::kernel {

struct SymbolBinder {
    void* library;
    bool complete = true;
    const char* first_missing = nullptr;  // the first name not found

    template <typename Function> void operator()(Function*& slot, const char* name) {
        void* symbol = ::dlsym(library, name);
        if (!symbol && complete)
            first_missing = name;
        complete = complete && symbol;
        slot = reinterpret_cast<Function*>(symbol);
    }
};

}  // namespace quilbex::kernel
