#pragma once
// Path helpers shared by the platform layers. Windows accepts "\" and "/"
// alike as separators; the program's own paths use both.

#include <string>

namespace quilbex::kernel {

// The path with every "\" turned into "/".
std::string to_native_path(const std::string& path);

// The folder that holds the running executable, without a trailing "/".
std::string executable_directory();

// The running executable's full path.
std::string executable_path();

// The program's folder as a GBK text, as the program's texts hold it, without
// a trailing separator. A folder name with characters that GBK cannot hold
// gets "?" in their place; the text then stands for the real folder in every
// file name that begins with it (see resolve_program_folder).
std::string program_folder_text();
// The same for a given folder (UTF-8, no trailing "/"), which then counts as
// the program folder; program_folder_text() uses the executable's folder.
std::string folder_text(const std::string& real);

// A UTF-8 file name with "\" or "/" separators turned into the name the file
// system expects ("/" only). A name that begins with the program folder's
// text (turned into UTF-8) names the real folder, whatever characters its
// name holds ("\" included): only what follows the folder's text is read
// with "\" as a separator. Every layer that turns a program file name into a
// file system name passes it through here.
std::string resolve_program_folder(std::string name);

}  // namespace quilbex::kernel
