#pragma once

// A second, deliberately plain reading of text as a number, to check the
// program's own conversion against. It shares nothing with it: it removes
// every blank first (blanks never end a number, so the number read from the
// squeezed text is the number read from the original), picks the number's
// characters with a straightforward scan, and leaves the arithmetic to the C
// library (strtod in the "C" locale, strtoull for "&H"/"&O").
#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>
#include <string_view>

namespace abacoria::reference {

struct Reading {
    bool overflow = false;
    double value = 0.0;
};

inline bool isDecimalDigit(char c) { return c >= '0' && c <= '9'; }

inline Reading readNumber(std::string_view text)
{
    std::string s;
    s.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\t' && c != '\n')
            s.push_back(c);

    std::size_t i = 0;
    if (!s.empty() && s[0] == '&') {
        if (s.size() < 2)
            return {};
        const char marker = s[1];
        int base = 0;
        if (marker == 'H' || marker == 'h')
            base = 16;
        else if (marker == 'O' || marker == 'o')
            base = 8;
        else
            return {};
        std::string digits;
        for (i = 2; i < s.size(); ++i) {
            const char c = s[i];
            const bool ok = base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : (c >= '0' && c <= '7');
            if (!ok)
                break;
            digits.push_back(c);
        }
        if (digits.empty())
            return {};
        errno = 0;
        const unsigned long long v = std::strtoull(digits.c_str(), nullptr, base);
        if (errno == ERANGE || v > 0xFFFFFFFFull)
            return {true, 0.0};
        if (v <= 0xFFFF)
            return {false, static_cast<double>(v >= 0x8000 ? static_cast<long long>(v) - 0x10000 : static_cast<long long>(v))};
        return {false, static_cast<double>(v >= 0x80000000ull ? static_cast<long long>(v) - 0x100000000ll
                                                              : static_cast<long long>(v))};
    }

    std::string number;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        number.push_back(s[i++]);
    bool point = false;
    int digits = 0;
    for (; i < s.size(); ++i) {
        if (isDecimalDigit(s[i])) {
            ++digits;
        } else if (s[i] == '.' && !point) {
            point = true;
        } else {
            break;
        }
        number.push_back(s[i]);
    }
    if (digits == 0)
        return {};
    if (i < s.size() && (s[i] == 'E' || s[i] == 'e' || s[i] == 'D' || s[i] == 'd')) {
        std::size_t j = i + 1;
        std::string exponent = "e";
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exponent.push_back(s[j++]);
        const std::size_t firstDigit = j;
        while (j < s.size() && isDecimalDigit(s[j]))
            exponent.push_back(s[j++]);
        if (j > firstDigit)
            number += exponent;
    }

    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    errno = 0;
    const double v = strtod_l(number.c_str(), nullptr, cLocale);
    if (errno == ERANGE && std::isinf(v))
        return {true, 0.0};
    return {false, v};
}

} // namespace abacoria::reference
