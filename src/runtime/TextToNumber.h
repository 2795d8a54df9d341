#pragma once

#include <string_view>

namespace abacoria::rt {

// The classic runtime's text-to-number conversion: the value of the longest
// leading part of the text that reads as a number, 0 when there is none.
// Blanks, tabs and line feeds are dropped wherever they stand in that part;
// the decimal point is always "." whatever the locale; the exponent marker is
// E or D in either case; "&H" and "&O" read hexadecimal and octal integers.
// Throws RuntimeError(errOverflow) for a value beyond the double range.
double textToNumber(std::string_view text);

} // namespace abacoria::rt
