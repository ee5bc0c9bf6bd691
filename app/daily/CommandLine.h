#pragma once
// The program's command line. Without arguments the program opens its
// windows as always; with arguments it runs one of the commands below and
// ends with its exit status, without a display.

#include <functional>
#include <string>
#include <vector>

namespace quilbex::app {

// `prepare_runtime` loads the runtime and the network configuration; it is
// called only by the commands that talk to the network.
int run_daily_command(const std::vector<std::string>& args, const std::function<void()>& prepare_runtime);

}  // namespace quilbex::app
