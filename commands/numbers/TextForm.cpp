// How values look as text: number patterns, logical words, dates.

#include "commands/numbers/NumberCommands.h"
#include "commands/numbers/OleDate.h"
#include "platform/kernel/CodePage.h"
#include "runtime/Blocks.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace quilbex::commands {
namespace {

// The program's words and patterns in GBK, converted once from this file's
// UTF-8.
struct Words {
    std::string yes = kernel::utf8_to_gbk("真");
    std::string no = kernel::utf8_to_gbk("假");
    std::string date = kernel::utf8_to_gbk("%d年%d月%d日");
    std::string hms = kernel::utf8_to_gbk("%d时%d分%d秒");
    std::string hm = kernel::utf8_to_gbk("%d时%d分");
    std::string h = kernel::utf8_to_gbk("%d时");
};

const Words& words() {
    static const Words kWords;
    return kWords;
}

const double kLog10Of2 = std::log10(2.0);

template <typename... Values> std::string format(const char* pattern, Values... values) {
    char buffer[100];
    int n = std::snprintf(buffer, sizeof buffer, pattern, values...);
    if (n <= 0)
        return {};
    return std::string(buffer, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof buffer - 1));
}

// Array or byte-set data up to the first zero byte.
std::string data_up_to_zero(const void* block, std::size_t element_size) {
    if (!block)
        return {};
    std::size_t size = rt::array_element_count(block) * element_size;
    auto* data = reinterpret_cast<const char*>(rt::array_data(block));
    const void* zero = std::memchr(data, 0, size);
    return std::string(data, zero ? static_cast<const char*>(zero) - data : size);
}

}  // namespace

double round_float_to_six_digits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    int e = static_cast<int>((bits >> 23) & 0xFF) - 127;
    int d = static_cast<int>(e * kLog10Of2);  // truncated toward zero
    double p = std::pow(10.0, std::abs(d));
    double x = value;
    double m = d > 0 ? std::fabs(x) / p : std::fabs(x) * p;
    if (m >= 10) {
        p *= 10;
        d += 1;
        m *= 10000;
    } else if (m >= 1) {
        m *= 100000;
    } else {
        p *= 10;
        d -= 1;
        m *= 1000000;
    }
    double i;
    double f = std::modf(m, &i);
    if (f >= 0.5)
        i += 1;
    p = std::copysign(p, x);
    return d > 0 ? i * (p * 0.00001) : i / (p * 100000);
}

std::string date_time_to_text(double date) {
    const Words& w = words();
    DateParts parts = split_ole_date(date);
    std::string text = format(w.date.c_str(), parts.year, parts.month, parts.day);
    if (parts.second != 0)
        text += format(w.hms.c_str(), parts.hour, parts.minute, parts.second);
    else if (parts.minute != 0)
        text += format(w.hm.c_str(), parts.hour, parts.minute);
    else if (parts.hour != 0)
        text += format(w.h.c_str(), parts.hour);
    return text;
}

std::string value_to_text(const rt::ArgRecord& value) {
    if (value.type == rt::kTypeByteSet)
        return data_up_to_zero(value.pointer(), 1);
    if (value.type & rt::kByReference) {
        std::size_t size = rt::numeric_size(value.type);
        return size ? data_up_to_zero(value.pointer(), size) : std::string();
    }
    switch (value.type) {
    case rt::kTypeByte: return format("%u", value.low & 0xFF);
    case rt::kTypeShort: return format("%d", static_cast<int>(static_cast<std::int16_t>(value.low & 0xFFFF)));
    case rt::kTypeInt: return format("%d", value.as_int());
    case rt::kTypeLong: return format("%lld", static_cast<long long>(value.as_long()));
    case rt::kTypeFloat: return format("%.6g", round_float_to_six_digits(value.as_float()));
    case rt::kTypeDouble: return format("%.13g", value.as_double());
    case rt::kTypeText: return value.text() ? std::string(value.text()) : std::string();
    case rt::kTypeBool: return value.low ? words().yes : words().no;
    case rt::kTypeDateTime: return date_time_to_text(value.as_double());
    default: return {};
    }
}

std::string half_width(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        if (i + 1 == text.size())
            break;  // a lead byte standing last is dropped
        auto next = static_cast<unsigned char>(text[++i]);
        if (c == 0xA3 && next > 0xA0 && next < 0xFF)
            out.push_back(static_cast<char>(next & 0x7F));
        else if (c == 0xA1 && next == 0xA1)
            out.push_back(' ');
        else if (c == 0xA1 && next == 0xAB)
            out.push_back('~');
        else if (c == 0xA1 && (next == 0xEE || next == 0xEF))
            out.push_back('*');
        else {
            out.push_back(static_cast<char>(c));
            out.push_back(static_cast<char>(next));
        }
    }
    return out;
}

}  // namespace quilbex::commands
