#include "runtime/RuntimeError.h"
#include "runtime/TextToNumber.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using abacoria::rt::RuntimeError;
using abacoria::rt::textToNumber;

namespace {

struct Row {
    const char* name;
    std::string text;
    double expected;
};

// clang-format off
const Row values[] = {
    {"zero", std::string("0"), 0.0},
    {"digits", std::string("75"), 75.0},
    {"trailing point", std::string("1."), 1.0},
    {"decimal", std::string("1.5"), 1.5},
    {"lone point", std::string("."), 0.0},
    {"leading point", std::string(".5"), 0.5},
    {"second point ends the number", std::string("1.."), 1.0},
    {"third part ignored", std::string("1.2.3"), 1.2},
    {"zeros", std::string("000"), 0.0},
    {"zero point zero", std::string("0.0"), 0.0},
    {"empty", std::string(""), 0.0},
    {"letters only", std::string("abc"), 0.0},
    {"number then letters", std::string("12abc"), 12.0},
    {"letters then number", std::string("x12"), 0.0},
    {"blank inside", std::string("1 2"), 12.0},
    {"leading blanks", std::string("   42"), 42.0},
    {"tab and line feed", std::string("\t1\n2 3"), 123.0},
    {"blank around point", std::string("1 . 5"), 1.5},
    {"carriage return ends it", std::string("1\r2"), 1.0},
    {"comma ends it", std::string("1,5"), 1.0},
    {"minus", std::string("-7"), -7.0},
    {"plus", std::string("+7"), 7.0},
    {"blank after sign", std::string("- 7"), -7.0},
    {"lone sign", std::string("-"), 0.0},
    {"two signs", std::string("--7"), 0.0},
    {"sign after digits ends it", std::string("7-3"), 7.0},
    {"E", std::string("1E3"), 1000.0},
    {"D", std::string("1D3"), 1000.0},
    {"lower e", std::string("2.5e2"), 250.0},
    {"lower d", std::string("2d-1"), 0.2},
    {"exponent plus", std::string("1e+2"), 100.0},
    {"blank in exponent", std::string("1 E 2"), 100.0},
    {"marker without digits", std::string("5e"), 5.0},
    {"marker and sign without digits", std::string("5e-"), 5.0},
    {"marker then letters", std::string("5ex"), 5.0},
    {"exponent on a point", std::string(".e5"), 0.0},
    {"exponent on zero", std::string("0e999999"), 0.0},
    {"huge negative exponent underflows", std::string("1e-400"), 0.0},
    {"largest double", std::string("1.7976931348623157e308"), std::numeric_limits<double>::max()},
    {"many leading zeros", std::string("0000000000000000000000000000012"), 12.0},
    {"long fraction", std::string("0.1000000000000000000000000000000001"), 0.1},
    {"hex", std::string("&HFF"), 255.0},
    {"hex lower", std::string("&hff"), 255.0},
    {"hex 16-bit is signed", std::string("&HFFFF"), -1.0},
    {"hex 32-bit", std::string("&H10000"), 65536.0},
    {"hex 32-bit is signed", std::string("&HFFFFFFFF"), -1.0},
    {"octal", std::string("&O17"), 15.0},
    {"octal stops at 8", std::string("&O78"), 7.0},
    {"hex without digits", std::string("&H"), 0.0},
    {"ampersand alone", std::string("&7"), 0.0},
    {"non-ASCII digits", std::string("\xd9\xa1\xd9\xa2"), 0.0},
    {"number then non-ASCII", std::string("3\xc2\xbd"), 3.0},
    {"no-break space ends it", std::string("1\xc2\xa0" "2"), 1.0},
    {"NUL ends it", std::string("4\0" "5", 3), 4.0},
    {"smallest subnormal", std::string("4.9e-324"), std::numeric_limits<double>::denorm_min()},
    {"below half the smallest subnormal", std::string("2.4e-324"), 0.0},
    {"rounds down to the largest double", std::string("1.7976931348623158e308"), std::numeric_limits<double>::max()},
    {"hex 8000 is the lowest 16-bit", std::string("&H8000"), -32768.0},
    {"octal 177777 is -1", std::string("&O177777"), -1.0},
    {"blanks inside hex", std::string("& H 1\tF"), 31.0},
    {"exponent with many leading zeros", std::string("1e0000000000000000000000003"), 1000.0},
};

const Row overflows[] = {
    {"exponent", std::string("1e309"), 0},
    {"negative", std::string("-1D400"), 0},
    {"digits", std::string("1") + std::string(400, '0'), 0},
    {"digits after zeros and point", std::string("000.0001e320"), 0},
    {"giant exponent", std::string("9e99999999999999999999"), 0},
    {"hex beyond 32 bits", std::string("&H100000000"), 0},
    {"rounds up past the largest double", std::string("1.7976931348623159e308"), 0},
    {"octal beyond 32 bits", std::string("&O40000000000"), 0},
    {"blanks inside the exponent", std::string("1 e 3 0 9"), 0},
};
// clang-format on

} // namespace

TEST(TextToNumber, Values)
{
    for (const Row& row : values)
        EXPECT_EQ(textToNumber(row.text), row.expected) << row.name;
}

TEST(TextToNumber, OverflowIsError6)
{
    for (const Row& row : overflows) {
        try {
            textToNumber(row.text);
            ADD_FAILURE() << row.name << ": no overflow raised";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), 6) << row.name;
            EXPECT_STREQ(e.what(), "Overflow") << row.name;
        }
    }
}

TEST(TextToNumber, MegabyteOfDigits)
{
    std::string text = "1." + std::string(1 << 20, '7');
    EXPECT_LT(std::abs(textToNumber(text) - 1.7777777777777777), 1e-12);
    text = std::string(1 << 20, '0') + "5";
    EXPECT_EQ(textToNumber(text), 5.0);
}
