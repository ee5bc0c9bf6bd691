// The process entry: the runtime's application object comes up and runs the
// whole program inside run_program.

#include "runtime/Exit.h"
#include "runtime/ProcessEntry.h"
#include "runtime/Startup.h"

#include <cstdint>

int main(int argc, char** argv) {
    if (std::optional<int> code = quilbex::app::run_command_line(argc, argv))
        return *code;
    quilbex::app::prepare_process();
    int code = quilbex::rt::run_program(quilbex::app::program_header(), quilbex::app::application_entry);
    // The end-of-program sequence has run. Worker threads (a quote fetch, a
    // lottery series) may still be inside their work: the process ends here,
    // as ExitProcess ends it, instead of returning into static destructors
    // that would pull the configuration, the TLS trust, the cookie store and
    // the window system away from under them.
    quilbex::rt::exit_process(static_cast<std::uint32_t>(code));
}
