// number_text: the framework's one integer-to-text formatter. Every decimal (or other base) text
// the framework writes, in commands and in zeth_string, comes from here.
//
// writeNumber writes the text of value in base (2 to 36; anything else means 10) at out, with a
// leading '-' for a negative value and lower-case letters for digits beyond 9, and returns the
// end of what it wrote. It writes no NUL and never allocates. INT_MIN comes out whole.
#pragma once

#include <cstddef>

// Room for the longest text of an int in any base: a sign and 32 binary digits.
inline constexpr std::size_t maxNumberLength = 33;
// Room for the longest decimal text of an int: "-2147483648".
inline constexpr std::size_t maxDecimalLength = 11;

char* writeNumber(char* out, int value, int base = 10) noexcept;
