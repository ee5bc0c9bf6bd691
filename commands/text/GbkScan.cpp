#include "commands/text/GbkScan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quilbex::commands {
namespace {

// Short needles are compared inline; a call to memcmp costs more than the
// comparison itself there.
bool same_bytes(const char* a, const char* b, std::size_t n) {
    if (n > 16)
        return std::memcmp(a, b, n) == 0;
    for (std::size_t i = 0; i < n; ++i)
        if (a[i] != b[i])
            return false;
    return true;
}

// Whether all eight bytes at p are 0x80 or above.
bool all_lead_bytes(const char* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ULL) == 0x8080808080808080ULL;
}

}  // namespace

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
        // Look for the first byte with memchr and compare the rest, which is
        // fastest while the first byte is rare; once false candidates pile up
        // (a frequent first byte), hand over to memmem, which stays linear.
        while (!m_use_memmem) {
            const void* first = std::memchr(m_text + from, m_needle.front(), last_start + 1 - from);
            if (!first)
                return npos;
            std::size_t at = static_cast<std::size_t>(static_cast<const char*>(first) - m_text);
            if (same_bytes(m_text + at + 1, m_needle.data() + 1, n - 1))
                return at;
            m_scanned += at + 1 - from;
            if (++m_false_hits > 32 && m_false_hits * 16 > m_scanned)
                m_use_memmem = true;
            from = at + 1;
            if (from > last_start)
                return npos;
        }
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
        while (start >= boundary + 8 && all_lead_bytes(m_text + start - 8))
            start -= 8;
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
