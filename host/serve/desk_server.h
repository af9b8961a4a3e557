// desk_server: the desks of one emulator served to a browser over HTTP.
//
// Routes (every answer but the page and the stream is one JSON object; an error is
// {"error": "one line saying what was wrong"}):
//   GET  /              the page (served_page.h)
//   GET  /api/state     the state document (state_document.h)
//   GET  /api/events    server-sent events: "record", "line", "state", "notice" (event_stream.h)
//   POST /api/click     {"desk": 1, "control": "Dest_2"}
//   POST /api/select    {"desk": 1, "list": "Sources" (optional), "index": 5 | "item": "Studio A"}
//   POST /api/route     {"router": "R7 SDI Router" | 20, "destination": 102, "source": 5}
//   POST /api/advance   {"ms": 1000}          only on the virtual clock
//   POST /api/line      {"line": "click Take"} any line of the scenario language
//   POST /api/restart   {}                     starts the desks when they are not running
// An action is answered 200 with {"outcome": "done" | "refused", "message", "records": [the
// JSON transcript records it caused], "state": the state document}; a click on a disabled
// control or on a label is "refused", an answer and not an error. Malformed JSON or a field of the
// wrong type is 400; an unknown desk, control, list item or router 404; a line of the scenario
// language that does not parse 400; an action while the desks are not running 409. None of these
// changes anything. A body over 64 KiB is 413, and a Host header that is neither a loopback
// name nor the bound address 403 (a page elsewhere reaching the desks through DNS rebinding).
// A POST must be JSON (else 415) and, when it names an Origin, come from this server's own
// (else 403): a page of another site cannot make the browser work the desks.
//
// Threads: run() is called on the emulator's thread, which is the only one that enters a panel
// or touches the emulator: HTTP requests, served on the server's own threads, post their work
// to an action_queue and wait for the answer. The emulator, the transcript and the endpoint must
// outlive run().
#pragma once

#include "action_queue.h"
#include "emulator.h"
#include "event_stream.h"
#include "http_endpoint.h"

#include <nlohmann/json.hpp>

#include <atomic>
#include <functional>
#include <string>

// The outcome of one line of the scenario language.
struct line_outcome {
    enum class verdict { done, unparsable, notCarriedOut };
    verdict what = verdict::done;
    std::string message; // why not, one line
};

// What the command line layer supplies: the desks' start and the scenario language.
struct serve_hooks {
    // Creates the desks and plays the opening scenarios. Emulator thread; may throw as
    // emulator::start does.
    std::function<void()> start;
    // Carries out one line of the scenario language on the emulator. Emulator thread.
    std::function<line_outcome(const std::string&)> line;
    // The desk the scenario language acts on now.
    std::function<int()> currentDesk;
};

struct serve_settings {
    // Not empty: the previous process of these desks died (the supervisor's report of the
    // plug-in's crash). The page shows it, and the desks start only when the page asks.
    std::string crashReport;
};

class desk_server {
public:
    // stream must be attached to the transcript the emulator writes.
    desk_server(http_endpoint& endpoint, emulator& host, event_stream& stream, serve_hooks hooks,
                serve_settings settings);
    desk_server(const desk_server&) = delete;
    desk_server& operator=(const desk_server&) = delete;

    // Serves until stopping is set (checked at least every tenth of a second), then stops
    // listening and deletes every panel (each sends its closing notice). On the real clock it
    // delivers ticks as they fall due meanwhile. Ignores SIGPIPE from then on, for the whole
    // process: a page that goes away mid-answer must not end it.
    void run(const std::atomic<bool>& stopping);

    // A request's answer: HTTP status and JSON body.
    struct answer {
        int status = 200;
        std::string body;
    };

private:
    void addRoutes();
    // Runs work on the emulator's thread and waits for its answer.
    answer onEmulatorThread(std::function<answer()> work);
    void publishState();
    // The state document with the run's own fields: "crash" (the supervisor's report, or null)
    // and "stopped" (why the desks stopped, or empty).
    nlohmann::json currentState() const;
    void startDesks();

    http_endpoint& endpoint;
    emulator& host;
    event_stream& stream;
    serve_hooks hooks;
    serve_settings settings;
    action_queue queue;
    bool started = false;        // emulator thread only
    std::string stopped;         // why the desks stopped (a runaway panel), emulator thread only
    std::uint64_t lastShown = 0; // the latest event the last state event covered
};
