// request_guard: whether a request can have come from the page itself, decided before any route.
//
// Refused: a Host header that names neither this machine's loopback nor the bound address (a page
// elsewhere reaching the desks through DNS rebinding; 403), a POST that names another site as its
// Origin (403), and a POST that is not JSON (415). A page of another site may post a form here
// without asking first (no preflight for a form's content types), but it names its own origin and
// cannot send JSON. Any thread; reads only the request.
#pragma once

#include "http_exchange.h"

#include <optional>
#include <string>

// The refusal, or nothing when the request may go on to its route.
std::optional<http_answer> foreignRequest(const http_request& request,
                                          const std::string& boundAddress);
