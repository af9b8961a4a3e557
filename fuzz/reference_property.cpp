#include "reference_property.h"

namespace {
constexpr std::size_t partLimit = 32;
}

reference_property referenceProperty(const std::string& text) {
    reference_property parsed;
    std::size_t separator = text.find_first_of(".=");
    parsed.name = text.substr(0, separator);
    while (separator != std::string::npos) {
        const std::size_t start = separator + 1;
        if (text[separator] == '=') {
            parsed.hasValue = true;
            parsed.value = text.substr(start);
            break;
        }
        if (parsed.parts.size() == partLimit - 1) {
            parsed.parts.push_back(text.substr(start)); // the last part keeps everything
            break;
        }
        separator = text.find_first_of(".=", start);
        parsed.parts.push_back(separator == std::string::npos
                                   ? text.substr(start)
                                   : text.substr(start, separator - start));
    }
    return parsed;
}
