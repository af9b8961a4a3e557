// json_body: an action's JSON body read field by field, and the refusal of one that will not do.
//
// Routes read their body with these and let request_refused go: the route layer answers it with
// its status and one line, {"error": message}. Every check runs before the action changes
// anything, so a refused request has changed nothing.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>

// A request that cannot be carried out: its HTTP status and the one line that says why.
struct request_refused {
    int status;
    std::string message;
};

// The body as one JSON object (an empty body is {}); 400 otherwise.
nlohmann::json readBody(const std::string& body);
// The field as a whole number; 400 when absent or of another type.
std::int64_t numberField(const nlohmann::json& body, const char* name);
// The field as a whole number of 32 bits (a device, destination, source or list index).
std::int32_t int32Field(const nlohmann::json& body, const char* name);
// The field as a text; 400 when absent or of another type.
std::string textField(const nlohmann::json& body, const char* name);
