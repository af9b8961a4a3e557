#include "desk_server.h"

#include "panel_view.h"
#include "served_page.h"
#include "state_document.h"

#include <nlohmann/json.hpp>

#include <csignal>
#include <future>
#include <memory>
#include <optional>
#include <thread>

namespace {

using json = nlohmann::json;

// A request that cannot be carried out: its status and the one line that says why. Thrown and
// caught inside this file only, before anything has changed.
struct request_refused {
    int status;
    std::string message;
};

constexpr std::size_t bodyLimit = 64 * 1024;

std::string errorBody(const std::string& message) {
    return json{{"error", message}}.dump(-1, ' ', false, json::error_handler_t::replace);
}

json parseBody(const std::string& body) {
    json parsed;
    try {
        parsed = json::parse(body.empty() ? std::string("{}") : body);
    } catch (const json::parse_error& error) {
        throw request_refused{400, "the body is not JSON (at byte " + std::to_string(error.byte) +
                                       "): send one JSON object"};
    }
    if (!parsed.is_object()) {
        throw request_refused{400, "the body must be a JSON object"};
    }
    return parsed;
}

std::int64_t number(const json& body, const char* name) {
    const auto found = body.find(name);
    if (found == body.end() || !found->is_number_integer()) {
        throw request_refused{400, std::string("\"") + name + "\" must be a whole number"};
    }
    return found->get<std::int64_t>();
}

std::string text(const json& body, const char* name) {
    const auto found = body.find(name);
    if (found == body.end() || !found->is_string()) {
        throw request_refused{400, std::string("\"") + name + "\" must be a text"};
    }
    return found->get<std::string>();
}

std::int32_t small(std::int64_t value, const char* name) {
    if (value < -2147483647 || value > 2147483647) {
        throw request_refused{400, std::string("\"") + name + "\" is out of range"};
    }
    return static_cast<std::int32_t>(value);
}

// Why a request cannot have come from the page itself, if it cannot: a Host that is not this
// machine's (DNS rebinding), or an action posted by a page of another site. Such a page may post
// a form here without asking first (no preflight for a form's content types), but it names its
// own origin and cannot send JSON.
std::optional<request_refused> foreignRequest(const httplib::Request& request,
                                              const std::string& address) {
    if (!trustedHost(request.get_header_value("Host"), address)) {
        return request_refused{403, "refused: the Host header names neither this machine's "
                                    "loopback nor the address zeth-host serves on"};
    }
    if (request.method != "POST") {
        return std::nullopt;
    }
    const std::string origin = request.get_header_value("Origin");
    const std::size_t scheme = origin.find("://");
    if (request.has_header("Origin") &&
        (scheme == std::string::npos || !trustedHost(origin.substr(scheme + 3), address))) {
        return request_refused{403, "refused: the request comes from a page of another site (" +
                                        origin + ")"};
    }
    if (request.get_header_value("Content-Type").rfind("application/json", 0) != 0) {
        return request_refused{415, "refused: actions are sent as JSON (Content-Type: "
                                    "application/json)"};
    }
    return std::nullopt;
}

} // namespace

desk_server::desk_server(http_endpoint& served, emulator& target, event_stream& events,
                         serve_hooks calls, serve_settings chosen)
    : endpoint(served), host(target), stream(events), hooks(std::move(calls)),
      settings(std::move(chosen)) {
    addRoutes();
}

desk_server::answer desk_server::onEmulatorThread(std::function<answer()> work) {
    auto promise = std::make_shared<std::promise<answer>>();
    std::future<answer> future = promise->get_future();
    const bool posted = queue.post([promise, work = std::move(work)] {
        try {
            promise->set_value(work());
        } catch (...) {
            promise->set_exception(std::current_exception());
        }
    });
    const answer closing{503, errorBody("the desks are closing: zeth-host serve is stopping")};
    if (!posted) {
        return closing;
    }
    if (future.wait_for(std::chrono::minutes(1)) != std::future_status::ready) {
        return {503, errorBody("the emulator did not answer within a minute: a panel keeps it "
                               "busy; see the transcript")};
    }
    try {
        return future.get();
    } catch (const std::future_error&) {
        return closing;
    } catch (const std::exception& error) {
        return {500, errorBody(error.what())};
    }
}

