#include "number_text.h"

#include <cstring>

namespace {

// "00" to "99", two characters each: decimal text is written two digits at a time.
constexpr char digitPairs[] = "00010203040506070809101112131415161718192021222324252627282930313233"
                              "34353637383940414243444546474849505152535455565758596061626364656667"
                              "6869707172737475767778798081828384858687888990919293949596979899";

char* writeDecimal(char* out, unsigned magnitude) noexcept {
    int length = 1;
    for (unsigned bound = 10U; length < 10 && magnitude >= bound; bound *= 10U) {
        ++length;
    }
    char* const end = out + length;
    char* at = end;
    while (magnitude >= 100U) {
        at -= 2;
        std::memcpy(at, digitPairs + 2U * (magnitude % 100U), 2);
        magnitude /= 100U;
    }
    if (magnitude >= 10U) {
        std::memcpy(at - 2, digitPairs + 2U * magnitude, 2);
    } else {
        at[-1] = static_cast<char>('0' + magnitude);
    }
    return end;
}

} // namespace

char* writeNumber(char* out, int value, int base) noexcept {
    const unsigned radix = base >= 2 && base <= 36 ? static_cast<unsigned>(base) : 10U;
    unsigned magnitude =
        value < 0 ? 0U - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    if (value < 0) {
        *out++ = '-';
    }
    if (radix == 10U) {
        return writeDecimal(out, magnitude);
    }
    char reversed[maxNumberLength];
    std::size_t used = 0;
    while (used == 0 || magnitude != 0U) {
        const unsigned digit = magnitude % radix;
        reversed[used++] = static_cast<char>(digit < 10U ? '0' + digit : 'a' + (digit - 10U));
        magnitude /= radix;
    }
    while (used > 0) {
        *out++ = reversed[--used];
    }
    return out;
}
