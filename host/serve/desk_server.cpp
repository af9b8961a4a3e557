#include "desk_server.h"

#include "served_page.h"

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>

desk_server::desk_server(http_endpoint& endpoint, live_desks& desks, event_stream& events,
                         serve_settings settings)
    : served(desks), stream(events), deskRoutes(table, desks, events, std::move(settings)),
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
            emulator& host = served.host();
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
        served.host().finish();
    }
}

bool desk_server::onEmulatorThread(std::function<void()> work) {
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> ran = done->get_future();
    if (!queue.post([done, work = std::move(work)] {
            try {
                work();
            } catch (...) {
                // A job must not throw into the queue; this one has run, as far as it got.
            }
            done->set_value();
        })) {
        return false;
    }
    try {
        ran.get();
        return true;
    } catch (const std::future_error&) {
        return false; // dropped unrun: the queue closed
    }
}
