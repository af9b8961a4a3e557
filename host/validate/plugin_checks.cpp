#include "plugin_checks.h"

#include "command_parser.h"
#include "emulator.h"
#include "event_parameter.h"
#include "library_exports.h"
#include "operator_session.h"
#include "plugin_loader.h"
#include "scenario_runner.h"
#include "thread_time.h"
#include "zeth_records.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <limits>
#include <memory>

namespace {

constexpr const char* factoryName = "load_zeth_client_script";
constexpr std::int32_t int32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t int32Max = std::numeric_limits<std::int32_t>::max();

check_finding passed(std::string reason) {
    return {check_outcome::passed, std::move(reason)};
}
check_finding failed(std::string reason) {
    return {check_outcome::failed, std::move(reason)};
}

std::string panelPathOf(const validation_settings& settings) {
    return settings.panelPath.empty() ? settings.plant.panelPath : settings.panelPath;
}

std::string describe(const logged_violation& found) {
    return std::string(violationId(found.what.kind)) + ": " + found.what.detail +
           (found.what.cause.empty() ? std::string() : " (after " + found.what.cause + ")");
}

// One desk on the emulator, its transcript unheard (the checks read the run log). The emulator
// and its transcript are deliberately never destroyed, since deleting the panel is
// closing-notice's part; the check's process ends soon after.
class probe {
public:
    probe(const validation_settings& settings, call_monitor& calls)
        : quiet(*new transcript),
          host(*new emulator(settings.plant, settings.layouts, options(settings, calls), quiet)) {}

    // Creates desk 1. Nothing when it stands; otherwise the finding that ends the check: a
    // layout that cannot be read is the set-up's problem (skipped), a runaway panel the panel's.
    // A layout that cannot be read after the panel showed one is the panel's own doing: the
    // check that reports it (reportsLayouts) fails, the others are skipped.
    std::optional<check_finding> start(bool reportsLayouts = false) {
        try {
            host.start(1);
        } catch (const run_halted& halted) {
            return halt(halted, reportsLayouts);
        }
        return std::nullopt;
    }

    std::optional<check_finding> halt(const run_halted& halted, bool reportsLayouts) const {
        if (halted.reason().why == run_halt::cause::unusableLayout) {
            const desk* made = host.deskNumbered(1);
            if (made != nullptr && !made->panels().empty()) {
                return reportsLayouts
                           ? failed("after its first layout the panel shows one that cannot be "
                                    "read (" +
                                    halted.reason().problem + ")")
                           : check_finding{check_outcome::skipped,
                                           "the panel shows a layout that cannot be read, "
                                           "which start-up reports"};
            }
            return check_finding{check_outcome::skipped,
                                 "the panel's layout cannot be read (" + halted.reason().problem +
                                     "); name its folder with --panel-path"};
        }
        return brokenSince(0).value_or(failed(halted.what()));
    }

    // A halt after start-up: the panel asked for it, by running away or by showing a layout that
    // cannot be read. The violations that came first say more.
    check_finding haltedByPanel(const run_halted& halted, std::size_t since) const {
        return brokenSince(since).value_or(
            failed("the run cannot go on: " + std::string(halted.what())));
    }

    // The first violation reported from the index since on, as a failed finding.
    std::optional<check_finding> brokenSince(std::size_t since) const {
        const auto& found = host.log().violations();
        if (found.size() <= since) {
            return std::nullopt;
        }
        std::string reason = describe(found[since]);
        if (found.size() > since + 1) {
            reason += " (and " + std::to_string(found.size() - since - 1) + " more)";
        }
        return failed(reason);
    }
    std::size_t violations() const { return host.log().violations().size(); }

    // The controls desk 1 shows, with the identifier of the panel that shows each.
    std::vector<std::pair<std::string, const layout_control*>> controls() const {
        std::vector<std::pair<std::string, const layout_control*>> all;
        if (const desk* shown = host.deskNumbered(1)) {
            for (const auto& [id, panel] : shown->panels()) {
                for (const layout_control& control : panel.controls) {
                    all.emplace_back(id, &control);
                }
            }
        }
        return all;
    }
    // The panel and control that messages about a control name: the first control desk 1 shows,
    // or panel "1", control "Take" when it shows none (the events must still be well formed).
    std::pair<std::string, std::string> firstControl() const {
        const auto all = controls();
        if (all.empty()) {
            return {"1", "Take"};
        }
        return {all.front().first, all.front().second->name};
    }

