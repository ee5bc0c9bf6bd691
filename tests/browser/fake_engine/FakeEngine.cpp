// A stand-in for the engine library, for tests of the binding. Built twice:
// with every function the control binds (FAKE_ENGINE_COMPLETE) and with only
// the initialisation pair and a few others.

// The engine header is not included: the complete variant defines every
// other function with an empty argument list, which only the symbol table sees.
#define WKE_API __attribute__((visibility("default")))

namespace {
bool g_initialised = false;
struct Settings {
    unsigned char reserved[216];
};
}  // namespace

extern "C" {

WKE_API bool wkeIsInitialize(void) { return g_initialised; }

// Initialises only with the record the binding must pass: 216 zero bytes.
WKE_API void wkeInitializeEx(const Settings* settings) {
    if (!settings)
        return;
    for (unsigned char byte : settings->reserved) {
        if (byte != 0)
            return;
    }
    g_initialised = true;
}

WKE_API const char* wkeGetTitle(void*) { return "fake"; }

#ifdef FAKE_ENGINE_COMPLETE
// Any non-null value: the binding never creates views in these tests.
WKE_API void* wkeCreateWebWindow(int, void*, int, int, int, int) { return reinterpret_cast<void*>(0x1000); }
WKE_API const char* wkeGetCookie(void*) { return "fake=1"; }
#define WKE_FN(name)                                                                                                   \
    WKE_API void name() {}
#define wkeIsInitialize fake_skip_1
#define wkeInitializeEx fake_skip_2
#define wkeCreateWebWindow fake_skip_3
#define wkeGetTitle fake_skip_4
#define wkeGetCookie fake_skip_5
#include "browser/EngineFunctions.inc"
#undef WKE_FN
#endif

}  // extern "C"