void desk_server::addRoutes() {
    httplib::Server& http = endpoint.server();
    http.set_payload_max_length(bodyLimit);
    // An idle page's connection must not hold up the closing of the desks for long.
    http.set_keep_alive_timeout(1);
    const std::string address = endpoint.address();
    http.set_pre_routing_handler(
        [address](const httplib::Request& request, httplib::Response& response) {
            const std::optional<request_refused> refused = foreignRequest(request, address);
            if (!refused) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            response.status = refused->status;
            response.set_content(errorBody(refused->message), "application/json");
            return httplib::Server::HandlerResponse::Handled;
        });
    http.set_error_handler([](const httplib::Request& request, httplib::Response& response) {
        if (!response.body.empty()) {
            return;
        }
        std::string message = "the request failed with status " + std::to_string(response.status);
        if (response.status == 404) {
            message = "no such page: " + request.path;
        } else if (response.status == 413) {
            message = "the request body is over 64 KiB";
        }
        response.set_content(errorBody(message), "application/json");
    });

    http.Get("/", [](const httplib::Request&, httplib::Response& response) {
        // Everything the page uses is inside it: the policy forbids anything else.
        response.set_header("Content-Security-Policy",
                            "default-src 'none'; script-src 'unsafe-inline'; style-src "
                            "'unsafe-inline'; connect-src 'self'; img-src data:");
        response.set_header("X-Content-Type-Options", "nosniff");
        response.set_header("Cache-Control", "no-store");
        response.set_content(servedPage(), "text/html; charset=utf-8");
    });

    const auto reply = [](httplib::Response& response, const answer& given) {
        response.status = given.status;
        response.set_header("Cache-Control", "no-store");
        response.set_content(given.body, "application/json");
    };

    http.Get("/api/state", [this, reply](const httplib::Request&, httplib::Response& response) {
        reply(response, onEmulatorThread([this] {
                  return answer{
                      200, currentState().dump(-1, ' ', false, json::error_handler_t::replace)};
              }));
    });

    http.Get("/api/events", [this](const httplib::Request& request, httplib::Response& response) {
        std::uint64_t from = 0;
        const std::string last = request.get_header_value("Last-Event-ID");
        if (!last.empty()) {
            from = std::strtoull(last.c_str(), nullptr, 10);
        }
        response.set_header("Cache-Control", "no-store");
        response.set_chunked_content_provider(
            "text/event-stream", [this, from](std::size_t, httplib::DataSink& sink) mutable {
                const std::vector<stream_event> events =
                    stream.after(from, std::chrono::milliseconds(1000));
                if (stream.isClosed()) {
                    sink.done();
                    return true;
                }
                // Only the latest state counts: a page that catches up draws once.
                std::size_t lastState = events.size();
                for (std::size_t i = 0; i < events.size(); ++i) {
                    lastState = events[i].name == "state" ? i : lastState;
                }
                std::string chunk;
                for (std::size_t i = 0; i < events.size(); ++i) {
                    const stream_event& each = events[i];
                    from = each.serial;
                    if (each.name == "state" && i != lastState) {
                        continue;
                    }
                    chunk += "id: " + std::to_string(each.serial) + "\nevent: " + each.name +
                             "\ndata: " + each.data + "\n\n";
                }
                // A comment when nothing happened: a closed page is noticed by the failed write.
                if (chunk.empty()) {
                    chunk = ": waiting\n\n";
                }
                return sink.write(chunk.data(), chunk.size());
            });
    });

    // An action: the body is read here, everything else happens on the emulator's thread.
    using action = std::function<answer(const json&)>;
    const auto post = [this, &http, reply](const char* path, action work) {
        http.Post(path, [this, reply, work](const httplib::Request& request,
                                            httplib::Response& response) {
            json body;
            try {
                body = parseBody(request.body);
            } catch (const request_refused& refused) {
                reply(response, {refused.status, errorBody(refused.message)});
                return;
            }
            reply(response, onEmulatorThread([this, work, body]() -> answer {
                      try {
                          return work(body);
                      } catch (const request_refused& refused) {
                          return {refused.status, errorBody(refused.message)};
                      } catch (const run_halted& halted) {
                          started = false;
                          stopped = std::string("the desks stopped: ") + halted.what();
                          stream.publish("notice", json{{"text", stopped}}.dump());
                          return {409, errorBody(stopped)};
                      }
                  }));
        });
    };

    // Checks shared by the actions on a desk; each throws request_refused.
    const auto running = [this] {
        if (!started) {
            throw request_refused{409, stopped.empty() ? "the desks are not running: start them "
                                                         "again (POST /api/restart)"
                                                       : stopped};
        }
        if (host.clock().realtime()) {
            host.runUntil(host.clock().wallTime()); // the action happens now
        }
    };
    const auto deskAt = [this](const json& body) {
        const std::int64_t wanted = number(body, "desk");
        if (wanted < 1 || wanted > host.desks()) {
            throw request_refused{404, "no desk " + std::to_string(wanted) +
                                           ": the desks are 1 to " + std::to_string(host.desks())};
        }
        const int deskNumber = static_cast<int>(wanted);
        if (host.deskNumbered(deskNumber)->closed()) {
            throw request_refused{409, "desk " + std::to_string(deskNumber) + " is closed"};
        }
        return deskNumber;
    };
    const auto controlOn = [this](int deskNumber, const std::string& name) {
        for (const auto& [id, shown] : host.deskNumbered(deskNumber)->panels()) {
            if (const layout_control* found = shown.control(name)) {
                return found;
            }
        }
        throw request_refused{404,
                              "desk " + std::to_string(deskNumber) + " shows no control " + name};
    };
    // The answer to an action: its records since mark, and the state after it.
    const auto outcome = [this](std::uint64_t mark, bool refused, const std::string& message,
                                bool views = true) {
        if (views) {
            host.showViews(); // as the scenario runner shows them after every action
        }
        json records = json::array();
        for (const std::string& record : stream.recordsAfter(mark)) {
            records.push_back(json::parse(record));
        }
        return answer{200, json{{"outcome", refused ? "refused" : "done"},
                                {"message", message},
                                {"records", records},
                                {"state", currentState()}}
                               .dump(-1, ' ', false, json::error_handler_t::replace)};
    };

    post("/api/click", [=](const json& body) {
        running();
        const int deskNumber = deskAt(body);
        const layout_control* control = controlOn(deskNumber, text(body, "control"));
        const bool refused = !control->enabled;
        const std::string message =
            refused ? control->name + " is disabled" +
                          (control->disabledBy.empty() ? std::string()
                                                       : " (by \"" + control->disabledBy + "\")") +
                          ": the host did not deliver the click"
                    : std::string();
        const std::uint64_t mark = stream.latest();
        // A click the host cannot take (a label's) is refused with the host's reason.
        const action_result clicked = host.click(deskNumber, control->name);
        return outcome(mark, refused || !clicked.done, clicked.done ? message : clicked.problem);
    });

    post("/api/select", [=](const json& body) {
        running();
        const int deskNumber = deskAt(body);
        const layout_control* list = nullptr;
        if (body.contains("list")) {
            list = controlOn(deskNumber, text(body, "list"));
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
            const std::string item = text(body, "item");
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
            index = small(number(body, "index"), "index");
            if (!listItemText(*list, index, host.plant())) {
                throw request_refused{404, list->name + " has no item " + std::to_string(index)};
            }
        }
        const std::uint64_t mark = stream.latest();
        host.select(deskNumber, list->name, index);
        return outcome(mark, false, std::string());
    });

    post("/api/route", [=](const json& body) {
        running();
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
        const std::int32_t destination = small(number(body, "destination"), "destination");
        const std::int32_t source = small(number(body, "source"), "source");
        const std::string refusal = host.routers().refusal(*device, source, destination);
        if (!refusal.empty()) {
            throw request_refused{404, refusal};
        }
        const std::uint64_t mark = stream.latest();
        host.routeBehind(*device, destination, source);
        return outcome(mark, false, std::string());
    });

    post("/api/advance", [=](const json& body) {
        running();
        if (host.clock().realtime()) {
            throw request_refused{409, "the clock follows the wall clock: start zeth-host serve "
                                       "with --virtual to step it"};
        }
        const std::int64_t milliseconds = number(body, "ms");
        if (milliseconds < 1 || milliseconds > 3600 * 1000) {
            throw request_refused{400, "\"ms\" must be 1 to 3600000 (an hour)"};
        }
        const std::uint64_t mark = stream.latest();
        host.advance(milliseconds);
        return outcome(mark, false, std::string());
    });

    post("/api/line", [=](const json& body) {
        running();
        const std::string line = text(body, "line");
        const std::uint64_t mark = stream.latest();
        const line_outcome done = hooks.line(line);
        if (done.what == line_outcome::verdict::unparsable) {
            throw request_refused{400, done.message};
        }
        if (done.what == line_outcome::verdict::notCarriedOut) {
            std::string why = done.message;
            for (const std::string& record : stream.recordsAfter(mark)) {
                const json parsed = json::parse(record);
                if (why.empty() && parsed["kind"] == "problem") {
                    why = parsed["text"].get<std::string>();
                }
            }
            throw request_refused{404, why.empty() ? "the line could not be carried out" : why};
        }
        return outcome(mark, false, done.message, false); // the runner showed the views
    });

    post("/api/restart", [=](const json&) {
        if (started) {
            throw request_refused{409, "the desks are running already"};
        }
        const std::uint64_t mark = stream.latest();
        startDesks();
        if (!started) {
            throw request_refused{409, stopped};
        }
        return outcome(mark, false, std::string());
    });
}