    transcript& quiet;
    emulator& host;

private:
    static emulator_options options(const validation_settings& settings, call_monitor& calls) {
        emulator_options made;
        made.pluginPath = settings.pluginFile;
        made.panelPath = settings.panelPath;
        made.calls = &calls;
        return made;
    }
};

check_finding checkExports(const validation_settings& settings, call_monitor& calls) {
    // Loading runs the library's own start-up code: a hang there is the plug-in's too.
    calls.callBegins(0, "the loading of the library");
    const plugin_library library(settings.pluginFile);
    calls.callReturned();
    std::vector<std::string> further;
    for (std::string& name : libraryExports(settings.pluginFile)) {
        if (name != factoryName) {
            further.push_back(std::move(name));
        }
    }
    if (further.empty()) {
        return passed(std::string("exports ") + factoryName + " and nothing else");
    }
    std::string named;
    for (std::size_t i = 0; i < further.size() && i < 3; ++i) {
        named += (i == 0 ? "" : ", ") + further[i];
    }
    return {check_outcome::warning, std::string("exports ") + factoryName + " and " +
                                        std::to_string(further.size()) + " further symbol" +
                                        (further.size() == 1 ? "" : "s") + " (" + named +
                                        (further.size() > 3 ? ", ..." : "") +
                                        "): a host may bind to them; hide all but the factory"};
}

check_finding checkFactory(const validation_settings& settings, call_monitor& calls) {
    probe run(settings, calls);
    const std::string given = "the panel path \"" + panelPathOf(settings) + "\"";
    try {
        run.host.start(1);
    } catch (const run_halted& halted) {
        const desk* made = run.host.deskNumbered(1);
        if (made == nullptr || !made->hasPanel()) {
            throw;
        }
        return passed("gives a panel for " + given + " (its layout cannot be read)");
    }
    return passed("gives a panel for " + given);
}

check_finding checkNullHost(const validation_settings& settings, call_monitor& calls) {
    const plugin_library library(settings.pluginFile);
    const std::string path = panelPathOf(settings);
    zeth_client_callback* made = nullptr;
    std::string thrown;
    calls.callBegins(1, "the factory load_zeth_client_script with a null host");
    try {
        made = library.factory()(nullptr, path.c_str());
    } catch (const std::exception& error) {
        thrown = error.what();
    } catch (...) {
        thrown = "something that is no std::exception";
    }
    calls.callReturned();
    if (!thrown.empty()) {
        return failed("the factory threw with a null host: " + thrown);
    }
    if (made != nullptr) {
        // Not deleted: its destructor could only call the null host.
        return passed("the factory gives a panel for a null host, without a crash (the panel "
                      "is left undeleted: it has no host to say goodbye to)");
    }
    return passed("the factory answers null for a null host");
}

// The first command of these that starts a timer with an interval shorter than a host can keep,
// as a reason: "\"ET 1 1\" starts timer 1 every 1 ms, ...". None when there is none.
std::optional<std::string> fastTimer(const validation_settings& settings,
                                     const std::vector<const logged_command*>& commands) {
    for (const logged_command* each : commands) {
        if (each->text.rfind("ET ", 0) != 0) {
            continue;
        }
        const command_parse parsed = parseCommand(each->text);
        if (parsed.command && parsed.command->numbers.size() == 2 &&
            parsed.command->numbers[1] < settings.shortestTimer) {
            return "\"" + each->text + "\" starts timer " +
                   std::to_string(parsed.command->numbers[0]) + " every " +
                   std::to_string(parsed.command->numbers[1]) +
                   " ms, more often than a host can "
                   "keep (every " +
                   std::to_string(settings.shortestTimer) + " ms at most)";
        }
    }
    return std::nullopt;
}

check_finding checkStartUp(const validation_settings& settings, call_monitor& calls) {
    probe run(settings, calls);
    if (auto stopped = run.start(true)) {
        return *stopped;
    }
    if (auto broken = run.brokenSince(0)) {
        return *broken;
    }
    const std::size_t sent = run.host.log().commandsOfAction(0).size();
    if (const auto fast = fastTimer(settings, run.host.log().commandsOfAction(0))) {
        return {check_outcome::warning, "at start-up " + *fast};
    }
    if (run.host.deskNumbered(1)->panels().empty()) {
        return {check_outcome::warning,
                std::to_string(sent) + " start-up commands, none of which shows a layout (\"PS\")"};
    }
    return passed(std::to_string(sent) + (sent == 1 ? " start-up command" : " start-up commands") +
                  ", each known and well formed, every reply handed back as "
                  "the contract says");
}

check_finding checkClosingNotice(const validation_settings& settings, call_monitor& calls) {
    probe run(settings, calls);
    if (auto stopped = run.start()) {
        return *stopped;
    }
    const std::size_t before = run.violations();
    run.host.close(1);
    if (auto broken = run.brokenSince(before)) {
        return *broken;
    }
    return passed("deleting the panel brings \"AS\" last, and nothing after it");
}

// A message as the emulator would never send it, delivered on desk 1.
struct raw_message {
    int code = 0;
    void* data = nullptr;
    std::string what;
};

std::optional<check_finding> deliverAll(probe& run, const std::vector<raw_message>& messages) {
    const std::size_t before = run.violations();
    for (const raw_message& each : messages) {
        run.host.deliverRaw(1, each.code, each.data, each.what);
        if (auto broken = run.brokenSince(before)) {
            broken->reason += ", on " + each.what;
            return broken;
        }
        if (run.host.deskNumbered(1)->closed()) {
            return failed("the panel closed (sent \"AS\") on " + each.what);
        }
    }
    return std::nullopt;
}

check_finding checkMessageCodes(const validation_settings& settings, call_monitor& calls) {
    probe run(settings, calls);
    if (auto stopped = run.start()) {
        return *stopped;
    }
    const auto [panelId, control] = run.firstControl();
    const event_parameter click("click");
    zeth_event_record event{nullptr, nullptr, panelId.c_str(), control.c_str(),
                            click.asPanelRecord()};
    const std::int32_t device =
        settings.plant.routers.empty() ? 1 : settings.plant.routers.front().device;
    zeth_revertive_record revertive{device, 0, 1, 1};
    char query[] = "return=all";
    std::vector<raw_message> messages = {
        {1, &revertive, "notify code 1 (revertive " + std::to_string(device) + " 1 <- 1)"},
        {2, &event, "notify code 2 (control event " + control + " \"click\")"},
        {3, query, "notify code 3 (query \"return=all\")"},
        {4, reinterpret_cast<void*>(std::intptr_t{1}), "notify code 4 (tick of timer 1)"},
        {5, nullptr, "notify code 5 with null"},
    };
    for (const int code : {6, 7, 0, 8, 9, 100, -1, int32Min, int32Max}) {
        messages.push_back({code, nullptr, "notify code " + std::to_string(code) + " with null"});
    }
    if (auto broken = deliverAll(run, messages)) {
        return *broken;
    }
    return passed(
        "codes 1 to 7, 0, 8, 9, 100, -1 and the ends of int: " + std::to_string(messages.size()) +
        " messages, each answered as the contract "
        "says");
}

check_finding checkHostileRecords(const validation_settings& settings, call_monitor& calls) {
    probe run(settings, calls);
    if (auto stopped = run.start()) {
        return *stopped;
    }
    const auto [panelId, control] = run.firstControl();
    const std::string longText(100000, 'x');
    std::string parts32 = "p";
    std::string parts40 = "p";
    for (int i = 1; i < 40; ++i) {
        (i < 32 ? parts32 : parts40) += "." + std::to_string(i);
        if (i == 31) {
            parts40 = parts32;
        }
    }
    parts32 += "=v";
    parts40 += "=v";
    // The parameters live as long as the records that point at them.
    std::vector<std::unique_ptr<event_parameter>> parameters;
    std::vector<std::unique_ptr<zeth_event_record>> events;
    std::vector<raw_message> messages;
    const auto addEvent = [&](const char* panel, const char* name, const std::string* message,
                              const std::string& what) {
        const decodePropertyString* parsed = nullptr;
        if (message != nullptr) {
            parameters.push_back(std::make_unique<event_parameter>(*message));
            parsed = parameters.back()->asPanelRecord();
        }
        events.push_back(std::make_unique<zeth_event_record>(
            zeth_event_record{nullptr, nullptr, panel, name, parsed}));
        messages.push_back({2, events.back().get(), "notify code 2 (" + what + ")"});
    };
    const std::string clickText = "click";
    const std::string emptyText;
    const std::string equals = "=";
    const std::string hugeNumber = "index=99999999999999999999";
    const std::string lowest = "index=" + std::to_string(int32Min);
    addEvent(nullptr, control.c_str(), &clickText, "a control event with a null panel identifier");
    addEvent(panelId.c_str(), nullptr, &clickText, "a control event with a null control name");
    addEvent(panelId.c_str(), control.c_str(), nullptr, "a control event with a null parameter");
    addEvent(nullptr, nullptr, nullptr, "a control event of null words");
    addEvent("", "", &emptyText, "a control event of empty texts");
    addEvent(panelId.c_str(), longText.c_str(), &clickText,
             "a control event for a control named by 100,000 characters");
    for (const std::string* message : std::vector<const std::string*>{
             &emptyText, &longText, &equals, &parts32, &parts40, &hugeNumber, &lowest}) {
        addEvent(panelId.c_str(), control.c_str(), message,
                 "control event " + control + " \"" + message->substr(0, 40) +
                     (message->size() > 40 ? "...\"" : "\""));
    }
    std::vector<zeth_revertive_record> revertives;
    revertives.reserve(8);
    const std::int32_t device =
        settings.plant.routers.empty() ? 1 : settings.plant.routers.front().device;
    for (const std::int32_t number : {int32Min, int32Max, -1, 0}) {
        revertives.push_back({number, number, number, number});
        revertives.push_back({device, 0, number, number});
    }
    for (zeth_revertive_record& each : revertives) {
        messages.push_back({1, &each,
                            "notify code 1 (revertive " + std::to_string(each.device) + " " +
                                std::to_string(each.destination) + " <- " +
                                std::to_string(each.source) + ")"});
    }
    for (const std::int32_t timer : {0, -1, int32Min, int32Max}) {
        messages.push_back({4, reinterpret_cast<void*>(static_cast<std::intptr_t>(timer)),
                            "notify code 4 (tick of timer " + std::to_string(timer) + ")"});
    }
    std::vector<std::string> queries = {"", longText, "=", parts32, parts40};
    for (std::string& each : queries) {
        messages.push_back({3, each.data(),
                            "notify code 3 (query \"" + each.substr(0, 40) +
                                (each.size() > 40 ? "...\")" : "\")")});
    }
    if (auto broken = deliverAll(run, messages)) {
        return *broken;
    }
    return passed(std::to_string(messages.size()) +
                  " hostile records (null words, empty and 100,000-character texts, the ends of "
                  "int, 32 and 40 parts) taken in stride");
}

check_finding checkQueries(const validation_settings& settings, call_monitor& calls) {
    probe run(settings, calls);
    if (auto stopped = run.start()) {
        return *stopped;
    }
    std::vector<std::string> texts = {"return=all", "", "index"};
    for (const auto& [id, control] : run.controls()) {
        texts.push_back(control->name);
        texts.push_back(control->name + ".index");
    }
    const std::size_t before = run.violations();
    int answered = 0;
    for (const std::string& text : texts) {
        const action_result result = run.host.query(1, text);
        answered += result.answer ? 1 : 0;
        if (auto broken = run.brokenSince(before)) {
            broken->reason += ", on the query \"" + text + "\"";
            return *broken;
        }
    }
    return passed(std::to_string(texts.size()) + " queries, " + std::to_string(answered) +
                  " answered; every answer a text, handed back with code 5");
}

// The host's thread as a clock: the wall time, its own processor time and how often the system
// took the processor from it.
struct thread_clock {
    std::chrono::steady_clock::time_point wall = std::chrono::steady_clock::now();
    thread_time own = threadTime();
};

// How long a call kept the host's thread: the wall time, unless the system took the processor
// away during the call; then the thread's own processor time, so that a busy machine does not
// make a fast panel look slow. A panel that blocks (sleeps, waits for a file) gives the processor
// up of its own accord, and its wall time counts.
double keptFor(const thread_clock& began, const thread_clock& ended) {
    const double wall = std::chrono::duration<double>(ended.wall - began.wall).count();
    if (began.own.known && ended.own.known && ended.own.preempted != began.own.preempted) {
        return ended.own.processor - began.own.processor;
    }
    return wall;
}

// Measures how long each message keeps the host's thread, and passes every call on.
class timing_monitor : public call_monitor {
public:
    explicit timing_monitor(call_monitor& next) : forward(next) {}

