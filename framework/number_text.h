// number_text: the framework's one home for integers as text. Every decimal (or other base) text
// the framework writes, in commands and in zeth_string, comes from writeNumber or writeDecimal;
// every decimal text it reads goes through decimalValue or firstDecimal.
//
// writeNumber writes the text of value in base (2 to 36; anything else means 10) at out, with a
// leading '-' for a negative value and lower-case letters for digits beyond 9, and returns the
// end of what it wrote. It writes no NUL and never allocates. INT_MIN comes out whole.
// writeDecimal is its base-10 case, usable where a command is composed at compile time.
#pragma once

#include <cstddef>
#include <string_view>

// Room for the longest text of an int in any base: a sign and 32 binary digits.
inline constexpr std::size_t maxNumberLength = 33;
// Room for the longest decimal text of an int: "-2147483648".
inline constexpr std::size_t maxDecimalLength = 11;

char* writeNumber(char* out, int value, int base = 10) noexcept;

// "00" to "99", two characters each: short numbers are written two digits at a time.
inline constexpr char digitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233"
    "34353637383940414243444546474849505152535455565758596061626364656667"
    "6869707172737475767778798081828384858687888990919293949596979899";

// The decimal text of value at out (room for maxDecimalLength characters); returns its end.
constexpr char* writeDecimal(char* out, int value) noexcept {
    unsigned magnitude =
        value < 0 ? 0U - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    if (value < 0) {
        *out++ = '-';
    }
    // Commands carry mostly short numbers (device, destination, timer): up to three digits are
    // written at once, the last two as a pair from the table; longer ones digit by digit from the
    // end.
    if (magnitude < 10U) {
        out[0] = static_cast<char>('0' + magnitude);
        return out + 1;
    }
    if (magnitude < 100U) {
        out[0] = digitPairs[2U * magnitude];
        out[1] = digitPairs[2U * magnitude + 1U];
        return out + 2;
    }
    if (magnitude < 1000U) {
        const unsigned lastTwo = 2U * (magnitude % 100U);
        out[0] = static_cast<char>('0' + magnitude / 100U);
        out[1] = digitPairs[lastTwo];
        out[2] = digitPairs[lastTwo + 1U];
        return out + 3;
    }
    int length = 4;
    for (unsigned bound = 10000U; length < 10 && magnitude >= bound; bound *= 10U) {
        ++length;
    }
    char* const end = out + length;
    for (char* at = end; at != out; magnitude /= 10U) {
        *--at = static_cast<char>('0' + magnitude % 10U);
    }
    return end;
}

// The decimal value of the whole text: an optional sign and digits, with blanks (space, tab, CR,
// LF) allowed around them. 0 for the empty text and for anything else that is not such a number,
// including a number outside the int range.
int decimalValue(std::string_view text) noexcept;
// The first run of decimal digits anywhere in the text, negative when a '-' stands right before
// it: 3 for "Dest_3". 0 when there are no digits. A number beyond the int range saturates at
// INT_MAX (or INT_MIN), so that it can never pass for a small one.
int firstDecimal(std::string_view text) noexcept;
// The leading decimal number of a NUL-terminated text as atoi reads it (leading white space, a
// sign, digits up to the first other character; 0 without digits or for a null text), except
// that a number beyond the int range saturates at INT_MAX or INT_MIN instead of being undefined.
int leadingDecimal(const char* text) noexcept;
