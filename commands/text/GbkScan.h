#pragma once
// Searching GBK text the way the text commands walk it.
//
// The commands walk a text from a starting index: a byte of 0x80 or above
// starts a two-byte character and the walk steps over both bytes, otherwise
// it steps one byte. A match may only start where the walk stands (a
// character boundary of that walk), never on the second byte of a character.
//
// Matcher finds those matches fast: it lets memchr on the first byte (or
// memmem, when that byte turns out to be frequent) propose candidates and then decides from
// the bytes just before a candidate whether the walk would stand there. A
// byte below 0x80 always ends a character (it is a single byte or a second
// byte), so after the nearest such byte the walk stands on a boundary and
// every byte from there to the candidate is a first or second byte in turn.

#include <cstddef>
#include <string_view>

namespace quilbex::commands {

inline bool is_lead_byte(char c) { return static_cast<unsigned char>(c) >= 0x80; }

inline unsigned char fold_ascii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c;
}

enum class LetterCase { Exact, Ignore };

// Compares needle with the bytes at `at`, folding ASCII letters when asked.
bool matches_at(const char* at, std::string_view needle, LetterCase letter_case);

class Matcher {
public:
    // Matches of `needle` (not empty) in text[..end); text[end] need not be 0.
    Matcher(const char* text, std::size_t end, std::string_view needle, LetterCase letter_case);

    // The first match at or after `boundary`, which must be a position where
    // the walk stands; npos when there is none. Every position passed later
    // must not be smaller.
    std::size_t next(std::size_t boundary);

    static constexpr std::size_t npos = std::string_view::npos;

private:
    std::size_t candidate(std::size_t from);

    const char* m_text;
    std::size_t m_end;
    std::string_view m_needle;
    LetterCase m_case;
    // For a case-blind search for a letter: the next position of each case of
    // the first byte at or after the last search start (npos = none left).
    std::size_t m_next_lower = npos;
    std::size_t m_next_upper = npos;
    bool m_primed = false;
    // Exact search: false candidates of the first-byte scan so far, and bytes
    // it covered; too many false candidates switch it to memmem.
    std::size_t m_false_hits = 0;
    std::size_t m_scanned = 0;
    bool m_use_memmem = false;
    bool m_two_cases = false;
};

}  // namespace quilbex::commands
