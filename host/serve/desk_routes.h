// desk_routes: the desks of one emulator as routes: what they show and the actions that work them.
//
//   GET  /api/state     the state document (state_document.h) with the run's own fields
//   POST /api/click     {"desk": 1, "control": "Dest_2"}
//   POST /api/select    {"desk": 1, "list": "Sources" (optional), "index": 5 | "item": "Studio A"}
//   POST /api/route     {"router": "R7 SDI Router" | 20, "destination": 102, "source": 5}
//   POST /api/advance   {"ms": 1000}          only on the virtual clock
//   POST /api/line      {"line": "click Take"} any line of the scenario language
//   POST /api/restart   {}                     starts the desks when they are not running
//
// The state document (GET /api/state) carries "version", the number of the latest change
// (state_changes.h), with the run's own fields "crash", "stopped" and "run" (a name of this
// process's desks: after a crash, or a restart of zeth-host, the versions begin again under
// another name, and a page that holds one of the old fetches the whole state).
//
// An action is answered 200 with {"outcome": "done" | "refused", "message", "records": [the JSON
// transcript records it caused], "event": the serial of the stream's latest event then (follow
// the stream from exactly there with Last-Event-ID), "state": the state document}; asked with
// "?state=changes" it carries "changes", the action's change, instead of "state" (the page asks
// so: for 1,000 desks the whole state is 2 MB). A click on a disabled control or on a label is
// "refused", an answer and not an error. Malformed JSON or a field of the wrong type is 400; an
// unknown desk, control, list item or router 404; a line of the scenario language that does not
// parse 400; an action while the desks are not running 409. None of these changes anything.
//
// Each action the page carries out is kept in the desks' session (live_desks.h) as its line of
// the scenario language; a click on a disabled control as a refused one.
//
// It also keeps the desks' run state (started, why they stopped, the report of a crashed earlier
// process) and publishes the "changes", "state" and "notice" events of the event stream.
//
// Threads: everything here runs on the emulator's thread (the routes are added as
// route_thread::emulator); the constructor runs on the thread that builds the server. The
// emulator, the stream and the table must outlive the object.
#pragma once

#include "event_stream.h"
#include "http_exchange.h"
#include "live_desks.h"
#include "route_table.h"
#include "state_changes.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

struct serve_settings {
    // Not empty: the previous process of these desks died (the supervisor's report of the
    // plug-in's crash). The page shows it, and the desks start only when the page asks.
    std::string crashReport;
};

// An action's work: given the request and its body (a JSON object), it returns the answer, or
// throws request_refused before it has changed anything. Emulator thread.
using desk_action = std::function<http_answer(const http_request&, const nlohmann::json&)>;

class desk_routes {
public:
    // Adds the routes above to table. The desks' actions are recorded in their session.
    desk_routes(route_table& table, live_desks& desks, event_stream& stream,
                serve_settings settings);
    desk_routes(const desk_routes&) = delete;
    desk_routes& operator=(const desk_routes&) = delete;

    // Adds POST path as an action: its body read as JSON (400 when it is not an object), a
    // refusal answered with its status, and a run that cannot go on (run_halted) answered 409
    // with the desks marked stopped and a "notice" event saying why.
    void addAction(const std::string& path, desk_action work);

    // Throws request_refused (409) unless the desks are running; on the real clock it first
    // delivers what has fallen due, so that the action happens now.
    void requireRunning();
    // The serial of the latest event: an action's records are those published after it.
    std::uint64_t mark() { return stream.latest(); }
    // The answer to request, an action: {"outcome", "message", "records" since mark, "event",
    // and "state" or "changes" as the request asks}, with the change published; views: show the
    // one-line views first, as the scenario runner does after every action.
    http_answer outcome(const http_request& request, std::uint64_t since, bool refused,
                        const std::string& message, bool views = true);

    // At the server's start: starts the desks, or, after a crashed earlier process, publishes
    // its report as a notice and waits for the page to ask (POST /api/restart).
    void begin();
    // Starts the desks (live_desks::start); when that fails the desks stay stopped, with the
    // reason published as a notice.
    void startDesks();
    bool running() const { return started; }
    // The run cannot go on: the desks are stopped and a notice says why.
    void halted(const run_halted& why);
    // When anything was published since the last call: publishes the change since then as a
    // "changes" event, and the whole state as a "state" event when anyone reads whole states (or
    // a new reader of them came). Returns the change, empty (no desks, no routers, "since" equal
    // to "version") when there was none.
    nlohmann::json publishState();
    // The whole state document at its version (publishing the change that brings it there),
    // with the run's own fields: "crash" (the supervisor's report, or null) and "stopped" (why
    // the desks stopped, or empty).
    nlohmann::json currentState();

    // A field more of the state (its value read on the emulator's thread whenever the state's
    // fields are drawn up, and so in every change too). Before the server runs.
    void addStateField(const std::string& name, std::function<nlohmann::json()> value);
    // The desks were made anew (a reload, a saved scenario played): every desk is looked at again
    // for the next change.
    void desksRemade() { changes.everything(); }

    // The body's "desk": 404 unless there is such a desk, 409 when it is closed.
    int deskAt(const nlohmann::json& body) const;
    // The control the desk shows by that name; 404 when it shows none.
    const layout_control* controlOn(int deskNumber, const std::string& name) const;

private:
    void addDeskActions();
    nlohmann::json fields() const;
    nlohmann::json wholeState() const;

    route_table& table;
    live_desks& desks;
    event_stream& stream;
    serve_settings settings;
    std::vector<std::pair<std::string, std::function<nlohmann::json()>>> extraFields;
    state_changes changes;
    const std::string run;
    bool started = false;
    std::string stopped;         // why the desks stopped (a runaway panel)
    std::uint64_t takenUpTo = 0; // the latest event when the last change was taken
    int wholeReadersServed = 0;  // readers of whole states when the last one was published
};
