// The process entry: the runtime's application object comes up and runs the
// whole program inside run_program.

#include "runtime/ProcessEntry.h"
#include "runtime/Startup.h"

int main(int argc, char** argv) {
    if (argc > 1)
        return quilbex::app::run_command_line(argc, argv);
    quilbex::app::prepare_process();
    return quilbex::rt::run_program(quilbex::app::program_header(), quilbex::app::application_entry);
}
