#pragma once
// Where the browser control's cache and cookie directories go.

#include <string>

namespace quilbex::browser {

// A directory text set by the program, made absolute against `base_dir` (the
// program folder with its trailing separator) and ended with a separator.
// "D:\c" and "/data/c" are absolute; anything else is relative. GBK texts.
std::string resolve_storage_directory(const std::string& text, const std::string& base_dir);

}  // namespace quilbex::browser
