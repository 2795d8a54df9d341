#include "runtime/TextToNumber.h"

#include "runtime/RuntimeError.h"

#include <cerrno>
#include <cmath>
#include <clocale>
#include <cstdlib>
#include <cstdint>
#include <string>

namespace abacoria::rt {

namespace {

bool isSkippedBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Walks the text, stepping over the blanks that the conversion ignores.
class Cursor {
public:
    explicit Cursor(std::string_view text)
        : text_(text)
    {
        skipBlanks();
    }

    bool atEnd() const { return pos_ >= text_.size(); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    void advance()
    {
        ++pos_;
        skipBlanks();
    }
    std::size_t position() const { return pos_; }
    void rewind(std::size_t pos) { pos_ = pos; }

private:
    void skipBlanks()
    {
        while (pos_ < text_.size() && isSkippedBlank(text_[pos_]))
            ++pos_;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

int hexDigitValue(char c, int radix)
{
    int v = -1;
    if (c >= '0' && c <= '9')
        v = c - '0';
    else if (c >= 'a' && c <= 'f')
        v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        v = c - 'A' + 10;
    return v < radix ? v : -1;
}

// "&H1F", "&O17": integers of up to 32 bits. Like the classic runtime, values
// that fit in 16 bits read as a signed 16-bit integer ("&HFFFF" is -1) and
// wider ones as a signed 32-bit integer.
double radixNumber(Cursor& in, int radix)
{
    std::uint64_t value = 0;
    while (true) {
        const int digit = hexDigitValue(in.peek(), radix);
        if (digit < 0)
            break;
        value = value * static_cast<std::uint64_t>(radix) + static_cast<std::uint64_t>(digit);
        if (value > 0xFFFFFFFFull)
            throw RuntimeError(errOverflow);
        in.advance();
    }
    if (value <= 0xFFFFull)
        return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

} // namespace

double textToNumber(std::string_view text)
{
    Cursor in(text);

    if (in.peek() == '&') {
        const std::size_t start = in.position();
        in.advance();
        const char marker = in.peek();
        if (marker == 'H' || marker == 'h') {
            in.advance();
            return radixNumber(in, 16);
        }
        if (marker == 'O' || marker == 'o') {
            in.advance();
            return radixNumber(in, 8);
        }
        in.rewind(start);
        return 0.0;
    }

    bool negative = false;
    if (in.peek() == '+' || in.peek() == '-') {
        negative = in.peek() == '-';
        in.advance();
    }

    // The mantissa as plain digits with at most one point.
    std::string number;
    bool sawPoint = false;
    bool sawDigit = false;
    bool sawNonZero = false;
    while (true) {
        const char c = in.peek();
        if (isDigit(c)) {
            sawDigit = true;
            sawNonZero = sawNonZero || c != '0';
            number.push_back(c);
        } else if (c == '.' && !sawPoint) {
            sawPoint = true;
            number.push_back(c);
        } else {
            break;
        }
        in.advance();
    }
    if (!sawDigit)
        return 0.0;

    // Exponent: a marker counts only when digits follow it.
    long long exponent = 0;
    const char marker = in.peek();
    if (marker == 'E' || marker == 'e' || marker == 'D' || marker == 'd') {
        const std::size_t markerPos = in.position();
        in.advance();
        bool negativeExponent = false;
        if (in.peek() == '+' || in.peek() == '-') {
            negativeExponent = in.peek() == '-';
            in.advance();
        }
        if (isDigit(in.peek())) {
            while (isDigit(in.peek())) {
                if (exponent < 1'000'000'000)
                    exponent = exponent * 10 + (in.peek() - '0');
                in.advance();
            }
            if (negativeExponent)
                exponent = -exponent;
        } else {
            in.rewind(markerPos);
        }
    }

    if (!sawNonZero)
        return negative ? -0.0 : 0.0;

    number += 'e';
    number += std::to_string(exponent);
    // strtod reads the decimal point of the C library's locale, which a
    // toolkit may have set from the environment: hand it the one it reads.
    // (Not from_chars: the browser build's C++ library has none for floats.)
    if (const std::string_view point = std::localeconv()->decimal_point; point != ".")
        if (const auto at = number.find('.'); at != std::string::npos)
            number.replace(at, 1, point);
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    // Too large overflows; too small reads as the nearest subnormal or zero.
    if (errno == ERANGE && std::isinf(value))
        throw RuntimeError(errOverflow);
    if (end == number.c_str())
        return 0.0;
    return negative ? -value : value;
}

} // namespace abacoria::rt