void desk_server::startDesks() {
    try {
        hooks.start();
        started = true;
        stopped.clear();
        settings.crashReport.clear();
    } catch (const std::exception& error) {
        started = false;
        stopped = std::string("the desks could not start: ") + error.what();
        stream.publish("notice", json{{"text", stopped}}.dump());
    }
}

json desk_server::currentState() const {
    json state = stateDocument(host, started, hooks.currentDesk());
    state["crash"] = settings.crashReport.empty() ? json(nullptr) : json(settings.crashReport);
    state["stopped"] = stopped;
    return state;
}

void desk_server::publishState() {
    if (stream.latest() == lastShown && lastShown != 0) {
        return;
    }
    stream.publish("state", currentState().dump(-1, ' ', false, json::error_handler_t::replace));
    lastShown = stream.latest();
}

void desk_server::run(const std::atomic<bool>& stopping) {
#if !defined(_WIN32)
    // cpp-httplib writes to sockets without MSG_NOSIGNAL: a page closed mid-answer would end
    // the process with SIGPIPE (and the supervisor would blame the plug-in).
    std::signal(SIGPIPE, SIG_IGN);
#endif
    httplib::Server& http = endpoint.server();
    std::thread listener([&http] { http.listen_after_bind(); });
    // stop() before the server runs would be lost, and the listener never ended.
    for (int waited = 0; waited < 500 && !http.is_running(); ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (settings.crashReport.empty()) {
        startDesks();
    } else {
        stream.publish("notice", json{{"text", settings.crashReport}}.dump());
    }
    while (!stopping) {
        std::chrono::milliseconds wait(100);
        try {
            if (started && host.clock().realtime()) {
                host.runUntil(host.clock().wallTime());
                if (const auto due = host.nextDue()) {
                    const std::int64_t ahead = *due - host.clock().wallTime();
                    wait = std::chrono::milliseconds(std::clamp<std::int64_t>(ahead, 0, 100));
                }
            }
        } catch (const run_halted& halted) {
            started = false;
            stopped = std::string("the desks stopped: ") + halted.what();
            stream.publish("notice", json{{"text", stopped}}.dump());
        }
        publishState();
        queue.runPending(wait);
    }
    queue.close();
    stream.close();
    http.stop();
    listener.join();
    if (started) {
        host.finish();
    }
}
