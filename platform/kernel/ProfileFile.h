#pragma once
// Private profile (INI) files with the Windows profile semantics.
//
// File format, as read:
//   [section]          a section header; spaces around the name are ignored,
//                      and so is anything after the closing bracket
//   key = value        an entry; spaces and tabs around key and value are
//                      ignored, and one pair of matching quotes ('...' or
//                      "...") around the value is removed
//   key                a key without a value: listed, but reads the default
//   ; comment          ignored (kept as it is when the file is rewritten)
// Section and key names compare without regard to ASCII letter case; other
// bytes (GBK) compare exactly. When a name occurs twice, the first counts.
// Lines may end in CR LF, LF or nothing; a UTF-8 byte-order mark is skipped.
//
// File names are ANSI (GBK) paths with "\" or "/" as separators. A name
// without a folder is taken relative to the current folder (Windows would
// look in its own folder; this program always passes full paths).
//
// Writes rewrite the file through a temporary file in the same folder that is
// flushed to disk and renamed over the original, so that the file on disk is
// always either the old one or the complete new one. Every line that the
// write does not change is kept byte for byte, including its line end; lines
// the write adds end in CR LF. Reads and writes are serialised within the
// process.

#include "platform/kernel/WinTypes.h"

#include <functional>
#include <string_view>

namespace quilbex::kernel {

// Copies the value of lpKeyName in section lpAppName of lpFileName into
// lpReturnedString, or lpDefault (null counts as "", trailing spaces are
// dropped) when the file, the section or the key is missing. With a null
// lpKeyName it lists the section's keys, with a null lpAppName the file's
// sections, each followed by a zero and the list by a second zero.
//
// Returns the number of bytes copied, not counting the terminating zero. When
// the buffer is too small the result is cut to fit: a single value ends with
// one zero and the result is nSize - 1; a list ends with two zeros and the
// result is nSize - 2.
win::DWORD GetPrivateProfileStringA(win::LPCSTR lpAppName, win::LPCSTR lpKeyName, win::LPCSTR lpDefault,
                                    win::LPSTR lpReturnedString, win::DWORD nSize, win::LPCSTR lpFileName);

// Sets lpKeyName in section lpAppName to lpString, adding the key at the end
// of its section and the section at the end of the file when missing, and
// creating the file when needed. A null lpString deletes the key, a null
// lpKeyName deletes the whole section (every section of that name).
//
// FALSE (with the last error set) when the folder does not exist, the file
// cannot be written, or a name or value would break the file's structure: a
// CR or LF anywhere, "=" in a key, "]" in a section name or a lone first byte
// of a two-byte character at its end, a key starting with "[" or ";". TRUE when the file holds the requested state,
// including when nothing had to change.
win::BOOL WritePrivateProfileStringA(win::LPCSTR lpAppName, win::LPCSTR lpKeyName, win::LPCSTR lpString,
                                     win::LPCSTR lpFileName);

// Every value that GetPrivateProfileStringA would return from a file with
// these contents, in file order: only the first section of each name is
// read, and only the first entry of each key in it; entries without "=" are
// skipped. Section and key names are as written (compare them without regard
// to ASCII letter case); values have their quotes removed.
void for_each_profile_value(
    std::string_view contents,
    const std::function<void(std::string_view section, std::string_view key, std::string_view value)>& visit);

}  // namespace quilbex::kernel
