// The served session and the hot reload, without HTTP: a session worked as the page and the line
// box work it becomes a scenario that plays to the same state; a rebuilt plug-in swapped in is
// replayed in trial processes and takes over or is rolled back; the watch waits for a build to
// settle.
#include "hot_reload.h"
#include "live_desks.h"
#include "scripted_host.h"
#include "state_document.h"
#include "text_file.h"
#include "text_transcript.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

using ::testing::HasSubstr;
using json = nlohmann::json;

namespace {

namespace fs = std::filesystem;

// Plays a session's text on fresh desks, as `zeth-host run` would, and leaves them open.
struct replayed {
    replayed(const std::string& text, const emulator_options& options) {
        const scenario play = parseScenario(text, "session.zeth");
        host = std::make_unique<emulator>(builtinFacility(), builtinLayouts(), options, record);
        runner = std::make_unique<scenario_runner>(*host, record);
        host->start(play.panels.value_or(1));
        for (const scenario_step& step : play.steps) {
            runner->run(step);
        }
    }
    transcript record;
    std::unique_ptr<emulator> host;
    std::unique_ptr<scenario_runner> runner;
};

TEST(served_session, becomes_a_scenario_that_plays_to_the_same_state) {
    transcript record;
    std::ostringstream messages;
    live_setup setup{builtinFacility(), builtinLayouts(), {}, 2, {}, {}};
    live_desks live(setup, record, messages);
    live.start();
    emulator& host = live.host();
    const auto now = [&host] { return host.clock().now(); };
    // As the page does it: the action, then its line.
    host.select(1, "Sources", 5);
    live.carriedOut(selectLine(5, "Sources", "Studio A"), 1, now(), false);
    host.click(1, "Dest_2");
    live.carriedOut(clickLine("Dest_2"), 1, now(), false);
    const std::int64_t stepped = now();
    host.advance(2345);
    live.waited(2345, stepped);
    const std::string sheet =
        host.deskNumbered(1)->panels().begin()->second.control("Take")->properties.at("statesheet");
    EXPECT_EQ(live.expect(propertyExpectation("Take", "statesheet", sheet), 1), std::nullopt);
    EXPECT_EQ(live.expect(enabledExpectation("Undo", true), 1),
              "it does not hold (enabled Undo): it is disabled");
    host.click(1, "Take");
    live.carriedOut(clickLine("Take"), 1, now(), false);
    host.click(2, "Take"); // disabled on desk 2: refused, kept only with its claim
    live.carriedOut(clickLine("Take"), 2, now(), true);
    // A violation is claimed on the desk whose last action it came from.
    EXPECT_THAT(live.line("expect violation click-on-disabled-control").message,
                HasSubstr("does not keep"));
    EXPECT_EQ(live.line("desk 2").what, line_outcome::verdict::done);
    EXPECT_EQ(live.line("expect violation click-on-disabled-control").what,
              line_outcome::verdict::done);
    EXPECT_EQ(live.line("desk 1").what, line_outcome::verdict::done);
    host.click(2, "Undo"); // refused and never claimed: not kept
    live.carriedOut(clickLine("Undo"), 2, now(), true);
    host.routeBehind(20, 103, 7);
    live.carriedOut(routeLine("R7 SDI Router", 103, 7), 0, now(), false);
    EXPECT_EQ(live.expect(crosspointExpectation("R7 SDI Router", 103, 7), 1), std::nullopt);
    // As the line box does it.
    EXPECT_EQ(live.line("wait 1500ms").what, line_outcome::verdict::done);
    EXPECT_EQ(live.line("desk 2").what, line_outcome::verdict::done);
    EXPECT_EQ(live.line("click Teke").what, line_outcome::verdict::notCarriedOut);
    EXPECT_THAT(live.line("expect disabled Dest_1").message, HasSubstr("does not keep"));
    EXPECT_EQ(live.line("select 3").what, line_outcome::verdict::done);
    EXPECT_EQ(live.line("click Dest_1").what, line_outcome::verdict::done);
    std::vector<std::string> sent;
    for (const logged_command* command : host.log().commandsOfAction(2)) {
        sent.push_back(command->text);
    }
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(live.expect(commandsExpectation(sent), 2), std::nullopt);

    const std::string text = live.session().scenarioText({"zeth-host serve: a story"}, "");
    const std::vector<std::string> expected = {"# zeth-host serve: a story",
                                               "panels 2",
                                               "select 5 in Sources # Studio A",
                                               "click Dest_2",
                                               "wait 2345ms",
                                               "expect property Take statesheet = " + sheet,
                                               "click Take",
                                               "desk 2",
                                               "click Take",
                                               "expect violation click-on-disabled-control",
                                               "route \"R7 SDI Router\" 103 7",
                                               "desk 1",
                                               "expect crosspoint \"R7 SDI Router\" 103 = 7",
                                               "wait 1500ms",
                                               "desk 2",
                                               "select 3",
                                               "click Dest_1",
                                               commandsExpectation(sent)};
    EXPECT_EQ(splitLines(text), expected) << text;

    const replayed again(text, {});
    EXPECT_EQ(again.runner->failed(), 0) << text;
    EXPECT_EQ(again.runner->notCarriedOut(), 0);
    EXPECT_EQ(again.host->log().unexpectedViolations(), 0u);
    EXPECT_EQ(stateDocument(*again.host, true, again.runner->currentDesk()),
              stateDocument(host, true, live.currentDesk()));

    // Played up to Take, the desks are there again and the session goes on from that line; the
    // heading zeth-host wrote is written anew when it is saved again.
    live.playTo(text, "story.zeth", 7);
    EXPECT_EQ(live.host().clock().now(), 2345);
    EXPECT_EQ(live.host().routers().source(20, 102), 5);
    live.line("click Undo");
    EXPECT_EQ(splitLines(live.session().scenarioText({}, "")),
              std::vector<std::string>(
                  {"panels 2", "select 5 in Sources # Studio A", "click Dest_2", "wait 2345ms",
                   "expect property Take statesheet = " + sheet, "click Take", "click Undo"}));
}

// On the wall clock the waits are the clock's own: an expectation right after its action needs
// none, one after a tick does, and then the action's commands can no longer be expected.
TEST(served_session, starts_with_the_host_answers_said_at_the_top_of_its_openings) {
    transcript record;
    std::ostringstream shown;
    text_transcript text(shown);
    record.attach(text);
    std::ostringstream messages;
    const std::string answers = "host answers \"TG '1' 'Dest_1' 'video_id'\" with \"audio_id=7\"";
    live_setup setup{builtinFacility(),
                     builtinLayouts(),
                     {},
                     1,
                     {parseScenario(answers + "\n", "opening.zeth")},
                     {}};
    live_desks live(setup, record, messages);
    live.start();
    // The panel asks during its start-up, so it hears the answer only if it holds by then.
    EXPECT_THAT(shown.str(), HasSubstr("debug: textGet: value returned \"audio_id\""));
    // Said live, after the start-up, host answers are kept where a replay plays them after it too.
    EXPECT_EQ(live.line("host answers normally").what, line_outcome::verdict::done);
    const scenario replay = parseScenario(live.session().scenarioText({}, ""), "session.zeth");
    ASSERT_EQ(replay.steps.size(), 3u);
    EXPECT_EQ(replay.steps[0].text, answers);
    EXPECT_EQ(hostOpening(replay, 0), 1u) << "only the opening's answers hold for the start-up";
    EXPECT_EQ(replay.steps[2].what, scenario_step::kind::hostAnswersNormally);
}

TEST(served_session, on_the_wall_clock_plays_to_the_same_state) {
    transcript record;
    std::ostringstream messages;
    live_setup setup{builtinFacility(), builtinLayouts(), {}, 1, {}, {}};
    setup.options.realtime = true;
    live_desks live(setup, record, messages);
    live.start();
    emulator& host = live.host();
    const auto actNow = [&host] {
        host.runUntil(host.clock().wallTime()); // as every served action does first
        return host.clock().now();
    };
    std::int64_t at = actNow();
    host.select(1, "Sources", 5);
    live.carriedOut(selectLine(5, "Sources", "Studio A"), 1, at, false);
    at = actNow();
    host.click(1, "Dest_2"); // Take flashes: a tick every second
    live.carriedOut(clickLine("Dest_2"), 1, at, false);
    std::vector<std::string> sent;
    for (const logged_command* command : host.log().commandsOfAction(1)) {
        sent.push_back(command->text);
    }
    actNow();
    EXPECT_EQ(live.expect(commandsExpectation(sent), 1), std::nullopt);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    actNow();
    const std::string sheet =
        host.deskNumbered(1)->panels().begin()->second.control("Take")->properties.at("statesheet");
    EXPECT_EQ(live.expect(propertyExpectation("Take", "statesheet", sheet), 1), std::nullopt);
    std::vector<std::string> withTick;
    for (const logged_command* command : host.log().commandsOfAction(1)) {
        withTick.push_back(command->text);
    }
    EXPECT_THAT(live.expect(commandsExpectation(withTick), 1).value_or(""), HasSubstr("ticks"));

    const std::string text = live.session().scenarioText({}, "");
    const std::vector<std::string> lines = splitLines(text);
    // The select and the click may lie a few milliseconds apart on a slow machine (a wait line
    // between them); the expectation must follow its click directly, and the tick come in a wait.
    const auto expectation = std::find(lines.begin(), lines.end(), commandsExpectation(sent));
    ASSERT_NE(expectation, lines.end()) << text;
    ASSERT_NE(expectation, lines.begin()) << text;
    ASSERT_NE(std::next(expectation), lines.end()) << text;
    EXPECT_EQ(*std::prev(expectation), clickLine("Dest_2"))
        << "right after its action, no wait between\n"
        << text;
    EXPECT_THAT(*std::next(expectation), ::testing::StartsWith("wait "))
        << "the tick came in a wait\n"
        << text;
    const replayed again(text, {});
    EXPECT_EQ(again.runner->failed(), 0) << text;
    EXPECT_EQ(stateDocument(*again.host, true, 1)["desks"], stateDocument(host, true, 1)["desks"]);
}

TEST(served_session, waits_run_past_what_one_line_can_say) {
    session_recorder session;
    session.begin({}, 1, 1, 0);
    session.add("click Take", 1, 2000000000);
    EXPECT_EQ(session.lines(), std::vector<std::string>({"wait 999999999ms", "wait 999999999ms",
                                                         "wait 2ms", "click Take"}))
        << "each wait must parse: at most nine digits";
}

// The scripted plug-in behind a file that the test rebuilds (overwrites) while the desks run a
// copy of it, with a session of a click that routes and two expectations on it.
class reload_test : public ::testing::Test {
protected:
    void SetUp() override {
        folder = scratchFolder() / ("reload-" + std::to_string(++runs));
        fs::create_directories(folder / "copies");
        std::ofstream(folder / "test.zeth_ui") << scriptedLayout({routeCommand});
        watched = (folder / "zeth_scripted_plugin.so").string();
        rebuild(ZETH_SCRIPTED_PLUGIN);
        builds = std::make_unique<plugin_builds>(watched, (folder / "copies").string());
        const plugin_build first = builds->accept(builds->copyCandidate());
        live_setup setup{builtinFacility(), builtinLayouts(), {}, 1, {}, {}};
        setup.options.pluginPath = first.file;
        setup.options.panelPath = folder.string();
        live = std::make_unique<live_desks>(setup, record, messages);
        live->start();
        for (const char* line :
             {"click \"RC 20 5 101 ',' 0\"", "wait 1500ms",
              "expect crosspoint \"R7 SDI Router\" 101 = 5", "expect enabled Take"}) {
            ASSERT_EQ(live->line(line).what, line_outcome::verdict::done) << line;
        }
        reload_setting setting;
        setting.trial = {ZETH_HOST_PROGRAM, folder.string(), 0.5, 100000, 100};
        setting.sessionFile = (folder / "copies" / "session.zeth").string();
        reload_hooks hooks;
        hooks.onEmulatorThread = [](const std::function<void()>& work) {
            work();
            return true;
        };
        hooks.session = [this] { return live->snapshot(); };
        hooks.takeOver = [this](const plugin_build& build, const session_snapshot& snapshot) {
            live->rebuild(build.file, snapshot.text);
        };
        hooks.reported = [this](const reload_report& report) { reports.push_back(report); };
        reload = std::make_unique<hot_reload>(*builds, setting, hooks);
    }

