#include "runtime/Exit.h"

#include "runtime/DllBinding.h"
#include "runtime/Ole.h"
#include "runtime/RuntimeApp.h"
#include "runtime/WindowHost.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quilbex::rt {

void register_exit_callback(ExitCallback routine) {
    auto& callbacks = runtime_app().exitCallbacks;
    if (routine && std::find(callbacks.begin(), callbacks.end(), routine) == callbacks.end())
        callbacks.push_back(routine);
}

void end_of_program(std::uint32_t code) {
    auto& app = runtime_app();
    if (std::this_thread::get_id() != app.mainThreadId) {
        window_host().request_exit_from_worker(code);
        if (!app.cleanupStarted) {
            std::fflush(nullptr);
            std::_Exit(static_cast<int>(code & 0xFF));
        }
        return;
    }
    if (app.cleanupStarted.exchange(true))
        return;
    auto& host = window_host();
    host.clear_idle_callbacks();
    host.destroy_all_windows();

    // Callbacks may not register further callbacks while the list runs.
    auto callbacks = std::move(app.exitCallbacks);
    app.exitCallbacks.clear();
    for (std::size_t i = 0; i < callbacks.size(); ++i)
        callbacks[i](static_cast<int>(i));

    for (std::size_t i = 0; i < app.libraries.size(); ++i) {
        if (app.libraries[i] && app.libraries[i]->notify)
            app.libraries[i]->notify(6, i < app.libraryValues.size() ? app.libraryValues[i] : 0, 0);
    }
    app.libraries.clear();
    app.libraryValues.clear();

    release_dll_modules();

    host.release_resources();
    host.destroy_hidden_owner();
    if (app.oleInitialized) {
        ole_uninitialize();
        app.oleInitialized = false;
    }
}

void exit_process(std::uint32_t code) {
    end_of_program(code);
    std::fflush(nullptr);
    // As ExitProcess: no static destructors, which threads still at work
    // could otherwise outlive; only the quick-exit clean-ups (temporary
    // folders) run.
    std::quick_exit(static_cast<int>(code & 0xFF));
}

}  // namespace quilbex::rt
