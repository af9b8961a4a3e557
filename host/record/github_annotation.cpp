#include "github_annotation.h"

namespace {

// The text as a workflow command carries it: a property's value also escapes ':' and ','.
std::string escapedProperty(const std::string& text, bool property) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '%':
            escaped += "%25";
            break;
        case '\r':
            escaped += "%0D";
            break;
        case '\n':
            escaped += "%0A";
            break;
        case ':':
            escaped += property ? "%3A" : ":";
            break;
        case ',':
            escaped += property ? "%2C" : ",";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

} // namespace

std::string githubAnnotation(const std::string& level, const std::string& file, int line,
                             const std::string& message) {
    return "::" + level + " file=" + escapedProperty(file, true) +
           (line > 0 ? ",line=" + std::to_string(line) : std::string()) +
           "::" + escapedProperty(message, false) + "\n";
}
