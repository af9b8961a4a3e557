#include "desk_server.h"

#include "served_page.h"

#include <algorithm>
#include <chrono>

desk_server::desk_server(http_endpoint& endpoint, emulator& target, event_stream& events,
                         serve_hooks hooks, serve_settings settings)
    : host(target), stream(events),
      deskRoutes(table, target, events, std::move(hooks), std::move(settings)),
      transport(endpoint, table, events, queue) {
    table.add("GET", "/", route_thread::any, [](const http_request&) {
        http_answer page;
        page.contentType = "text/html; charset=utf-8";
        page.body = servedPage();
        // Everything the page uses is inside it: the policy forbids anything else.
        page.headers = {{"Content-Security-Policy",
                         "default-src 'none'; script-src 'unsafe-inline'; style-src "
                         "'unsafe-inline'; connect-src 'self'; img-src data:"},
                        {"X-Content-Type-Options", "nosniff"},
                        {"Cache-Control", "no-store"}};
        return page;
    });
    table.add("GET", "/api/events", route_thread::stream, {});
}

void desk_server::run(const std::atomic<bool>& stopping) {
    transport.start();
    deskRoutes.begin();
    std::uint64_t streamed = 0; // the latest event the streams have been told of
    while (!stopping) {
        std::chrono::milliseconds wait(100);
        try {
            if (deskRoutes.running() && host.clock().realtime()) {
                host.runUntil(host.clock().wallTime());
                if (const auto due = host.nextDue()) {
                    const std::int64_t ahead = *due - host.clock().wallTime();
                    wait = std::chrono::milliseconds(std::clamp<std::int64_t>(ahead, 0, 100));
                }
            }
        } catch (const run_halted& why) {
            deskRoutes.halted(why);
        }
        deskRoutes.publishState();
        if (stream.latest() != streamed) {
            streamed = stream.latest();
            transport.published();
        }
        queue.runPending(wait);
    }
    queue.close();
    transport.stop();
    if (deskRoutes.running()) {
        host.finish();
    }
}
