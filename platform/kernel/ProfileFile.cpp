#include "platform/kernel/ProfileFile.h"

#include "platform/kernel/AtomicFile.h"
#include "platform/kernel/CodePage.h"
#include "platform/kernel/Thread.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace quilbex::kernel {
namespace {

using win::BOOL;
using win::DWORD;

std::mutex& profile_mutex() {
    static std::mutex mutex;
    return mutex;
}

enum class LineKind { Blank, Comment, Section, Entry };

// One line of the file as it stands, and what it means.
struct Line {
    std::string_view text;  // without its line end
    std::string_view eol;  // "\r\n", "\n", "\r" or "" for an unterminated last line
    LineKind kind = LineKind::Blank;
    std::string_view name;  // section or key name, trimmed
    std::string_view raw_value;  // value trimmed, quotes kept
    bool has_value = false;
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trim(std::string_view s) {
    while (!s.empty() && is_blank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && is_blank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        unsigned char x = static_cast<unsigned char>(a[i]);
        unsigned char y = static_cast<unsigned char>(b[i]);
        if (x >= 'A' && x <= 'Z')
            x = static_cast<unsigned char>(x + 32);
        if (y >= 'A' && y <= 'Z')
            y = static_cast<unsigned char>(y + 32);
        if (x != y)
            return false;
    }
    return true;
}

std::string_view unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// The closing bracket of a section header; the second byte of a two-byte GBK
// character may be 0x5D and is not one.
std::size_t find_closing_bracket(std::string_view s, std::size_t from) {
    for (std::size_t i = from; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        if (c >= 0x81 && i + 1 < s.size())
            ++i;
        else if (c == ']')
            return i;
    }
    return std::string_view::npos;
}

void classify(Line& line) {
    std::string_view s = trim(line.text);
    if (s.empty()) {
        line.kind = LineKind::Blank;
    } else if (s.front() == ';') {
        line.kind = LineKind::Comment;
    } else if (s.front() == '[') {
        line.kind = LineKind::Section;
        std::size_t close = find_closing_bracket(s, 1);
        line.name = trim(s.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    } else {
        line.kind = LineKind::Entry;
        std::size_t eq = s.find('=');
        if (eq == std::string_view::npos) {
            line.name = s;
        } else {
            line.name = trim(s.substr(0, eq));
            line.raw_value = trim(s.substr(eq + 1));
            line.has_value = true;
        }
    }
}

// The parsed file: views into `contents`, which must outlive it.
struct Profile {
    std::string_view bom;
    std::vector<Line> lines;

    explicit Profile(std::string_view contents) {
        if (contents.substr(0, 3) == "\xEF\xBB\xBF") {
            bom = contents.substr(0, 3);
            contents.remove_prefix(3);
        }
        while (!contents.empty()) {
            std::size_t end = contents.find_first_of("\r\n");
            Line line;
            if (end == std::string_view::npos) {
                line.text = contents;
                contents = {};
            } else {
                std::size_t eol_len =
                    (contents[end] == '\r' && end + 1 < contents.size() && contents[end + 1] == '\n') ? 2 : 1;
                line.text = contents.substr(0, end);
                line.eol = contents.substr(end, eol_len);
                contents.remove_prefix(end + eol_len);
            }
            classify(line);
            lines.push_back(line);
        }
    }

    // [first, end) of every section named `name`: the header and its lines.
    std::vector<std::pair<std::size_t, std::size_t>> sections(std::string_view name) const {
        std::vector<std::pair<std::size_t, std::size_t>> found;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].kind != LineKind::Section || !same_name(lines[i].name, name))
                continue;
            std::size_t end = i + 1;
            while (end < lines.size() && lines[end].kind != LineKind::Section)
                ++end;
            found.emplace_back(i, end);
        }
        return found;
    }

    std::size_t find_key(std::pair<std::size_t, std::size_t> section, std::string_view key) const {
        for (std::size_t i = section.first + 1; i < section.second; ++i)
            if (lines[i].kind == LineKind::Entry && same_name(lines[i].name, key))
                return i;
        return std::string_view::npos;
    }
};

DWORD copy_value(std::string_view value, char* out, DWORD size) {
    std::size_t n = std::min<std::size_t>(value.size(), size - 1);
    if (n > 0)
        std::memcpy(out, value.data(), n);
    out[n] = '\0';
    return static_cast<DWORD>(n);
}

