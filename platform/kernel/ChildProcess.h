#pragma once
// Another program run without a shell (its arguments are passed as they are,
// never parsed), with a text on its standard input and its standard output
// and error kept. Used for systemctl and crontab.

#include <string>
#include <vector>

namespace quilbex::app {

// Not a Result: an exit status other than 0 is no failure in words; callers
// read the status and the output.
struct ChildResult {
    bool started = false;  // false: the program was not found or could not be run
    int status = -1;  // exit status; -1 when it ended by a signal
    std::string out;
    std::string err;
    bool ok() const { return started && status == 0; }
};

// Looks `argv[0]` up in PATH, runs it and waits for it to end.
ChildResult run_child(const std::vector<std::string>& argv, const std::string& input = "");

}  // namespace quilbex::app
