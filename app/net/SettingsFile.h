#pragma once
// The settings file (Config.ini) read as the member who wrote it means it.
// The file is read with the Windows profile rules (a ';' starts a comment
// only at the start of a line); what differs is its encoding. A Linux editor
// writes UTF-8, a Windows one GBK: a file that is valid UTF-8 (with or
// without a byte-order mark) and holds any byte above 0x7F is read as UTF-8,
// every other file as GBK.
//
// The member's settings file is read once per start, into a SettingsDocument
// that every part of the program asks for its keys (member_settings()). It
// is the file that $QUILBEX_CONFIG names, opened under the name the system
// gives it (any character the file system takes), else "Config.ini" where
// the member's files live (MemberFolders.h).

#include <map>
#include <memory>
#include <string>
#include <string_view>

namespace quilbex::app {

class SettingsDocument {
public:
    // No file: every key is missing.
    SettingsDocument() = default;

    // The file at `native_path` (a file system name, UTF-8). A missing or
    // unreadable file reads as empty; error() says why.
    static SettingsDocument read(const std::string& native_path);
    // A file with these contents, as if read from `native_path`.
    static SettingsDocument parse(const std::string& native_path, std::string_view contents);

    const std::string& path() const { return m_path; }
    // 0 when the file was read, else the errno of opening or reading it.
    int error() const { return m_error; }
    bool is_utf8() const { return m_utf8; }

    // The value of `key` in `section` as UTF-8, or "" when the section or the
    // key is missing. Names compare without regard to ASCII letter case.
    std::string value(std::string_view section, std::string_view key) const;
    // The same value as a GBK text, as the program keeps its texts.
    // Characters that GBK cannot hold become "?".
    std::string text(std::string_view section, std::string_view key) const;

private:
    const std::string* raw(std::string_view section, std::string_view key) const;

    std::string m_path;
    int m_error = 0;
    bool m_utf8 = false;
    std::map<std::string, std::string> m_values;  // "section\nkey" (lower case) -> bytes as in the file
};

// The member's settings file: $QUILBEX_CONFIG as the system names it, else
// Config.ini where the member's files live.
std::string member_settings_path();
// Whether $QUILBEX_CONFIG names the settings file.
bool settings_file_named();

// The member's settings file, read at the first call of the process.
std::shared_ptr<const SettingsDocument> member_settings();
// Reads the member's settings file again (after the program wrote it).
std::shared_ptr<const SettingsDocument> reload_member_settings();

// Whether the file's texts are UTF-8 by the rule above (false for a missing file).
bool settings_file_is_utf8(const std::string& file);

// A key of the settings file `file` (a program file name: GBK, "\" or "/"
// separators) as UTF-8 or as GBK, "" when missing. The member's own settings
// file is answered from its single reading.
std::string read_setting_utf8(const std::string& file, const char* section, const char* key);
std::string read_setting_text(const std::string& file, const char* section, const char* key);

}  // namespace quilbex::app