    void callBegins(int deskNumber, const std::string& what) override {
        forward.callBegins(deskNumber, what);
        current = what;
        began = thread_clock();
    }
    void callReturned() override {
        const thread_clock ended;
        if (current.rfind("notify", 0) == 0) {
            messages.push_back({current, keptFor(began, ended)});
        }
        preemptionsCounted = ended.own.preemptionsCounted;
        ++calls;
        forward.callReturned();
    }

    struct timed_call {
        std::string what;
        double took = 0.0;
    };
    std::vector<timed_call> messages; // every notify, in order
    std::int64_t calls = 0;
    bool preemptionsCounted = false;

private:
    call_monitor& forward;
    std::string current;
    thread_clock began;
};

// The call that kept the host's thread longest.
timing_monitor::timed_call slowestOf(const std::vector<timing_monitor::timed_call>& messages) {
    timing_monitor::timed_call slowest;
    for (const timing_monitor::timed_call& each : messages) {
        if (each.took > slowest.took) {
            slowest = each;
        }
    }
    return slowest;
}

std::string milliseconds(double seconds) {
    const double ms = seconds * 1000.0;
    std::string text = std::to_string(static_cast<std::int64_t>(ms * 10.0 + 0.5));
    if (text.size() < 2) {
        text.insert(0, "0");
    }
    return text.substr(0, text.size() - 1) + "." + text.substr(text.size() - 1) + " ms";
}

// Plays actions lines of the session on desk 1; stops after the first action that broke the
// contract. Each line goes to the file (if any) before it is played.
struct session_play {
    std::int64_t played = 0;
    std::optional<check_finding> broken;
    std::optional<std::string> fastTimer; // the first timer started too fast, and when
};

session_play playSession(probe& run, const validation_settings& settings, std::ofstream* file) {
    // Faults of the start-up are start-up's to report.
    const std::size_t since = run.violations();
    operator_session session(settings.seed);
    scenario_runner runner(run.host, run.quiet);
    session_play play;
    try {
        for (; play.played < settings.messages; ++play.played) {
            const std::string line = session.nextLine(run.host);
            if (line.empty()) {
                break;
            }
            if (file != nullptr) {
                *file << line << '\n' << std::flush;
            }
            const auto step = parseScenarioLine(line, "the session", 1);
            runner.run(*step);
            if (!play.fastTimer) {
                if (const auto fast = fastTimer(settings, run.host.log().commandsOfAction(0))) {
                    play.fastTimer =
                        "at action " + std::to_string(play.played + 1) + " (" + line + ") " + *fast;
                }
            }
            if (auto broken = run.brokenSince(since)) {
                broken->reason +=
                    ", at action " + std::to_string(play.played + 1) + " (" + line + ")";
                play.broken = broken;
                ++play.played;
                break;
            }
        }
    } catch (const run_halted& halted) {
        play.broken = run.haltedByPanel(halted, since);
        ++play.played;
    }
    return play;
}

// A saved session played as "zeth-host run" plays it.
check_finding replaySession(const validation_settings& settings, call_monitor& calls) {
    const scenario play = readScenarioFile(settings.replayFile);
    probe run(settings, calls);
    if (auto stopped = run.start()) {
        return *stopped;
    }
    const std::size_t since = run.violations();
    scenario_runner runner(run.host, run.quiet);
    try {
        for (const scenario_step& step : play.steps) {
            runner.run(step);
            if (auto broken = run.brokenSince(since)) {
                return *broken;
            }
        }
    } catch (const run_halted& halted) {
        return run.haltedByPanel(halted, since);
    }
    return passed("the saved session replays without a fault");
}

check_finding checkOperatorSession(const validation_settings& settings, call_monitor& calls) {
    if (!settings.replayFile.empty()) {
        return replaySession(settings, calls);
    }
    probe run(settings, calls);
    if (auto stopped = run.start()) {
        return *stopped;
    }
    std::ofstream file;
    if (!settings.sessionFile.empty()) {
        file.open(settings.sessionFile, std::ios::app);
        if (!file) {
            return failed("cannot write the session to " + settings.sessionFile);
        }
    }
    const session_play play = playSession(run, settings, file.is_open() ? &file : nullptr);
    if (play.broken) {
        return *play.broken;
    }
    if (play.played == 0) {
        return {check_outcome::skipped,
                "the desk shows no enabled control and the facility has no router: nothing to "
                "act on"};
    }
    const std::string done = std::to_string(play.played) + " operator actions (seed " +
                             std::to_string(settings.seed) +
                             "), the contract kept on every message";
    if (play.fastTimer) {
        return {check_outcome::warning, done + "; but " + *play.fastTimer};
    }
    return passed(done);
}

// The session's messages, each with the time it kept the host's thread.
std::optional<check_finding> timeSession(const validation_settings& settings,
                                         timing_monitor& timing) {
    probe run(settings, timing);
    if (auto stopped = run.start()) {
        return stopped;
    }
    // The same session as operator-session; its faults are that check's to report.
    playSession(run, settings, nullptr);
    return std::nullopt;
}

check_finding checkMessageTime(const validation_settings& settings, call_monitor& calls) {
    timing_monitor timing(calls);
    if (auto stopped = timeSession(settings, timing)) {
        return *stopped;
    }
    std::vector<timing_monitor::timed_call> shortest = timing.messages;
    // Where the system does not say when it took the processor away, a wall time also holds what
    // the machine gave to others. The same session (the seed decides it) is then timed up to twice
    // more, and each message counts with its shortest time: a slow panel is slow every time, a
    // busy machine seldom takes the same message twice. A second session with other messages (a
    // panel that does not repeat itself) leaves the first one's times.
    for (int again = 0;
         again < 2 && !timing.preemptionsCounted && slowestOf(shortest).took > settings.slowMessage;
         ++again) {
        timing_monitor retimed(calls);
        if (timeSession(settings, retimed) || retimed.messages.size() != shortest.size()) {
            break;
        }
        bool same = true;
        for (std::size_t i = 0; i < shortest.size() && same; ++i) {
            same = retimed.messages[i].what == shortest[i].what;
            shortest[i].took = std::min(shortest[i].took, retimed.messages[i].took);
        }
        if (!same) {
            shortest = timing.messages;
            break;
        }
    }
    const std::string limit = milliseconds(settings.slowMessage);
    const timing_monitor::timed_call slowest = slowestOf(shortest);
    if (slowest.took > settings.slowMessage) {
        return {check_outcome::warning, slowest.what + " kept the host's thread " +
                                            milliseconds(slowest.took) + " (more than " + limit +
                                            ")"};
    }
    return passed(std::to_string(timing.calls) +
                  " calls, none kept the host's thread longer "
                  "than " +
                  limit);
}

} // namespace

