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
    // Ten digits at most fit an int; the magnitude is kept in an unsigned long long so that the
    // range test below sees the true value.
    unsigned long long magnitude = 0;
    for (; at != end; ++at) {
        if (!isDigit(*at)) {
            return 0;
        }
        magnitude = magnitude * 10U + static_cast<unsigned>(*at - '0');
        if (magnitude > static_cast<unsigned long long>(INT_MAX) + 1U) {
            return 0;
        }
    }
    if (negative) {
        return magnitude > static_cast<unsigned long long>(INT_MAX) ? INT_MIN
                                                                    : -static_cast<int>(magnitude);
    }
    return magnitude > static_cast<unsigned long long>(INT_MAX) ? 0 : static_cast<int>(magnitude);
}

int firstDecimal(std::string_view text) noexcept {
    std::size_t at = 0;
    while (at < text.size() && !isDigit(text[at])) {
        ++at;
    }
    if (at == text.size()) {
        return 0;
    }
    const bool negative = at > 0 && text[at - 1] == '-';
    long long value = 0;
    for (; at < text.size() && isDigit(text[at]); ++at) {
        if (value <= static_cast<long long>(INT_MAX) + 1) {
            value = value * 10 + (text[at] - '0');
        }
    }
    if (negative) {
        return value > static_cast<long long>(INT_MAX) + 1 ? INT_MIN : static_cast<int>(-value);
    }
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
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
