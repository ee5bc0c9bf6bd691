#pragma once
// The modes of the command line that run without a window.

#include "app/cli/CommandLine.h"

#include <functional>

namespace quilbex::app {

// Runs `line`'s mode (not Mode::window) and returns its exit status.
// `prepare_runtime` loads the runtime and the network configuration; it is
// called only by the modes that talk to the network.
int run_daily_command(const CommandLine& line, const std::function<void()>& prepare_runtime);

// A usage error on standard error; returns the exit status 1.
int usage_error(const std::string& what);

}  // namespace quilbex::app
