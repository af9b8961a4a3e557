#include "http_exchange.h"

#include <nlohmann/json.hpp>

namespace {

const std::string& valueOr(const std::map<std::string, std::string>& values,
                           const std::string& name) {
    static const std::string none;
    const auto found = values.find(name);
    return found == values.end() ? none : found->second;
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool decode(const std::string& text, std::string& decoded) {
    decoded.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            decoded += ' ';
        } else if (text[i] != '%') {
            decoded += text[i];
        } else if (i + 2 < text.size() && hexDigit(text[i + 1]) >= 0 &&
                   hexDigit(text[i + 2]) >= 0) {
            decoded += static_cast<char>(hexDigit(text[i + 1]) * 16 + hexDigit(text[i + 2]));
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

const std::string& http_request::header(const std::string& lowerName) const {
    return valueOr(headers, lowerName);
}

const std::string& http_request::parameter(const std::string& name) const {
    return valueOr(query, name);
}

http_answer errorAnswer(int status, const std::string& message) {
    return jsonAnswer(status, nlohmann::json{{"error", message}});
}

bool splitTarget(const std::string& target, std::string& path,
                 std::map<std::string, std::string>& query) {
    const std::size_t mark = target.find('?');
    if (!decode(target.substr(0, mark), path) || path.empty() || path.front() != '/') {
        return false;
    }
    query.clear();
    std::size_t at = mark == std::string::npos ? target.size() : mark + 1;
    while (at < target.size()) {
        std::size_t end = target.find('&', at);
        end = end == std::string::npos ? target.size() : end;
        const std::string pair = target.substr(at, end - at);
        const std::size_t equals = pair.find('=');
        std::string name;
        std::string value;
        if (!decode(pair.substr(0, equals), name) ||
            (equals != std::string::npos && !decode(pair.substr(equals + 1), value))) {
            return false;
        }
        if (!name.empty()) {
            query[name] = value;
        }
        at = end + 1;
    }
    return true;
}
