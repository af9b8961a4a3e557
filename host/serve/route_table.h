// route_table: what the server answers, by method and path, whatever transport carries it.
//
// The desk routes (desk_routes.h) and any other set of routes add themselves here once, before
// the server listens; the transport then looks every request up and runs its route where the
// route says: a route that reads or works the emulator runs on the emulator's thread (the
// transport posts it to the action_queue), a route that needs nothing of it (the page) runs on
// the transport's own thread. The event stream's route is marked as such and served by the
// transport from the event_stream.
//
// To add a route: table.add("POST", "/api/thing", route_thread::emulator, handler). The handler
// gets a copy of the request and returns its answer; it may throw request_refused (json_body.h),
// which is answered with that status and message. Any other exception is a 500 with its message.
//
// Threads: add() before the transport starts, from the thread that builds the server; find() and
// answer() from any thread afterwards (the table no longer changes).
#pragma once

#include "http_exchange.h"

#include <functional>
#include <string>
#include <vector>

enum class route_thread {
    emulator, // reads or changes the desks: runs on the emulator's thread, one at a time
    any,      // touches nothing shared: runs wherever the transport is
    stream,   // the event stream: the transport serves it from the event_stream
};

using route_handler = std::function<http_answer(const http_request&)>;

struct route {
    std::string method;
    std::string path;
    route_thread thread = route_thread::emulator;
    route_handler handler; // empty for the event stream
};

class route_table {
public:
    // Adds a route; a later route for the same method and path replaces it.
    void add(const std::string& method, const std::string& path, route_thread thread,
             route_handler handler);

    // The route for the request, or null with refusal set: 404 for a path nothing serves, 405
    // (with the methods it does take) for a method the path does not take.
    const route* find(const http_request& request, http_answer& refusal) const;

    // Runs the route's handler on the calling thread. Never throws: a refusal or an error becomes
    // its answer.
    static http_answer answer(const route& chosen, const http_request& request);

private:
    std::vector<route> routes;
};
