#include "platform/com/Apartment.h"

namespace quilbex::com {
namespace {
thread_local int t_init_count = 0;
}

HRESULT CoInitializeEx(LPVOID, DWORD) { return t_init_count++ == 0 ? S_OK : S_FALSE; }

HRESULT CoInitialize(LPVOID reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
    if (t_init_count > 0)
        --t_init_count;
}

bool com_initialized_on_this_thread() { return t_init_count > 0; }

HRESULT ole32_CoInitialize(LPVOID reserved) { return CoInitialize(reserved); }

void ole32_CoUninitialize() { CoUninitialize(); }

}  // namespace quilbex::com
