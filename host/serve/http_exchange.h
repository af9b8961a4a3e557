// http_exchange: one HTTP request and its answer as the routes see them, whatever carries them.
//
// The transport fills an http_request from the wire (header names in lower case, the query
// decoded) and writes the http_answer back as it is; routes see nothing of sockets. Both are
// plain values, so a request travels to the emulator's thread as a copy and its answer back.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

struct http_request {
    std::string method;                         // "GET", "POST", ...
    std::string path;                           // "/api/click": the target up to its query
    std::map<std::string, std::string> query;   // "?state=changes": {"state": "changes"}
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;

    // The header's value; empty when the request has none.
    const std::string& header(const std::string& lowerName) const;
    bool hasHeader(const std::string& lowerName) const { return headers.count(lowerName) != 0; }
    // The query parameter's value; empty when the target has none.
    const std::string& parameter(const std::string& name) const;
};

struct http_answer {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
    // Headers besides Content-Type and Content-Length, which the transport writes itself.
    std::vector<std::pair<std::string, std::string>> headers;
};

// An answer whose body is one line of JSON: {"error": message}.
http_answer errorAnswer(int status, const std::string& message);
// An answer whose body is value as one line of JSON (invalid UTF-8 replaced), not to be cached.
template <typename Json> http_answer jsonAnswer(int status, const Json& value);

// Splits a request target into its path and its decoded query ("%20" and "+" are spaces).
// False when an escape is malformed or the path does not start with "/".
bool splitTarget(const std::string& target, std::string& path,
                 std::map<std::string, std::string>& query);

template <typename Json> http_answer jsonAnswer(int status, const Json& value) {
    http_answer answer;
    answer.status = status;
    answer.body = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    answer.headers.emplace_back("Cache-Control", "no-store");
    return answer;
}
