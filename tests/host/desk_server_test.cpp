// The served desks over HTTP, driven with cpp-httplib's client against a server on a free port of
// this process, running the scripted plug-in: the state document, an action and its outcome, the
// live stream, every refused request (with its status, and nothing changed), the Host check and
// the one-thread rule.
#include "bad_requests.h"
#include "desk_server.h"
#include "scripted_host.h"
#include "session_routes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <fstream>
#include <sstream>
#include <thread>

using ::testing::HasSubstr;
using json = nlohmann::json;

namespace {

// A server on 127.0.0.1 and a free port, its emulator on a thread of its own: the emulator's
// thread, the only one that may enter the panels.
class served_desks {
public:
    explicit served_desks(const std::vector<std::string>& commandControls, int desks = 1) {
        record.attach(stream);
        layout_store layouts = builtinLayouts();
        layouts.addBuiltin("test.zeth_ui", scriptedLayout(commandControls));
        live = std::make_unique<live_desks>(
            live_setup{builtinFacility(),
                       std::move(layouts),
                       emulator_options{ZETH_SCRIPTED_PLUGIN, "<built-in>", false},
                       desks,
                       {},
                       {}},
            record, messages);
        server = std::make_unique<desk_server>(endpoint, *live, stream, serve_settings{});
        std::filesystem::create_directories(folder);
        sessions = std::make_unique<session_routes>(
            server->routes(), server->desks(), *live,
            session_files{folder.string(), ZETH_SCRIPTED_PLUGIN, "", {}});
        emulatorThread = std::thread([this] { server->run(stopping); });
        for (int tries = 0; tries < 500 && !state().value("started", false); ++tries) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~served_desks() {
        stopping = true;
        emulatorThread.join();
    }

    httplib::Result post(const std::string& path, const std::string& body,
                         const httplib::Headers& headers = {},
                         const char* type = "application/json") {
        return client.Post(path.c_str(), headers, body, type);
    }
    json state() {
        const httplib::Result got = client.Get("/api/state");
        return got && got->status == 200 ? json::parse(got->body) : json::object();
    }
    // How many transcript records have been written so far.
    std::size_t records() { return stream.recordsAfter(0).size(); }

    std::atomic<bool> stopping{false};
    event_stream stream;
    transcript record;
    std::ostringstream messages;
    http_endpoint endpoint{"127.0.0.1", 0};
    // Where the page saves scenarios: a folder of this server's own.
    const std::filesystem::path folder =
        scratchFolder() / ("saved-" + std::to_string(endpoint.port()));
    std::unique_ptr<live_desks> live;
    std::unique_ptr<desk_server> server;
    std::unique_ptr<session_routes> sessions;
    std::thread emulatorThread;
    httplib::Client client{"127.0.0.1", endpoint.port()};
};

const std::string disableTake = "CD '1' 'Take'";
const std::string listenTo101 = "RR 20 101 101";

json control(const json& state, const std::string& name) {
    for (const json& each : state["desks"][0]["panels"][0]["controls"]) {
        if (each["name"] == name) {
            return each;
        }
    }
    return json();
}

std::vector<std::string> commands(const json& answer) {
    std::vector<std::string> texts;
    for (const json& record : answer["records"]) {
        if (record["kind"] == "command") {
            texts.push_back(record["text"]);
        }
    }
    return texts;
}

TEST(desk_server, state_document_draws_the_desk_and_the_routers_it_uses) {
    served_desks served({disableTake, listenTo101});
    const json state = served.state();
    ASSERT_TRUE(state.value("started", false)) << state.dump();
    EXPECT_EQ(state["desks"].size(), 1u);
    const json sources = control(state, "Sources");
    EXPECT_EQ(sources["kind"], "list");
    EXPECT_EQ(sources["items"].size(), 12u);
    EXPECT_EQ(sources["items"][4]["text"], "Studio A");
    EXPECT_EQ(control(state, "Dest_1")["latching"], true);
    EXPECT_EQ(control(state, "Dest_1")["lit"], false);
    EXPECT_EQ(control(state, "Take")["properties"]["statesheet"], "KX_TakeHigh");
    EXPECT_EQ(state["time_ms"], 0);
    EXPECT_EQ(state["realtime"], false);

    // The page comes from inside the program, and its policy lets it load nothing else.
    const httplib::Result page = served.client.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_THAT(page->get_header_value("Content-Type"), HasSubstr("text/html"));
    EXPECT_THAT(page->get_header_value("Content-Security-Policy"), HasSubstr("default-src 'none'"));
    EXPECT_THAT(page->body, HasSubstr("new EventSource(\"/api/events?state=changes\""));

    // A crosspoint behind the panels, on a destination the desk listens to: the routers' view
    // names the source's package.
    ASSERT_TRUE(served.post("/api/click", json{{"desk", 1}, {"control", listenTo101}}.dump()));
    const httplib::Result routed = served.post(
        "/api/route", R"({"router": "R7 SDI Router", "destination": 101, "source": 5})");
    ASSERT_TRUE(routed);
    EXPECT_EQ(routed->status, 200) << routed->body;
    const json routers = json::parse(routed->body)["state"]["routers"];
    ASSERT_EQ(routers.size(), 1u) << routers.dump();
    EXPECT_EQ(routers[0]["device"], 20);
    EXPECT_EQ(routers[0]["destinations"][0],
              json({{"number", 101}, {"source", 5}, {"package", "Studio A"}}));
}

TEST(desk_server, an_action_is_answered_with_its_outcome_and_streamed_live) {
    served_desks served({disableTake});
    // The live stream, read on a thread of its own until the action's command arrives.
    std::string streamed;
    std::thread reader([&] {
        httplib::Client sse("127.0.0.1", served.endpoint.port());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        sse.Get("/api/events", [&](const char* data, std::size_t length) {
            streamed.append(data, length);
            return streamed.find(R"("text":"CD '1' 'Take'")") == std::string::npos &&
                   std::chrono::steady_clock::now() < deadline;
        });
    });
    const httplib::Result clicked =
        served.post("/api/click", json{{"desk", 1}, {"control", disableTake}}.dump());
    reader.join();
    ASSERT_TRUE(clicked);
    EXPECT_EQ(clicked->status, 200) << clicked->body;
    const json answer = json::parse(clicked->body);
    EXPECT_EQ(answer["outcome"], "done");
    EXPECT_EQ(commands(answer), std::vector<std::string>{disableTake});
    EXPECT_EQ(control(answer["state"], "Take")["enabled"], false);
    EXPECT_THAT(streamed, HasSubstr("event: record\ndata: {\"kind\":\"command\""));
    EXPECT_THAT(streamed, HasSubstr(R"("text":"CD '1' 'Take'")"));

    // A click on the disabled Take is an answer, not an error: refused, with the reason.
    const httplib::Result refused = served.post("/api/click", R"({"desk": 1, "control": "Take"})");
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->status, 200);
    const json refusal = json::parse(refused->body);
    EXPECT_EQ(refusal["outcome"], "refused");
    EXPECT_THAT(refusal["message"].get<std::string>(), HasSubstr("Take is disabled"));
    EXPECT_TRUE(commands(refusal).empty());