const std::vector<plugin_check>& pluginChecks() {
    static const std::vector<plugin_check> checks = {
        {"exports", "the library loads and exports the factory; a warning for any further export",
         checkExports},
        {"factory", "the factory, given the host and the panel path, returns a panel",
         checkFactory},
        {"factory-null-host", "the factory, given a null host, neither crashes nor throws",
         checkNullHost},
        {"start-up",
         "every start-up command is known and well formed, every reply goes back as the "
         "contract says",
         checkStartUp},
        {"closing-notice", "deleting the panel sends \"AS\" last, and nothing after it",
         checkClosingNotice},
        {"message-codes", "every message code, unknown codes included, with well-formed records",
         checkMessageCodes},
        {"hostile-records",
         "null words, empty and very long texts, extreme numbers, parameters of 32 and more "
         "parts",
         checkHostileRecords},
        {"queries", "queries of every control: each answer that is not null is handed back",
         checkQueries},
        {operatorSessionId,
         "a seeded random operator session over the layout's controls, the contract checked on "
         "every message; a failure is saved as a scenario",
         checkOperatorSession},
        {"message-time", "a warning when one message keeps the host's thread longer than 10 ms",
         checkMessageTime},
    };
    return checks;
}

const plugin_check* checkNamed(std::string_view id) {
    for (const plugin_check& each : pluginChecks()) {
        if (each.id == id) {
            return &each;
        }
    }
    return nullptr;
}
