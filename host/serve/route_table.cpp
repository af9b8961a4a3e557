#include "route_table.h"

#include "json_body.h"

void route_table::add(const std::string& method, const std::string& path, route_thread thread,
                      route_handler handler) {
    for (route& each : routes) {
        if (each.method == method && each.path == path) {
            each.thread = thread;
            each.handler = std::move(handler);
            return;
        }
    }
    routes.push_back({method, path, thread, std::move(handler)});
}

const route* route_table::find(const http_request& request, http_answer& refusal) const {
    std::string allowed;
    for (const route& each : routes) {
        if (each.path != request.path) {
            continue;
        }
        if (each.method == request.method) {
            return &each;
        }
        allowed += (allowed.empty() ? "" : ", ") + each.method;
    }
    if (allowed.empty()) {
        refusal = errorAnswer(404, "no such page: " + request.path);
    } else {
        refusal = errorAnswer(405, request.method + " " + request.path + ": use " + allowed);
        refusal.headers.emplace_back("Allow", allowed);
    }
    return nullptr;
}

http_answer route_table::answer(const route& chosen, const http_request& request) {
    try {
        return chosen.handler(request);
    } catch (const request_refused& refused) {
        return errorAnswer(refused.status, refused.message);
    } catch (const std::exception& error) {
        return errorAnswer(500, error.what());
    } catch (...) {
        return errorAnswer(500, "the route failed without a reason");
    }
}
