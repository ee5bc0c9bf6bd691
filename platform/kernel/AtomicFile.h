#pragma once
// Replacing a file's contents so that a failure or an interruption never
// leaves a damaged file behind: the new contents go to a temporary file in the
// same folder, which is flushed to disk and then renamed over the target. A
// reader (or a later start of the program) sees either the old file or the
// complete new one. Used by the profile writer and the file commands.

#include "platform/kernel/WinTypes.h"

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace quilbex::kernel {

// Windows error code of a file operation; ERROR_SUCCESS (0) when it worked.
// Not a Result: the file commands hand the code on as the last error, which
// their callers tell apart by kind.
struct FileResult {
    win::DWORD error = 0;
    explicit operator bool() const { return error == 0; }
};

// Writes the pieces, in order, as the new contents of the file at `path` (a
// native path: UTF-8, "/" separators). An existing file keeps its permission
// bits and owner, except that a member's private file (MemberFolders.h) gets
// its own bits back; a symbolic link is followed and its target replaced.
//
// Where the folder takes no new file (or the owner could not be kept) but the
// file itself is writable, the file is rewritten in place and flushed
// instead, so that this one save is not atomic. It is still never destroyed
// by a full disk: the new size is reserved before a byte changes (the save
// fails then with the old contents whole), and the file is cut to its new
// length only once the new bytes are written.
//
// Temporary files of earlier saves whose process is gone are removed.
// Errors: ERROR_PATH_NOT_FOUND (no such folder), ERROR_ACCESS_DENIED (folder
// or file not writable, or the name is a folder), ERROR_WRITE_FAULT /
// ERROR_DISK_FULL (writing failed; the old file is untouched and the
// temporary file removed).
FileResult replace_file_contents(const std::string& path, std::span<const std::string_view> pieces);
FileResult replace_file_contents(const std::string& path, std::initializer_list<std::string_view> pieces);

// Reads a whole file. ERROR_FILE_NOT_FOUND / ERROR_PATH_NOT_FOUND when it is
// missing, ERROR_ACCESS_DENIED when it cannot be read.
FileResult read_file_contents(const std::string& path, std::string& contents);

}  // namespace quilbex::kernel
