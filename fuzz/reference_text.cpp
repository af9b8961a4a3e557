#include "reference_text.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdlib>

namespace {

struct marker {
    std::size_t at;     // position of the "%"
    std::size_t length; // "%" and its digits
    int number;         // 1 .. 99
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Every marker of text, left to right; a "%" followed by "0" or "00" is no marker.
std::vector<marker> markersOf(const std::string& text) {
    std::vector<marker> found;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '%' || at + 1 >= text.size() || !isDigit(text[at + 1])) {
            continue;
        }
        std::size_t digits = 1;
        if (at + 2 < text.size() && isDigit(text[at + 2])) {
            digits = 2;
        }
        const int number = std::atoi(text.substr(at + 1, digits).c_str());
        if (number != 0) {
            found.push_back({at, digits + 1, number});
            at += digits; // the digits of a marker cannot start another one
        }
    }
    return found;
}

} // namespace

std::string referenceArg(const std::string& text, const std::string& replacement) {
    const std::vector<marker> markers = markersOf(text);
    int lowest = INT_MAX;
    for (const marker& m : markers) {
        lowest = m.number < lowest ? m.number : lowest;
    }
    std::string result;
    std::size_t copied = 0;
    for (const marker& m : markers) {
        if (m.number != lowest) {
            continue;
        }
        result += text.substr(copied, m.at - copied);
        result += replacement;
        copied = m.at + m.length;
    }
    return result + text.substr(copied);
}

std::string referenceFillMarkers(const std::string& pattern,
                                 const std::vector<std::string>& arguments) {
    std::string result;
    std::size_t copied = 0;
    for (const marker& m : markersOf(pattern)) {
        if (static_cast<std::size_t>(m.number) > arguments.size()) {
            continue;
        }
        result += pattern.substr(copied, m.at - copied);
        result += arguments[static_cast<std::size_t>(m.number) - 1];
        copied = m.at + m.length;
    }
    return result + pattern.substr(copied);
}

std::string referenceNumber(int value, char fill, unsigned width, int base) {
    if (base < 2 || base > 36) {
        base = 10;
    }
    char digits[64];
    const std::to_chars_result written = std::to_chars(digits, digits + sizeof digits, value, base);
    std::string text(digits, written.ptr);
    if (text.size() < width) {
        text.insert(0, width - text.size(), fill == 0 ? ' ' : fill);
    }
    return text;
}

int referenceToInt(const std::string& text) {
    const char* blanks = " \t\r\n";
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return 0;
    }
    const std::string core = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    const std::size_t digitsFrom = core[0] == '-' || core[0] == '+' ? 1 : 0;
    if (digitsFrom == core.size() ||
        core.find_first_not_of("0123456789", digitsFrom) != std::string::npos) {
        return 0;
    }
    errno = 0;
    const long long value = std::strtoll(core.c_str(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        return 0;
    }
    return static_cast<int>(value);
}

int referenceFirstInt(const std::string& text) {
    const std::size_t first = text.find_first_of("0123456789");
    if (first == std::string::npos) {
        return 0;
    }
    std::size_t end = text.find_first_not_of("0123456789", first);
    if (end == std::string::npos) {
        end = text.size();
    }
    std::string digits = text.substr(first, end - first);
    if (first > 0 && text[first - 1] == '-') {
        digits.insert(0, "-");
    }
    errno = 0;
    const long long value = std::strtoll(digits.c_str(), nullptr, 10); // saturates on overflow
    if (value > INT_MAX) {
        return INT_MAX;
    }
    if (value < INT_MIN) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

std::vector<std::string> referencePieces(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    if (text.empty()) {
        return pieces;
    }
    std::string current;
    for (const char c : text) {
        if (c == separator) {
            pieces.push_back(current);
            current.clear();
        } else {
            current.push_back(c);
        }
    }
    pieces.push_back(current);
    return pieces;
}