// Writes names as "a\0b\0\0", cut with two zeros when they do not fit.
DWORD copy_list(const std::vector<std::string_view>& names, char* out, DWORD size) {
    if (size < 2) {
        out[0] = '\0';
        return 0;
    }
    std::size_t pos = 0;
    for (std::string_view name : names) {
        if (pos + name.size() + 1 > size - 1) {
            std::size_t room = pos < size - 2 ? std::min<std::size_t>(name.size(), size - 2 - pos) : 0;
            std::memcpy(out + pos, name.data(), room);
            out[size - 2] = '\0';
            out[size - 1] = '\0';
            return size - 2;
        }
        std::memcpy(out + pos, name.data(), name.size());
        pos += name.size();
        out[pos++] = '\0';
    }
    out[pos] = '\0';
    if (pos == 0)
        out[1] = '\0';
    return static_cast<DWORD>(pos);
}

std::vector<std::string_view> section_names(const Profile& profile) {
    std::vector<std::string_view> names;
    for (const Line& line : profile.lines) {
        if (line.kind != LineKind::Section)
            continue;
        bool seen =
            std::any_of(names.begin(), names.end(), [&](std::string_view n) { return same_name(n, line.name); });
        if (!seen)
            names.push_back(line.name);
    }
    return names;
}

std::vector<std::string_view> key_names(const Profile& profile, std::string_view section) {
    std::vector<std::string_view> names;
    auto found = profile.sections(section);
    if (found.empty())
        return names;
    for (std::size_t i = found.front().first + 1; i < found.front().second; ++i)
        if (profile.lines[i].kind == LineKind::Entry)
            names.push_back(profile.lines[i].name);
    return names;
}

std::string_view default_value(win::LPCSTR lpDefault) {
    std::string_view value = lpDefault ? std::string_view(lpDefault) : std::string_view();
    while (!value.empty() && value.back() == ' ')
        value.remove_suffix(1);
    return value;
}

bool breaks_structure(std::string_view text) { return text.find_first_of("\r\n") != std::string_view::npos; }

// A lead byte standing last would pair with the closing bracket when the
// header is read back, so such a name could never be found again.
bool ends_in_lead_byte(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size())
        i += static_cast<unsigned char>(s[i]) >= 0x81 ? 2 : 1;
    return i > s.size();
}

bool valid_section_name(std::string_view name) {
    return !breaks_structure(name) && find_closing_bracket(name, 0) == std::string_view::npos &&
           !ends_in_lead_byte(name);
}

bool valid_key_name(std::string_view key) {
    return !breaks_structure(key) && key.find('=') == std::string_view::npos &&
           (key.empty() || (key.front() != '[' && key.front() != ';'));
}

BOOL fail(DWORD code) {
    SetLastError(code);
    return win::FALSE;
}

// Rebuilds the file from its lines, with `replaced` lines substituted and the
// lines in [erase_first, erase_end) left out.
struct Edit {
    std::vector<std::string> texts;  // replacement texts by line index, where `replaced`
    std::vector<bool> replaced;
    std::vector<bool> erased;
    std::vector<std::string> inserted;  // lines inserted after the line at insert_after
    std::size_t insert_after = std::string_view::npos;
    std::vector<std::string> appended;  // lines added at the end of the file
    bool changed = false;

    explicit Edit(std::size_t n) : texts(n), replaced(n, false), erased(n, false) {}
};

std::string render(const Profile& profile, const Edit& edit) {
    std::string out(profile.bom);
    auto add_new_lines = [&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines) {
            out += line;
            out += "\r\n";
        }
    };
    for (std::size_t i = 0; i < profile.lines.size(); ++i) {
        const Line& line = profile.lines[i];
        if (!edit.erased[i]) {
            out += edit.replaced[i] ? std::string_view(edit.texts[i]) : line.text;
            bool needs_end = line.eol.empty() && ((i == edit.insert_after && !edit.inserted.empty()) ||
                                                  i + 1 < profile.lines.size() || !edit.appended.empty());
            out += needs_end ? std::string_view("\r\n") : line.eol;
        }
        if (i == edit.insert_after)
            add_new_lines(edit.inserted);
    }
    add_new_lines(edit.appended);
    return out;
}

void plan_delete_section(const Profile& profile, std::string_view section, Edit& edit) {
    for (auto [first, end] : profile.sections(section))
        for (std::size_t i = first; i < end; ++i) {
            edit.erased[i] = true;
            edit.changed = true;
        }
}

void plan_delete_key(const Profile& profile, std::string_view section, std::string_view key, Edit& edit) {
    auto found = profile.sections(section);
    if (found.empty())
        return;
    for (std::size_t i = found.front().first + 1; i < found.front().second; ++i) {
        const Line& line = profile.lines[i];
        if (line.kind == LineKind::Entry && same_name(line.name, key)) {
            edit.erased[i] = true;
            edit.changed = true;
        }
    }
}

