#include "json_body.h"

nlohmann::json readBody(const std::string& body) {
    nlohmann::json parsed;
    try {
        parsed = nlohmann::json::parse(body.empty() ? std::string("{}") : body);
    } catch (const nlohmann::json::parse_error& error) {
        throw request_refused{400, "the body is not JSON (at byte " + std::to_string(error.byte) +
                                       "): send one JSON object"};
    }
    if (!parsed.is_object()) {
        throw request_refused{400, "the body must be a JSON object"};
    }
    return parsed;
}

std::int64_t numberField(const nlohmann::json& body, const char* name) {
    const auto found = body.find(name);
    if (found == body.end() || !found->is_number_integer()) {
        throw request_refused{400, std::string("\"") + name + "\" must be a whole number"};
    }
    return found->get<std::int64_t>();
}

std::int32_t int32Field(const nlohmann::json& body, const char* name) {
    const std::int64_t value = numberField(body, name);
    if (value < -2147483647 || value > 2147483647) {
        throw request_refused{400, std::string("\"") + name + "\" is out of range"};
    }
    return static_cast<std::int32_t>(value);
}

std::string textField(const nlohmann::json& body, const char* name) {
    const auto found = body.find(name);
    if (found == body.end() || !found->is_string()) {
        throw request_refused{400, std::string("\"") + name + "\" must be a text"};
    }
    return found->get<std::string>();
}
