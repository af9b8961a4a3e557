#include "request_guard.h"

#include "http_endpoint.h"

std::optional<http_answer> foreignRequest(const http_request& request,
                                          const std::string& boundAddress) {
    if (!trustedHost(request.header("host"), boundAddress)) {
        return errorAnswer(403, "refused: the Host header names neither this machine's "
                                "loopback nor the address zeth-host serves on");
    }
    if (request.method != "POST") {
        return std::nullopt;
    }
    const std::string& origin = request.header("origin");
    const std::size_t scheme = origin.find("://");
    if (request.hasHeader("origin") &&
        (scheme == std::string::npos || !trustedHost(origin.substr(scheme + 3), boundAddress))) {
        return errorAnswer(403, "refused: the request comes from a page of another site (" +
                                    origin + ")");
    }
    if (request.header("content-type").rfind("application/json", 0) != 0) {
        return errorAnswer(415, "refused: actions are sent as JSON (Content-Type: "
                                "application/json)");
    }
    return std::nullopt;
}