void plan_set(const Profile& profile, std::string_view section, std::string_view key, std::string_view value,
              Edit& edit) {
    std::string entry = std::string(key) + "=" + std::string(value);
    auto found = profile.sections(section);
    if (found.empty()) {
        edit.appended.push_back("[" + std::string(section) + "]");
        edit.appended.push_back(std::move(entry));
        edit.changed = true;
        return;
    }
    auto range = found.front();
    std::size_t at = profile.find_key(range, key);
    if (at != std::string_view::npos) {
        const Line& line = profile.lines[at];
        if (line.has_value && line.raw_value == value)
            return;  // already so; leave the file alone
        edit.texts[at] = std::string(line.name) + "=" + std::string(value);
        edit.replaced[at] = true;
        edit.changed = true;
        return;
    }
    // After the section's last non-blank line, so that blank lines that
    // separate it from the next section stay where they are.
    std::size_t last = range.first;
    for (std::size_t i = range.first + 1; i < range.second; ++i)
        if (profile.lines[i].kind != LineKind::Blank)
            last = i;
    edit.insert_after = last;
    edit.inserted.push_back(std::move(entry));
    edit.changed = true;
}

}  // namespace

DWORD GetPrivateProfileStringA(win::LPCSTR lpAppName, win::LPCSTR lpKeyName, win::LPCSTR lpDefault,
                               win::LPSTR lpReturnedString, DWORD nSize, win::LPCSTR lpFileName) {
    if (!lpReturnedString || nSize == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::string contents;
    if (lpFileName) {
        std::lock_guard lock(profile_mutex());
        FileResult read = read_file_contents(native_path(lpFileName), contents);
        SetLastError(read.error);
    } else {
        SetLastError(ERROR_FILE_NOT_FOUND);
    }
    Profile profile(contents);

    if (!lpAppName)
        return copy_list(section_names(profile), lpReturnedString, nSize);
    std::string_view section = trim(lpAppName);
    if (!lpKeyName)
        return copy_list(key_names(profile, section), lpReturnedString, nSize);

    std::string_view key = trim(lpKeyName);
    auto found = profile.sections(section);
    if (!found.empty()) {
        std::size_t at = profile.find_key(found.front(), key);
        if (at != std::string_view::npos && profile.lines[at].has_value)
            return copy_value(unquote(profile.lines[at].raw_value), lpReturnedString, nSize);
    }
    return copy_value(default_value(lpDefault), lpReturnedString, nSize);
}

void for_each_profile_value(std::string_view contents,
                            const std::function<void(std::string_view, std::string_view, std::string_view)>& visit) {
    auto folded = [](std::string_view name) {
        std::string out(name);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        return out;
    };
    Profile profile(contents);
    std::unordered_set<std::string> seen_sections, seen_keys;
    bool reading = false;
    std::string_view section;
    for (const Line& line : profile.lines) {
        if (line.kind == LineKind::Section) {
            reading = seen_sections.insert(folded(line.name)).second;
            section = line.name;
            seen_keys.clear();
        } else if (reading && line.kind == LineKind::Entry && seen_keys.insert(folded(line.name)).second &&
                   line.has_value) {
            visit(section, line.name, unquote(line.raw_value));
        }
    }
}

BOOL WritePrivateProfileStringA(win::LPCSTR lpAppName, win::LPCSTR lpKeyName, win::LPCSTR lpString,
                                win::LPCSTR lpFileName) {
    if (!lpAppName && !lpKeyName && !lpString)
        return win::TRUE;  // "flush the cache": there is none, every write is on disk
    if (!lpAppName || !lpFileName)
        return fail(ERROR_INVALID_PARAMETER);
    std::string_view section = trim(lpAppName);
    std::string_view key = lpKeyName ? trim(lpKeyName) : std::string_view();
    if (!valid_section_name(section) || (lpKeyName && !valid_key_name(key)) || (lpString && breaks_structure(lpString)))
        return fail(ERROR_INVALID_PARAMETER);

    std::string path = native_path(lpFileName);
    std::lock_guard lock(profile_mutex());
    std::string contents;
    FileResult read = read_file_contents(path, contents);
    bool missing = read.error == ERROR_FILE_NOT_FOUND;
    if (!read && !missing)
        return fail(read.error);

    Profile profile(contents);
    Edit edit(profile.lines.size());
    if (!lpKeyName)
        plan_delete_section(profile, section, edit);
    else if (!lpString)
        plan_delete_key(profile, section, key, edit);
    else
        plan_set(profile, section, key, lpString, edit);
    if (!edit.changed)
        return win::TRUE;

    std::string updated = render(profile, edit);
    FileResult written = replace_file_contents(path, {updated});
    if (!written)
        return fail(written.error);
    return win::TRUE;
}

}  // namespace quilbex::kernel
