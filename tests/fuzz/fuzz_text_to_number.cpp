// Checks the program's text-to-number conversion against the plain reading
// in ReferenceNumber.h, for any bytes: both must agree on whether the value
// overflows and, if not, on the value to the last bit (the sign of zero
// included). Both round correctly to the nearest double, so no tolerance is
// needed. Built as a libFuzzer target with clang, and with a small driver of
// its own (fuzz_replay.cpp) for every compiler.
#include "ReferenceNumber.h"

#include "runtime/RuntimeError.h"
#include "runtime/TextToNumber.h"

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

void printText(std::string_view text)
{
    std::fputs("text: \"", stderr);
    for (unsigned char c : text.substr(0, 400)) {
        if (c >= 0x20 && c < 0x7f && c != '"' && c != '\\')
            std::fputc(c, stderr);
        else
            std::fprintf(stderr, "\\x%02x", c);
    }
    std::fprintf(stderr, "\"%s (%zu bytes)\n", text.size() > 400 ? "..." : "", text.size());
}

[[noreturn]] void disagree(std::string_view text, const char* what, double ours, double reference)
{
    std::fprintf(stderr, "textToNumber disagrees with the reference: %s\n", what);
    printText(text);
    std::fprintf(stderr, "ours: %a (%.17g), reference: %a (%.17g)\n", ours, ours, reference, reference);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const abacoria::reference::Reading expected = abacoria::reference::readNumber(text);
    bool overflow = false;
    double value = 0.0;
    try {
        value = abacoria::rt::textToNumber(text);
    } catch (const abacoria::rt::RuntimeError& e) {
        if (e.number() != abacoria::rt::errOverflow)
            disagree(text, "an error other than overflow", 0.0, expected.value);
        overflow = true;
    }
    if (overflow != expected.overflow)
        disagree(text, overflow ? "ours overflows, the reference does not" : "the reference overflows, ours does not",
                 value, expected.value);
    if (!overflow && std::bit_cast<std::uint64_t>(value) != std::bit_cast<std::uint64_t>(expected.value))
        disagree(text, "different values", value, expected.value);
    return 0;
}
