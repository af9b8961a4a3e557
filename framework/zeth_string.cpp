#include "zeth_string.h"

#include "number_text.h"

#include <cstddef>

namespace {

bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

// Reads a marker number (1 to 99) at text[at], which follows a '%'. Returns 0 when there is none
// and stores the marker's length (without the '%') in digits.
int markerAt(const std::string& text, std::size_t at, std::size_t& digits) noexcept {
    digits = 0;
    if (at >= text.size() || !isDigit(text[at])) {
        return 0;
    }
    int number = text[at] - '0';
    digits = 1;
    if (at + 1 < text.size() && isDigit(text[at + 1])) {
        number = number * 10 + (text[at + 1] - '0');
        digits = 2;
    }
    if (number == 0) {
        digits = 0;
    }
    return number;
}

// The number text of value in base, without padding.
std::string numberText(int value, int base) {
    char digits[maxNumberLength];
    return std::string(digits, writeNumber(digits, value, base));
}

} // namespace

zeth_string::zeth_string(const char* source) : text(source != nullptr ? source : "") {}

zeth_string::zeth_string(int value, char fill, unsigned width, int base)
    : text(numberText(value, base)) {
    if (text.size() < width) {
        text.insert(0, width - text.size(), fill == 0 ? ' ' : fill);
    }
}

zeth_string::~zeth_string() = default;

zeth_string& zeth_string::operator=(const char* source) {
    text = source != nullptr ? source : "";
    return *this;
}

zeth_string& zeth_string::operator+=(const zeth_string& other) {
    text += other.text;
    return *this;
}

zeth_string& zeth_string::operator+=(const char* source) {
    if (source != nullptr) {
        text += source;
    }
    return *this;
}

zeth_string zeth_string::arg(const zeth_string& replacement) const {
    int lowest = 0;
    std::size_t digits = 0;
    for (std::size_t at = text.find('%'); at != std::string::npos; at = text.find('%', at + 1)) {
        const int number = markerAt(text, at + 1, digits);
        if (number != 0 && (lowest == 0 || number < lowest)) {
            lowest = number;
        }
    }
    zeth_string result;
    if (lowest == 0) {
        result.text = text;
        return result;
    }
    result.text.reserve(text.size() + replacement.text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == '%' && markerAt(text, at + 1, digits) == lowest) {
            result.text += replacement.text;
            at += 1 + digits;
        } else {
            result.text.push_back(text[at++]);
        }
    }
    return result;
}

zeth_string zeth_string::arg(int value, char fill, unsigned width, int base) const {
    return arg(zeth_string(value, fill, width, base));
}

bool zeth_string::operator==(int number) const noexcept {
    // Compare against the canonical decimal text without building it on the heap.
    char digits[maxDecimalLength];
    const char* end = writeDecimal(digits, number);
    return text.compare(0, std::string::npos, digits, static_cast<std::size_t>(end - digits)) == 0;
}

int zeth_string::toInt() const noexcept {
    return decimalValue(text);
}

int zeth_string::firstInt() const noexcept {
    return firstDecimal(text);
}

bool zeth_string::startsWith(const zeth_string& prefix) const noexcept {
    return text.compare(0, prefix.text.size(), prefix.text) == 0;
}

int zeth_string::split(char separator, zeth_string& left, zeth_string& right) const {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) {
        std::string whole = text; // left or right may be this very object
        right.text.clear();
        left.text = std::move(whole);
        return 0;
    }
    if (&left != this && &right != this) {
        left.text.assign(text, 0, at);
        right.text.assign(text, at + 1, std::string::npos);
        return 1;
    }
    std::string before = text.substr(0, at);
    std::string after = text.substr(at + 1);
    left.text = std::move(before);
    right.text = std::move(after);
    return 1;
}

zeth_string operator+(const zeth_string& left, const zeth_string& right) {
    zeth_string result(left);
    result += right;
    return result;
}

zeth_string operator+(const zeth_string& left, const char* right) {
    zeth_string result(left);
    result += right;
    return result;
}

zeth_string operator+(const char* left, const zeth_string& right) {
    zeth_string result(left);
    result += right;
    return result;
}

zeth_string fillMarkers(const char* pattern, std::initializer_list<const zeth_string*> arguments) {
    const std::string source = pattern != nullptr ? pattern : "";
    std::string result;
    result.reserve(source.size() + 16);
    std::size_t at = 0;
    std::size_t digits = 0;
    while (at < source.size()) {
        const int number = source[at] == '%' ? markerAt(source, at + 1, digits) : 0;
        if (number != 0 && static_cast<std::size_t>(number) <= arguments.size()) {
            const zeth_string* argument = *(arguments.begin() + (number - 1));
            if (argument != nullptr) {
                result += argument->str();
            }
            at += 1 + digits;
        } else {
            result.push_back(source[at++]);
        }
    }
    return zeth_string(result.c_str());
}
