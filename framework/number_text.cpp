#include "number_text.h"

#include <climits>

namespace {

constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}
constexpr bool isBlank(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

char* writeNumber(char* out, int value, int base) noexcept {
    const unsigned radix = base >= 2 && base <= 36 ? static_cast<unsigned>(base) : 10U;
    if (radix == 10U) {
        return writeDecimal(out, value);
    }
    unsigned magnitude =
        value < 0 ? 0U - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    if (value < 0) {
        *out++ = '-';
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

int decimalValue(std::string_view text) noexcept {
    const char* at = text.data();
    const char* end = at + text.size();
    // Most texts are plain digits that fit an int: read at once.
    if (!text.empty() && text.size() <= 9) {
        unsigned magnitude = 0;
        const char* digit = at;
        for (; digit != end && isDigit(*digit); ++digit) {
            magnitude = magnitude * 10U + static_cast<unsigned>(*digit - '0');
        }
        if (digit == end) {
            return static_cast<int>(magnitude);
        }
    }
    while (at != end && isBlank(*at)) {
        ++at;
    }
    while (end != at && isBlank(end[-1])) {
        --end;
    }
    bool negative = false;
    if (at != end && (*at == '-' || *at == '+')) {
        negative = *at == '-';
        ++at;
    }
    if (at == end) {
        return 0;
    }
    while (end - at > 1 && *at == '0') {
        ++at; // leading zeros change nothing
    }
    // Beyond ten digits no number fits an int; up to ten, the magnitude is exact in 64 bits.
    if (end - at > 10) {
        return 0;
    }
    unsigned long long magnitude = 0;
    for (; at != end; ++at) {
        if (!isDigit(*at)) {
            return 0;
        }
        magnitude = magnitude * 10U + static_cast<unsigned>(*at - '0');
    }
    if (negative) {
        if (magnitude > static_cast<unsigned long long>(INT_MAX) + 1U) {
            return 0;
        }
        return magnitude > static_cast<unsigned long long>(INT_MAX) ? INT_MIN
                                                                    : -static_cast<int>(magnitude);
    }
    return magnitude > static_cast<unsigned long long>(INT_MAX) ? 0 : static_cast<int>(magnitude);
}

int firstDecimal(std::string_view text) noexcept {
    const char* at = text.data();
    const char* const end = at + text.size();
    while (at != end && !isDigit(*at)) {
        ++at;
    }
    if (at == end) {
        return 0;
    }
    const bool negative = at != text.data() && at[-1] == '-';
    // Beyond INT_MAX + 1 the magnitude stops growing: the result saturates either way.
    const unsigned long long limit = static_cast<unsigned long long>(INT_MAX) + 1U;
    unsigned long long magnitude = 0;
    for (; at != end && isDigit(*at); ++at) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10U + static_cast<unsigned>(*at - '0');
        }
    }
    if (negative) {
        return magnitude >= limit ? INT_MIN : -static_cast<int>(magnitude);
    }
    return magnitude >= limit ? INT_MAX : static_cast<int>(magnitude);
}

int leadingDecimal(const char* text) noexcept {
    if (text == nullptr) {
        return 0;
    }
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
        ++text;
    }
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    // Beyond INT_MAX + 1 the magnitude stops growing: the result saturates either way.
    const unsigned long long limit = static_cast<unsigned long long>(INT_MAX) + 1U;
    unsigned long long magnitude = 0;
    for (; isDigit(*text); ++text) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10U + static_cast<unsigned>(*text - '0');
        }
    }
    if (negative) {
        return magnitude >= limit ? INT_MIN : -static_cast<int>(magnitude);
    }
    return magnitude >= limit ? INT_MAX : static_cast<int>(magnitude);
}
