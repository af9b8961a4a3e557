// desk_server: the desks of one emulator served to a browser over HTTP.
//
// It puts together the route table (route_table.h) with the desk routes (desk_routes.h), the
// page, the event stream's route and the transport (http_transport.h) on a bound endpoint:
//   GET  /              the page (served_page.h)
//   GET  /api/events    server-sent events: "record", "line", "state", "notice" (event_stream.h);
//                       ?state=changes: "changes" in place of "state"; Last-Event-ID or ?after=N
//                       resumes after event N, and "missed" says that some are no longer kept
//   and the desk routes: GET /api/state, POST /api/click, /api/select, /api/route,
//   /api/advance, /api/line, /api/restart (desk_routes.h)
// Every answer but the page and the stream is one JSON object; an error is {"error": "one line
// saying what was wrong"}. Before any route, the request guard (request_guard.h) refuses what
// cannot have come from the page itself; the transport (http_transport.h) refuses what goes past
// a limit (serve_limits.h).
//
// Threads: run() is called on the emulator's thread, which is the only one that enters a panel
// or touches the emulator: the transport's threads post every route that needs the emulator to
// an action_queue, which run() works off between its own deliveries. The emulator, the
// transcript and the endpoint must outlive run(); onEmulatorThread() may be called from any other
// thread until run() has returned.
#pragma once

#include "action_queue.h"
#include "desk_routes.h"
#include "event_stream.h"
#include "http_endpoint.h"
#include "http_transport.h"
#include "route_table.h"

#include <atomic>
#include <functional>

class desk_server {
public:
    // The emulator's viewsOfEveryDeskUpTo for served desks: beyond 8 desks the transcript (and
    // so every stream and every action's answer) shows after an action the views of the desks it
    // changed, not a thousand unchanged ones.
    static constexpr int viewsOfEveryDeskUpTo = 8;

    // stream must be attached to the transcript the desks write.
    desk_server(http_endpoint& endpoint, live_desks& desks, event_stream& stream,
                serve_settings settings);
    desk_server(const desk_server&) = delete;
    desk_server& operator=(const desk_server&) = delete;

    // The routes, for more of them to be added before run().
    route_table& routes() { return table; }
    desk_routes& desks() { return deskRoutes; }

    // Runs work on the emulator's thread, between its deliveries, and waits for it: for a thread
    // of the server's own (the reload's) that must touch the desks. False when the server is
    // stopping and the work did not run. work must not throw.
    bool onEmulatorThread(std::function<void()> work);

    // Serves until stopping is set (checked at least every tenth of a second), then stops
    // listening and deletes every panel (each sends its closing notice). On the real clock it
    // delivers ticks as they fall due meanwhile.
    void run(const std::atomic<bool>& stopping);

private:
    live_desks& served;
    event_stream& stream;
    action_queue queue;
    route_table table;
    desk_routes deskRoutes;
    http_transport transport;
};
