#pragma once
// The program's skin: the skin library travels inside the program image and
// is written beside the program on first use, then attached with the
// embedded skin data.

namespace quilbex::app {

// Writes "SkinH_QV.dll" into the run directory unless a file of that name
// exists (an existing file is never replaced), then calls SkinH_Attach and
// SkinH_AttachRes with the skin bytes, an empty password and no colour shift.
// A file that is not the library ends in the DLL binding's runtime error.
void attach_skin(const unsigned char* skin);

}  // namespace quilbex::app
