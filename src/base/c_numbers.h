// Number text read the way the C library reads it in the "C" locale, quickly.
#pragma once

#include <charconv>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "base/file_io.h"

namespace plikatra {

// Both are inline: readers call them for every number of files of tens of megabytes.

// strtod on one word; text that is no number gives 0. Plain decimal numbers take a quick
// correctly rounded path, which gives strtod's value; the rest goes to strtod itself.
inline double parseCDouble(std::string_view w) {
    const char* b = w.data();
    const char* e = b + w.size();
    const char* digits = (b < e && *b == '-') ? b + 1 : b;
    const bool hex = e - digits >= 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X');
    if (!hex) {
        double value = 0.0;
        if (std::from_chars(b, e, value).ec == std::errc()) return value;
    }
    char small[64];
    std::string large;
    const char* text;
    if (w.size() < sizeof small) {
        std::memcpy(small, w.data(), w.size());
        small[w.size()] = '\0';
        text = small;
    } else {
        large.assign(w);
        text = large.c_str();
    }
    return ::strtod_l(text, nullptr, cLocale());
}

// A number as a work file gives it back: written with "%f" (six decimals), read with strtod
// (so that "-0.000000" and "0.000000" are the same).
inline double storedWithSixDecimals(double v) {
    char text[400];
    std::snprintf(text, sizeof text, "%f", v);
    return std::strtod(text, nullptr);
}

// atoi on one word: (int) strtol(text, NULL, 10), saturating at the range of long before
// the narrowing.
inline int parseCInt(std::string_view w) {
    const char* b = w.data();
    const char* e = b + w.size();
    while (b < e && (*b == ' ' || (*b >= '\t' && *b <= '\r'))) ++b;
    bool negative = false;
    if (b < e && (*b == '+' || *b == '-')) negative = *b++ == '-';
    const unsigned long long limit = negative ? static_cast<unsigned long long>(LONG_MAX) + 1
                                              : static_cast<unsigned long long>(LONG_MAX);
    unsigned long long acc = 0;
    bool saturated = false;
    for (; b < e && *b >= '0' && *b <= '9'; ++b) {
        const unsigned d = static_cast<unsigned>(*b - '0');
        if (saturated || acc > (limit - d) / 10) {
            saturated = true;
            continue;
        }
        acc = acc * 10 + d;
    }
    long value;
    if (saturated) value = negative ? LONG_MIN : LONG_MAX;
    else if (negative) value = acc == limit ? LONG_MIN : -static_cast<long>(acc);
    else value = static_cast<long>(acc);
    return static_cast<int>(value);
}


}  // namespace plikatra
