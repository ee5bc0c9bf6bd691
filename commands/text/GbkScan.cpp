#include "commands/text/GbkScan.h"

#include <algorithm>
#include <cstring>

namespace quilbex::commands {

bool matches_at(const char* at, std::string_view needle, LetterCase letter_case) {
    if (letter_case == LetterCase::Exact)
        return std::memcmp(at, needle.data(), needle.size()) == 0;
    for (std::size_t i = 0; i < needle.size(); ++i)
        if (fold_ascii(static_cast<unsigned char>(at[i])) != fold_ascii(static_cast<unsigned char>(needle[i])))
            return false;
    return true;
}

Matcher::Matcher(const char* text, std::size_t end, std::string_view needle, LetterCase letter_case)
    : m_text(text), m_end(end), m_needle(needle), m_case(letter_case) {
    unsigned char first = static_cast<unsigned char>(needle.front());
    m_two_cases = letter_case == LetterCase::Ignore && fold_ascii(first) >= 'a' && fold_ascii(first) <= 'z';
}

std::size_t Matcher::candidate(std::size_t from) {
    std::size_t n = m_needle.size();
    if (m_end < n || from > m_end - n)
        return npos;
    std::size_t last_start = m_end - n;  // the last position a match can start at
    if (m_case == LetterCase::Exact) {
        const void* hit = ::memmem(m_text + from, m_end - from, m_needle.data(), n);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - m_text) : npos;
    }
    // Case-blind: find the first byte (in either case), then compare the rest.
    // Each case keeps its own next position, so a frequent letter in one case
    // does not make the other case be searched again and again.
    unsigned char lower = fold_ascii(static_cast<unsigned char>(m_needle.front()));
    unsigned char upper = m_two_cases ? static_cast<unsigned char>(lower - 32) : lower;
    auto find_byte = [&](unsigned char byte, std::size_t at) -> std::size_t {
        if (at > last_start)
            return npos;
        const void* hit = std::memchr(m_text + at, byte, last_start + 1 - at);
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - m_text) : npos;
    };
    if (!m_primed) {
        m_next_lower = find_byte(lower, from);
        m_next_upper = m_two_cases ? find_byte(upper, from) : npos;
        m_primed = true;
    }
    for (std::size_t at = from;;) {
        if (m_next_lower != npos && m_next_lower < at)
            m_next_lower = find_byte(lower, at);
        if (m_two_cases && m_next_upper != npos && m_next_upper < at)
            m_next_upper = find_byte(upper, at);
        std::size_t hit = m_two_cases ? std::min(m_next_lower, m_next_upper) : m_next_lower;
        if (hit == npos)
            return npos;
        if (matches_at(m_text + hit, m_needle, m_case))
            return hit;
        at = hit + 1;
    }
}

std::size_t Matcher::next(std::size_t boundary) {
    for (std::size_t from = boundary;;) {
        std::size_t hit = candidate(from);
        if (hit == npos)
            return npos;
        // Count the bytes of 0x80 and above just before the candidate, back to
        // the last byte below 0x80 or to the known boundary.
        std::size_t start = hit;
        while (start > boundary && is_lead_byte(m_text[start - 1]))
            --start;
        if ((hit - start) % 2 == 0)
            return hit;
        // The candidate is the second byte of a character: the walk stands
        // right after it.
        boundary = hit + 1;
        from = boundary;
    }
}

}  // namespace quilbex::commands
