#include "desk_routes.h"

#include "json_body.h"
#include "panel_view.h"
#include "session_recorder.h"
#include "state_document.h"

#include <map>
#include <optional>
#include <random>

namespace {

using json = nlohmann::json;

// A name for this process's desks that no earlier process of them had: its versions and event
// serials start again from 1.
std::string runName() {
    std::random_device source;
    const auto high = static_cast<std::uint64_t>(source()) << 32;
    return std::to_string(high | source());
}

std::string jsonLine(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace

desk_routes::desk_routes(route_table& routes, live_desks& served, event_stream& events,
                         serve_settings chosen)
    : table(routes), desks(served), stream(events), settings(std::move(chosen)),
      changes([&served]() -> const emulator& { return served.host(); }), run(runName()) {
    stream.watch(changes);
    table.add("GET", "/api/state", route_thread::emulator,
              [this](const http_request&) { return jsonAnswer(200, currentState()); });
    addDeskActions();
}

void desk_routes::addAction(const std::string& path, desk_action work) {
    table.add("POST", path, route_thread::emulator,
              [this, work = std::move(work)](const http_request& request) -> http_answer {
                  const json body = readBody(request.body);
                  try {
                      return work(request, body);
                  } catch (const run_halted& why) {
                      halted(why);
                      return errorAnswer(409, stopped);
                  }
              });
}

void desk_routes::requireRunning() {
    if (!started) {
        throw request_refused{409, stopped.empty() ? "the desks are not running: start them "
                                                     "again (POST /api/restart)"
                                                   : stopped};
    }
    emulator& host = desks.host();
    if (host.clock().realtime()) {
        host.runUntil(host.clock().wallTime()); // the action happens now
    }
}

int desk_routes::deskAt(const json& body) const {
    const emulator& host = desks.host();
    const std::int64_t wanted = numberField(body, "desk");
    if (wanted < 1 || wanted > host.desks()) {
        throw request_refused{404, "no desk " + std::to_string(wanted) + ": the desks are 1 to " +
                                       std::to_string(host.desks())};
    }
    const int deskNumber = static_cast<int>(wanted);
    if (host.deskNumbered(deskNumber)->closed()) {
        throw request_refused{409, "desk " + std::to_string(deskNumber) + " is closed"};
    }
    return deskNumber;
}

const layout_control* desk_routes::controlOn(int deskNumber, const std::string& name) const {
    const emulator& host = desks.host();
    for (const auto& [id, shown] : host.deskNumbered(deskNumber)->panels()) {
        if (const layout_control* found = shown.control(name)) {
            return found;
        }
    }
    throw request_refused{404, "desk " + std::to_string(deskNumber) + " shows no control " + name};
}

http_answer desk_routes::outcome(const http_request& request, std::uint64_t since, bool refused,
                                 const std::string& message, bool views) {
    if (views) {
        desks.host().showViews();
    }
    const std::vector<std::string> records = stream.recordsAfter(since);
    json change = publishState();
    json answer = {{"outcome", refused ? "refused" : "done"},
                   {"message", message},
                   {"event", stream.latest()}};
    if (request.parameter("state") == "changes") {
        answer["changes"] = std::move(change);
    } else {
        answer["state"] = wholeState();
    }
    // The records are JSON texts already (a thousand of them for a large facility): they go in
    // as they are, not parsed and written again.
    http_answer done = jsonAnswer(200, answer);
    std::string list = "{\"records\":[";
    for (std::size_t i = 0; i < records.size(); ++i) {
        list += i == 0 ? "" : ",";
        list += records[i];
    }
    done.body.replace(0, 1, list + "],");
    return done;
}

void desk_routes::addDeskActions() {
    addAction("/api/click", [this](const http_request& request, const json& body) {
        requireRunning();
        emulator& host = desks.host();
        const int deskNumber = deskAt(body);
        const layout_control* control = controlOn(deskNumber, textField(body, "control"));
        const bool refused = !control->enabled;
        const std::string message =
            refused ? control->name + " is disabled" +
                          (control->disabledBy.empty() ? std::string()
                                                       : " (by \"" + control->disabledBy + "\")") +
                          ": the host did not deliver the click"
                    : std::string();
        const std::uint64_t since = mark();
        const std::int64_t at = host.clock().now();
        // A click the host cannot take (a label's) is refused with the host's reason.
        const action_result clicked = host.click(deskNumber, control->name);
        desks.carriedOut(clickLine(control->name), deskNumber, at, refused || !clicked.done);
        return outcome(request, since, refused || !clicked.done,
                       clicked.done ? message : clicked.problem);
    });

    addAction("/api/select", [this](const http_request& request, const json& body) {
        requireRunning();
        emulator& host = desks.host();
        const int deskNumber = deskAt(body);
        const layout_control* list = nullptr;
        if (body.contains("list")) {
            list = controlOn(deskNumber, textField(body, "list"));
            if (list->kind != control_kind::list) {
                throw request_refused{404, list->name + " is not a list"};
            }
        } else {
            for (const auto& [id, shown] : host.deskNumbered(deskNumber)->panels()) {
                list = list != nullptr ? list : shown.firstList();
            }
            if (list == nullptr) {
                throw request_refused{404, "desk " + std::to_string(deskNumber) + " shows no list"};
            }
        }
        std::int32_t index = 0;
        if (body.contains("item")) {
            const std::string item = textField(body, "item");
            const facility_device* device = host.plant().deviceNamed(list->itemsDevice);
            const facility_database* items =
                device ? host.plant().database(device->number, list->itemsDatabase) : nullptr;
            bool found = false;
            for (const auto& [each, itemText] :
                 items ? items->entries : std::map<std::int32_t, std::string>{}) {
                if (!found && itemText == item) {
                    index = each;
                    found = true;
                }
            }
            if (!found) {
                throw request_refused{404, list->name + " has no item \"" + item + "\""};
            }
        } else {
            index = int32Field(body, "index");
            if (!listItemText(*list, index, host.plant())) {
                throw request_refused{404, list->name + " has no item " + std::to_string(index)};
            }
        }
        const std::uint64_t since = mark();
        const std::int64_t at = host.clock().now();
        const bool refused = !list->enabled;
        host.select(deskNumber, list->name, index);
        desks.carriedOut(
            selectLine(index, list->name, listItemText(*list, index, host.plant()).value_or("")),
            deskNumber, at, refused);
        return outcome(request, since, false, std::string());
    });

    addAction("/api/route", [this](const http_request& request, const json& body) {
        requireRunning();
        emulator& host = desks.host();
        const auto routerField = body.find("router");
        std::optional<std::int32_t> device;
        if (routerField != body.end() && routerField->is_string()) {
            device = host.routerDevice(routerField->get<std::string>());
        } else if (routerField != body.end() && routerField->is_number_integer()) {
            device = host.routerDevice(std::to_string(routerField->get<std::int64_t>()));
        } else {
            throw request_refused{400, "\"router\" must be a router's name or device number"};
        }
        if (!device) {
            throw request_refused{404, "no such router: " + routerField->dump()};
        }
        const std::int32_t destination = int32Field(body, "destination");
        const std::int32_t source = int32Field(body, "source");
        const std::string refusal = host.routers().refusal(*device, source, destination);
        if (!refusal.empty()) {
            throw request_refused{404, refusal};
        }
        const std::uint64_t since = mark();
        const std::int64_t at = host.clock().now();
        host.routeBehind(*device, destination, source);
        const facility_device* named = host.plant().deviceNumbered(*device);
        desks.carriedOut(routeLine(named != nullptr ? named->name : std::to_string(*device),
                                   destination, source),
                         0, at, false);
        return outcome(request, since, false, std::string());
    });

    addAction("/api/advance", [this](const http_request& request, const json& body) {
        requireRunning();
        emulator& host = desks.host();
        if (host.clock().realtime()) {
            throw request_refused{409, "the clock follows the wall clock: start zeth-host serve "
                                       "with --virtual to step it"};
        }
        const std::int64_t milliseconds = numberField(body, "ms");
        if (milliseconds < 1 || milliseconds > 3600 * 1000) {
            throw request_refused{400, "\"ms\" must be 1 to 3600000 (an hour)"};
        }
        const std::uint64_t since = mark();
        const std::int64_t at = host.clock().now();
        host.advance(milliseconds);
        desks.waited(milliseconds, at);
        return outcome(request, since, false, std::string());
    });

    addAction("/api/line", [this](const http_request& request, const json& body) {
        requireRunning();
        const std::string line = textField(body, "line");
        const std::uint64_t since = mark();
        const line_outcome done = desks.line(line);
        if (done.what == line_outcome::verdict::unparsable) {
            throw request_refused{400, done.message};
        }
        if (done.what == line_outcome::verdict::notCarriedOut) {
            std::string why = done.message;
            for (const std::string& record : stream.recordsAfter(since)) {
                const json parsed = json::parse(record);
                if (why.empty() && parsed["kind"] == "problem") {
                    why = parsed["text"].get<std::string>();
                }
            }
            throw request_refused{404, why.empty() ? "the line could not be carried out" : why};
        }
        return outcome(request, since, false, done.message, false); // the runner showed the views
    });

    addAction("/api/restart", [this](const http_request& request, const json&) {
        if (started) {
            throw request_refused{409, "the desks are running already"};
        }
        const std::uint64_t since = mark();
        startDesks();
        if (!started) {
            throw request_refused{409, stopped};
        }
        return outcome(request, since, false, std::string());
    });
}

void desk_routes::begin() {
    if (settings.crashReport.empty()) {
        startDesks();
    } else {
        stream.publish("notice", jsonLine(json{{"text", settings.crashReport}}));
    }
}

void desk_routes::startDesks() {
    changes.everything();
    try {
        desks.start();
        started = true;
        stopped.clear();
        settings.crashReport.clear();
    } catch (const std::exception& error) {
        started = false;
        stopped = std::string("the desks could not start: ") + error.what();
        stream.publish("notice", jsonLine(json{{"text", stopped}}));
    }
}

void desk_routes::halted(const run_halted& why) {
    changes.everything();
    started = false;
    stopped = std::string("the desks stopped: ") + why.what();
    stream.publish("notice", jsonLine(json{{"text", stopped}}));
}

json desk_routes::fields() const {
    json state = stateFields(desks.host(), started, desks.currentDesk());
    state["run"] = run;
    state["crash"] = settings.crashReport.empty() ? json(nullptr) : json(settings.crashReport);
    state["stopped"] = stopped;
    for (const auto& [name, value] : extraFields) {
        state[name] = value();
    }
    return state;
}

void desk_routes::addStateField(const std::string& name, std::function<json()> value) {
    extraFields.emplace_back(name, std::move(value));
}

json desk_routes::wholeState() const {
    json state = stateDocument(desks.host(), started, desks.currentDesk());
    state.update(fields());
    state["version"] = changes.version();
    return state;
}

json desk_routes::currentState() {
    publishState();
    return wholeState();
}

json desk_routes::publishState() {
    std::optional<json> change;
    if (stream.latest() != takenUpTo || takenUpTo == 0) {
        change = changes.take(fields());
    }
    const int wholeReaders = stream.readers(state_form::whole);
    if (change) {
        stream.publish("changes", jsonLine(*change));
    }
    if (wholeReaders > 0 && (change || wholeReaders > wholeReadersServed)) {
        stream.publish("state", jsonLine(wholeState()));
    }
    wholeReadersServed = wholeReaders;
    takenUpTo = stream.latest();
    if (change) {
        return std::move(*change);
    }
    json unchanged = fields();
    unchanged["since"] = changes.version();
    unchanged["version"] = changes.version();
    unchanged["desks"] = json::array();
    unchanged["routers"] = json::array();
    return unchanged;
}
