#pragma once
// Object creation by class: a process-wide registry of our automation
// classes keyed by CLSID, with ProgIDs looked up without regard to case, and
// the Windows entry points over it.

#include "platform/com/ComPtr.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quilbex::com {

inline constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
inline constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
inline constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
inline constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;

// Creates a new instance and returns interface `iid` of it (one reference).
using ClassFactory = std::function<HRESULT(REFIID iid, void** out)>;

// Registers (or replaces) a class under its CLSID and any number of ProgIDs.
void register_class(const CLSID& clsid, const std::vector<std::u16string>& prog_ids, ClassFactory factory);

HRESULT CLSIDFromProgID(LPCOLESTR prog_id, CLSID* clsid);
// Reads "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}"; CO_E_CLASSSTRING otherwise.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
std::u16string string_from_clsid(const CLSID& clsid);

// CO_E_NOTINITIALIZED on a thread without COM, REGDB_E_CLASSNOTREG for an
// unknown class, CLASS_E_NOAGGREGATION with an outer object.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** out);
// Puts an object into its running state; our objects run from creation.
HRESULT OleRun(IUnknown* object);
// There are no type library files on this platform: always fails.
HRESULT LoadTypeLib(LPCOLESTR file, void** library);

}  // namespace quilbex::com
