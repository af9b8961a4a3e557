// bad_requests: requests that the served desks refuse, each with its status and a piece of its
// one-line message, none of which changes anything. The HTTP tests (desk_server_test.cpp) send
// them to a desk of the scripted plug-in, the load test (tests/load/) to two desks of R7_DESK
// while the server is under load: each row holds for both (desk 3 exists in neither).
#pragma once

#include <string>
#include <utility>
#include <vector>

struct bad_request {
    const char* name;
    const char* path;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    int status;
    const char* says; // in the one-line error
    const char* type = "application/json";
};

inline std::vector<bad_request> badRequests() {
    return {
        {"malformed JSON", "/api/click", R"({"desk": 1, "control": )", {}, 400, "not JSON"},
        {"not an object", "/api/click", "[1, 2]", {}, 400, "JSON object"},
        {"desk not a number",
         "/api/click",
         R"({"desk": "1", "control": "Take"})",
         {},
         400,
         "\"desk\" must be a whole number"},
        {"unknown desk", "/api/click", R"({"desk": 3, "control": "Take"})", {}, 404, "no desk 3"},
        {"unknown control",
         "/api/click",
         R"({"desk": 1, "control": "Teke"})",
         {},
         404,
         "shows no control Teke"},
        {"unknown list item",
         "/api/select",
         R"({"desk": 1, "index": 99})",
         {},
         404,
         "Sources has no item 99"},
        {"unknown item text",
         "/api/select",
         R"({"desk": 1, "item": "Studio Z"})",
         {},
         404,
         "no item \"Studio Z\""},
        {"unknown router",
         "/api/route",
         R"({"router": "R9", "destination": 1, "source": 1})",
         {},
         404,
         "no such router"},
        {"impossible crosspoint",
         "/api/route",
         R"({"router": 20, "destination": 101, "source": 999})",
         {},
         404,
         "999"},
        {"unparsable line", "/api/line", R"({"line": "clack Take"})", {}, 400, "clack"},
        {"line not carried out", "/api/line", R"({"line": "click Teke"})", {}, 404, "Teke"},
        {"step too long", "/api/advance", R"({"ms": 0})", {}, 400, "\"ms\""},
        {"body over 64 KiB",
         "/api/line",
         R"({"line": "view", "pad": ")" + std::string(64 * 1024, 'x') + "\"}",
         {},
         413,
         "64 KiB"},
        {"foreign Host",
         "/api/click",
         R"({"desk": 1, "control": "Dest_1"})",
         {{"Host", "rebound.example.com"}},
         403,
         "Host"},
        {"loopback lookalike Host",
         "/api/click",
         R"({"desk": 1, "control": "Dest_1"})",
         {{"Host", "127.0.0.1.rebound.example.com:8270"}},
         403,
         "Host"},
        {"post from another site",
         "/api/click",
         R"({"desk": 1, "control": "Dest_1"})",
         {{"Origin", "http://rebound.example.com"}},
         403,
         "another site"},
        {"a form's body",
         "/api/click",
         R"({"desk": 1, "control": "Dest_1"})",
         {},
         415,
         "JSON",
         "text/plain"},
        {"unknown route", "/api/undo", "{}", {}, 404, "no such page"},
        {"a route's other method", "/api/state", "{}", {}, 405, "use GET"},
        {"headers over 16 KiB",
         "/api/click",
         R"({"desk": 1, "control": "Dest_1"})",
         {{"X-Padding", std::string(17 * 1024, 'x')}},
         431,
         "16 KiB"},
    };
}