    // Selection, the scenario language and the virtual clock's step, each answered in the same way.
    const httplib::Result selected =
        served.post("/api/select", R"({"desk": 1, "item": "Studio A"})");
    ASSERT_TRUE(selected);
    EXPECT_EQ(control(json::parse(selected->body)["state"], "Sources")["selected"], 5);
    const httplib::Result line = served.post("/api/line", R"({"line": "select 3"})");
    ASSERT_TRUE(line);
    EXPECT_EQ(control(json::parse(line->body)["state"], "Sources")["selected"], 3);
    const httplib::Result stepped = served.post("/api/advance", R"({"ms": 1500})");
    ASSERT_TRUE(stepped);
    EXPECT_EQ(json::parse(stepped->body)["state"]["time_ms"], 1500);
}

// The page's form of the answers: each action's change, numbered, holds the desks it touched and
// nothing else, and the changes applied in order give the whole state at the same version.
TEST(desk_server, an_action_answers_with_only_what_it_changed) {
    served_desks served({disableTake}, 2);
    json page = served.state();
    ASSERT_EQ(page["desks"].size(), 2u) << page.dump();
    struct step {
        const char* path;
        json body;
        std::vector<int> changedDesks;
    };
    const std::vector<step> steps = {
        {"/api/click", {{"desk", 1}, {"control", disableTake}}, {1}},
        {"/api/select", {{"desk", 2}, {"index", 3}}, {2}},
        {"/api/click", {{"desk", 1}, {"control", "Take"}}, {}}, // refused: nothing changes
        {"/api/advance", {{"ms", 500}}, {}},                    // only the clock moves
    };
    for (const step& each : steps) {
        SCOPED_TRACE(std::string(each.path) + " " + each.body.dump());
        const httplib::Result got =
            served.post(std::string(each.path) + "?state=changes", each.body.dump());
        ASSERT_TRUE(got);
        ASSERT_EQ(got->status, 200) << got->body;
        const json answer = json::parse(got->body);
        ASSERT_FALSE(answer.contains("state"));
        const json& change = answer["changes"];
        EXPECT_EQ(change["since"], page["version"]);
        std::vector<int> numbers;
        for (const json& changed : change["desks"]) {
            numbers.push_back(changed["number"]);
            page["desks"][changed["number"].get<int>() - 1] = changed;
        }
        EXPECT_EQ(numbers, each.changedDesks);
        for (const char* field : {"time_ms", "version", "current_desk", "started", "stopped"}) {
            page[field] = change[field];
        }
    }
    const json whole = served.state();
    EXPECT_EQ(page["version"], whole["version"]);
    EXPECT_EQ(page["desks"], whole["desks"]);
    EXPECT_EQ(page["time_ms"], 500);
}

TEST(desk_server, bad_requests_are_refused_with_their_status_and_change_nothing) {
    served_desks served({disableTake});
    std::vector<bad_request> table = badRequests();
    table.push_back({"saved over a file, unconfirmed",
                     "/api/save",
                     R"({"name": "kept.zeth"})",
                     {},
                     409,
                     "kept.zeth exists already"});
    table.push_back({"saved through a link",
                     "/api/save",
                     R"({"name": "link.zeth", "overwrite": true})",
                     {},
                     409,
                     "not a plain file"});
    std::ofstream(served.folder / "kept.zeth") << "click Take\n";
    std::filesystem::create_symlink(served.folder / "kept.zeth", served.folder / "link.zeth");
    const json before = served.state();
    const std::size_t recordsBefore = served.records();
    for (const bad_request& row : table) {
        SCOPED_TRACE(row.name);
        const httplib::Result got = served.post(
            row.path, row.body, httplib::Headers(row.headers.begin(), row.headers.end()), row.type);
        ASSERT_TRUE(got) << httplib::to_string(got.error());
        EXPECT_EQ(got->status, row.status) << got->body;
        const json error = json::parse(got->body, nullptr, false);
        ASSERT_TRUE(error.contains("error")) << got->body;
        EXPECT_THAT(error["error"].get<std::string>(), HasSubstr(row.says));
        EXPECT_EQ(got->body.find('\n'), std::string::npos) << "one line";
    }
    EXPECT_EQ(served.state(), before);
    std::ifstream kept(served.folder / "kept.zeth");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "click Take\n");
    // "click Teke" is the one request that writes to the transcript, as the shell does: the
    // action, its problem and the views after it.
    const json written = served.stream.recordsAfter(0);
    for (std::size_t i = recordsBefore; i < written.size(); ++i) {
        EXPECT_THAT(written[i].get<std::string>(),
                    ::testing::AnyOf(HasSubstr("Teke"), HasSubstr(R"("kind":"view")")));
    }

