#pragma once
// The binding of the browser control to the engine library "node.dll".
//
// Location (once per binding, before the first view): the program folder from
// the runtime (notification 1006) with its trailing separator; when the three
// characters before that separator are "lib", the last four are dropped; then
// "node.dll". When that file does not exist the path stays "node.dll" and a
// message box asks the user to put the file there.
//
// Preparation (before every view): unless the engine says it is initialised,
// load it through the module registry, resolve every function by name (a
// missing name is reported once with "wke api not found"), and initialise it
// with a zeroed settings record. A view may be created only when prepare()
// returns true; a function pointer is null when it is not bound, and callers
// test it before calling.
//
// Main thread only.

#include "engine/wke.h"
#include "platform/kernel/WinTypes.h"

#include <set>
#include <string>
#include <vector>

namespace quilbex::browser {

struct EngineFunctions {
#define WKE_FN(name) decltype(&::name) name = nullptr;
#include "browser/EngineFunctions.inc"
#undef WKE_FN
    // The program's own addition, bound when the engine has it; an engine
    // without it is not reported: the login's expiry is then unknown.
    decltype(&::wkeQuilbexGetCookieExpires) wkeQuilbexGetCookieExpires = nullptr;
};

// The program folder with its trailing separator, from the runtime (GBK).
std::string program_folder();

// The engine's place for a program folder given with its trailing separator
// ("\" or "/"); GBK in, GBK out.
std::string engine_path_for(const std::string& program_dir);

// The hosts ("host" or "host:port"; the port is ignored) whose servers the
// engine accepts when their certificates chain to the process's configured
// authority (the WinInet layer's network settings), as the program's HTTP
// client accepts them. No configured authority adds no trust. The engine
// gets the process's proxy decision too. Set it before the first view is
// created.
void set_engine_trusted_hosts(std::vector<std::string> hosts);
// Prepares the process's environment for the engine (no GL display in the
// program); called at start, before the first thread.
void prepare_engine_environment();

class EngineBinding {
public:
    // The binding the browser control uses.
    static EngineBinding& process();

    // Locates, loads and initialises the engine as needed. True when a view
    // can be created: the engine is initialised and wkeCreateWebWindow is bound.
    bool prepare();

    const EngineFunctions& functions() const { return m_functions; }
    // The engine path chosen by the location step (GBK); empty before it.
    const std::string& engine_path() const { return m_path; }

private:
    void locate();
    void bind_all();

    bool m_located = false;
    std::string m_path;
    win::HMODULE m_module = nullptr;
    EngineFunctions m_functions;
    std::set<std::string> m_reported_missing;
};

}  // namespace quilbex::browser