    // The build tool writes the plug-in file in place.
    void rebuild(const std::string& from) {
        fs::copy_file(from, watched, fs::copy_options::overwrite_existing);
    }

    static inline int runs = 0;
    const std::string routeCommand = "RC 20 5 101 ',' 0";
    fs::path folder;
    std::string watched;
    transcript record;
    std::ostringstream messages;
    std::unique_ptr<plugin_builds> builds;
    std::unique_ptr<live_desks> live;
    std::unique_ptr<hot_reload> reload;
    std::vector<reload_report> reports;
};

struct reload_row {
    const char* name;
    std::string build; // swapped in for the plug-in file
    bool inService;
    const char* change; // the start of what the page says changed
    const char* why;    // in the refusal
};

TEST_F(reload_test, a_rebuild_takes_over_the_session_or_is_rolled_back) {
    const std::string notALibrary = (folder / "notes.txt").string();
    std::ofstream(notALibrary) << "not a library\n";
    const std::vector<reload_row> table = {
        {"the same build", ZETH_SCRIPTED_PLUGIN, true, "No change in behaviour", ""},
        {"a changed build", ZETH_SCRIPTED_CHANGED, true, "on (1 expectation of the session fails)",
         ""},
        {"a build that crashes in the replay", ZETH_SCRIPTED_CRASHING, false, "Rolled back",
         "plugin-"}, // crashed, or exited under a sanitizer's own handler
        {"a build that hangs", ZETH_SCRIPTED_HANGING, false, "Rolled back", "plugin-hung"},
        {"a factory that gives nothing", ZETH_SCRIPTED_NULL_FACTORY, false, "Rolled back",
         "gave no panel object"},
        {"no panel plug-in", ZETH_NO_EXPORT_PLUGIN, false, "Rolled back", "does not export"},
        {"not a library", notALibrary, false, "Rolled back", "cannot load the plug-in"},
        {"the first build again", ZETH_SCRIPTED_PLUGIN, true, "The behaviour changed from", ""},
    };
    const std::vector<std::string> session = live->session().lines();
    int number = builds->serving()->number;
    for (const reload_row& row : table) {
        SCOPED_TRACE(row.name);
        const std::string servingBefore = live->pluginFile();
        const json stateBefore = stateDocument(live->host(), true, live->currentDesk());
        rebuild(row.build);
        const reload_report report = reload->reloadNow(std::chrono::steady_clock::now());
        ASSERT_EQ(reports.size(), static_cast<std::size_t>(report.reload));
        EXPECT_EQ(report.inService, row.inService) << report.refusal;
        EXPECT_EQ(report.build.number, ++number) << "every build has a number of its own";
        EXPECT_THAT(changeText(report), HasSubstr(row.change));
        EXPECT_THAT(report.refusal, HasSubstr(row.why));
        EXPECT_EQ(live->session().lines(), session) << "the session stays as it was";
        if (row.inService) {
            EXPECT_EQ(live->pluginFile(), builds->serving()->file);
            EXPECT_NE(live->pluginFile(), watched) << "a copy serves, never the file itself";
        } else {
            EXPECT_EQ(live->pluginFile(), servingBefore);
            EXPECT_EQ(stateDocument(live->host(), true, live->currentDesk()), stateBefore);
        }
    }
    // The changed build's first different line is the command it sends beside the route.
    const reload_report& changed = reports[1];
    const std::size_t first = *firstDifferingLine(changed.previous, changed.replay);
    EXPECT_THAT(changed.replay[first], HasSubstr("CD '1' 'Take'"));
    EXPECT_THAT(changed.previous[first], ::testing::Not(HasSubstr("CD '1' 'Take'")));
}

struct change_row {
    std::string name;
    std::vector<std::string> previous;
    std::vector<std::string> replay;
    json firstDifference; // as the report's document gives it
    std::string change;
};

TEST(reload_report, says_where_the_replays_part_and_how_many_expectations_fail) {
    const std::string failing = "    expect enabled Take: FAILED, it is disabled";
    const std::vector<change_row> table = {
        {"the same", {"a", "b"}, {"a", "b"}, nullptr, "No change in behaviour"},
        {"both empty", {}, {}, nullptr, "No change in behaviour"},
        {"a line in between",
         {"a", "b", "c"},
         {"a", "B", "c"},
         1,
         "The behaviour changed from line 2 on"},
        {"the new one ends early", {"a", "b"}, {"a"}, 1, "The behaviour changed from line 2 on"},
        {"the new one goes on", {"a"}, {"a", "b"}, 1, "The behaviour changed from line 2 on"},
        {"one expectation fails",
         {"a", "ok"},
         {"a", failing},
         1,
         "The behaviour changed from line 2 on (1 expectation of the session fails)"},
        {"two fail",
         {"x"},
         {failing, failing},
         0,
         "The behaviour changed from line 1 on (2 expectations of the session fail)"},
    };
    for (const change_row& row : table) {
        SCOPED_TRACE(row.name);
        reload_report report;
        report.inService = true;
        report.previous = row.previous;
        report.replay = row.replay;
        EXPECT_EQ(changeText(report), row.change);
        EXPECT_EQ(reportDocument(report)["first_difference"], row.firstDifference);
    }
}

using time_point = settle_watch::time_point;

struct look_row {
    int at;          // ms
    file_stamp seen; // the file then
    bool ready;      // a new build, settled
};

TEST(settle_watch, a_build_is_taken_once_it_has_stayed_the_same_for_the_settling_time) {
    const file_stamp served{true, 100, 5000};
    const file_stamp writing{true, 200, 3000};
    const file_stamp written{true, 300, 6000};
    settle_watch watch(served, std::chrono::milliseconds(300));
    const std::vector<look_row> table = {
        {0, served, false},     {400, served, false},   // the build that serves
        {500, {}, false},       {900, {}, false},       // removed by the linker
        {1000, writing, false}, {1100, written, false}, // still being written
        {1300, written, false}, {1400, written, true},  // unchanged for 300 ms
    };
    const time_point start{};
    for (const look_row& row : table) {
        EXPECT_EQ(watch.look(row.seen, start + std::chrono::milliseconds(row.at)), row.ready)
            << "at " << row.at << " ms";
    }
    watch.taken(written);
    EXPECT_FALSE(watch.look(written, start + std::chrono::milliseconds(5000)))
        << "a build taken is not taken again";
}

} // namespace
