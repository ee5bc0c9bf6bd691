#pragma once
// OLE initialisation for the process, bound by name from "ole32.dll" when the
// program carries the automation layer; a program without it has no OLE to
// initialise, and these report false.

namespace quilbex::rt {

bool ole_initialize();
void ole_uninitialize();

}  // namespace quilbex::rt
