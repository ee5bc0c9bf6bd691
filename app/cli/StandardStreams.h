#pragma once
// A command-line run whose standard output (or input, or error) is closed,
// or is a pipe that nobody reads any more, loses only what it prints: it
// signs in, writes its history and ends with its own exit status.

namespace quilbex::app {

// Puts /dev/null where descriptor 0, 1 or 2 is closed, so that no file the
// run opens later (History.log, Daily.lock) takes the place of standard
// output and receives its printing, and ignores SIGPIPE, so that writing to
// a pipe without a reader fails (EPIPE) instead of ending the process. Call
// before anything is opened.
void keep_standard_streams_harmless();

}  // namespace quilbex::app