    // The page's own origin may post; the Host names that are this machine's own are served.
    const std::string own = "http://127.0.0.1:" + std::to_string(served.endpoint.port());
    const httplib::Result fromPage =
        served.post("/api/click", R"({"desk": 1, "control": "Dest_1"})", {{"Origin", own}});
    ASSERT_TRUE(fromPage);
    EXPECT_EQ(fromPage->status, 200) << fromPage->body;
    for (const char* host : {"localhost:8270", "127.0.0.1", "[::1]:8270", "LOCALHOST"}) {
        const httplib::Result got = served.client.Get("/api/state", {{"Host", host}});
        ASSERT_TRUE(got);
        EXPECT_EQ(got->status, 200) << host;
    }
}

TEST(desk_server, requests_from_many_threads_enter_the_panel_on_one_thread_only) {
    served_desks served({disableTake});
    std::vector<std::thread> clients;
    std::atomic<int> answered{0};
    for (int each = 0; each < 4; ++each) {
        clients.emplace_back([&served, &answered, each] {
            httplib::Client client("127.0.0.1", served.endpoint.port());
            for (int i = 0; i < 10; ++i) {
                const std::string body =
                    i % 2 == 0 ? json{{"desk", 1}, {"control", "Dest_1"}}.dump()
                               : json{{"desk", 1}, {"index", 1 + (each + i) % 12}}.dump();
                const httplib::Result got = client.Post(i % 2 == 0 ? "/api/click" : "/api/select",
                                                        body, "application/json");
                answered += got && got->status == 200 ? 1 : 0;
            }
        });
    }
    for (std::thread& client : clients) {
        client.join();
    }
    EXPECT_EQ(answered, 40);
    const httplib::Result asked =
        served.post("/api/line", R"({"line": "query \"calling-threads\""})");
    ASSERT_TRUE(asked);
    EXPECT_THAT(asked->body, HasSubstr("the panel answers \\\"calling-threads:1\\\""));
}

} // namespace
