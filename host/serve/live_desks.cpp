#include "live_desks.h"

#include "scenario_language.h"
#include "text_file.h"

namespace {

std::string firstWord(const std::string& line) {
    const std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos) {
        return {};
    }
    return line.substr(start, line.find_first_of(" \t\r", start) - start);
}

// Every line that does something to the desks or the routers, except the desk's, which the
// session keeps by itself (a wait is one: it delivers what falls due).
bool isAction(scenario_step::kind what) {
    return what != scenario_step::kind::comment && what != scenario_step::kind::desk &&
           what != scenario_step::kind::view && !isExpectation(what);
}

// The lines a scenario's steps were read from, as the session keeps them.
std::vector<std::string> stepLines(const std::vector<scenario_step>& steps) {
    std::vector<std::string> lines;
    for (const scenario_step& step : steps) {
        lines.push_back(step.what == scenario_step::kind::comment ? "# " + step.text : step.text);
    }
    return lines;
}

void banner(transcript& record, const std::string& text) {
    transcript_entry entry;
    entry.kind = entry_kind::banner;
    entry.text = text;
    record.add(std::move(entry));
}

} // namespace

bool recordedHeadingLine(const std::string& line) {
    return line.rfind("# zeth-host serve:", 0) == 0 || line.rfind("# Play it with:", 0) == 0;
}

live_desks::live_desks(live_setup chosen, transcript& output, std::ostream& userMessages)
    : setup(std::move(chosen)), record(output), messages(userMessages),
      desks(std::make_unique<emulator>(setup.plant, setup.layouts, setup.options, record)),
      runner(std::make_unique<scenario_runner>(*desks, record)),
      recorded({setup.desks, setup.facilityFile}) {}

void live_desks::play(const std::string& pluginFile, const scenario& played) {
    emulator_options options = setup.options;
    options.pluginPath = pluginFile;
    options.realtime = false;
    auto fresh = std::make_unique<emulator>(setup.plant, setup.layouts, options, record);
    auto freshRunner = std::make_unique<scenario_runner>(*fresh, record);
    const int count = played.panels.value_or(setup.desks);
    // How the host answers, said at the top, holds for the start-up conversation too.
    const std::size_t opening = hostOpening(played, 0);
    for (std::size_t next = 0; next < opening; ++next) {
        freshRunner->run(played.steps[next]);
    }
    fresh->start(count);
    fresh->showViews();
    for (std::size_t next = opening; next < played.steps.size(); ++next) {
        freshRunner->run(played.steps[next]);
    }
    if (setup.options.realtime) {
        fresh->followWallClock();
    }
    desks->finish();
    desks = std::move(fresh);
    runner = std::move(freshRunner);
    setup.options.pluginPath = pluginFile;
    setup.desks = count;
}

session_snapshot live_desks::snapshot() const {
    return {
        recorded.version(),
        recorded.scenarioText({"zeth-host serve: the session so far"}, "", desks->clock().now()),
        recorded.lines().size()};
}

void live_desks::start() {
    scenario openings;
    for (const scenario& opening : setup.openings) {
        openings.panels = opening.panels ? opening.panels : openings.panels;
        openings.steps.insert(openings.steps.end(), opening.steps.begin(), opening.steps.end());
    }
    try {
        play(setup.options.pluginPath, openings);
    } catch (const std::exception& error) {
        messages << "zeth-host: " << error.what() << '\n' << std::flush;
        throw;
    }
    recorded.begin(stepLines(openings.steps), setup.desks, runner->currentDesk(),
                   desks->clock().now());
    lastActionEnd = desks->clock().now();
    dueAfterLast = desks->nextDue();
}

void live_desks::rebuild(const std::string& pluginFile, const std::string& text) {
    const scenario played = parseScenario(text, "session.zeth");
    banner(record, "zeth-host serve: the desks made anew on " + pluginFile + ", the session (" +
                       std::to_string(recorded.lines().size()) + " lines) replayed on them");
    play(pluginFile, played);
}

void live_desks::playTo(const std::string& text, const std::string& origin, int upTo) {
    scenario played = parseScenario(text, origin);
    std::vector<scenario_step> steps;
    for (const scenario_step& step : played.steps) {
        if (step.line <= upTo) {
            steps.push_back(step);
        }
    }
    played.steps = std::move(steps);
    banner(record, "zeth-host serve: the desks made anew, " + origin + " played up to line " +
                       std::to_string(upTo));
    play(setup.options.pluginPath, played);
    std::vector<std::string> lines;
    const std::vector<std::string> file = splitLines(text);
    for (std::size_t at = 0; at < file.size() && at < static_cast<std::size_t>(upTo); ++at) {
        const std::string& each = file[at];
        const std::string word = firstWord(each);
        if (!word.empty() && word != "panels" && word != "facility" && !recordedHeadingLine(each)) {
            lines.push_back(each);
        }
    }
    recorded.begin(std::move(lines), setup.desks, runner->currentDesk(), desks->clock().now());
    lastActionEnd = desks->clock().now();
    dueAfterLast = desks->nextDue();
}

line_outcome live_desks::line(const std::string& text) {
    const std::string word = firstWord(text);
    if (word == "help") {
        return {line_outcome::verdict::done, scenarioHelp()};
    }
    if (word == "quit" || word == "exit") {
        return {line_outcome::verdict::unparsable,
                "the page does not stop zeth-host: press Ctrl-C where it runs"};
    }
    std::optional<scenario_step> step;
    try {
        step = parseScenarioLine(text, "page", ++lineNumber);
    } catch (const scenario_error& error) {
        return {line_outcome::verdict::unparsable, error.what()};
    }
    if (!step) {
        return {};
    }
    const std::int64_t at = desks->clock().now();
    const int deskNumber = runner->currentDesk();
    const int problems = runner->notCarriedOut();
    const int failures = runner->failed();
    const std::size_t violations = desks->log().violations().size();
    const std::optional<std::string> unkept = lastActionUnkept(*step, at);
    runner->run(*step);
    const bool carried = runner->notCarriedOut() == problems;
    bool refusedByHost = !carried;
    const auto& logged = desks->log().violations();
    for (std::size_t i = violations; i < logged.size(); ++i) {
        refusedByHost =
            refusedByHost || logged[i].what.kind == violation_kind::clickOnDisabledControl;
    }
    const bool held = runner->failed() == failures;
    if (!unkept) {
        keep(*step, deskNumber, at, carried, held, refusedByHost);
    }
    if (!carried) {
        return {line_outcome::verdict::notCarriedOut, {}};
    }
    if (isExpectation(step->what) && (!held || unkept)) {
        return {line_outcome::verdict::done, (unkept ? *unkept : std::string("it does not hold")) +
                                                 ", so the session does not keep it"};
    }
    return {};
}

std::int64_t live_desks::expectationTime(std::int64_t now) const {
    return dueAfterLast && *dueAfterLast <= now ? now : std::min(now, recorded.lastTime());
}

std::optional<std::string> live_desks::lastActionUnkept(const scenario_step& step,
                                                        std::int64_t now) const {
    const bool claim = step.what == scenario_step::kind::expectRefused ||
                       step.what == scenario_step::kind::expectViolation;
    if (!claim && step.what != scenario_step::kind::expectCommand &&
        step.what != scenario_step::kind::expectCommands &&
        step.what != scenario_step::kind::expectAnswer) {
        return std::nullopt;
    }
    if (!claim && recorded.refusedPending()) {
        return std::string("the last action was refused, and the session keeps it only with an "
                           "expect refused or expect violation");
    }
    if (expectationTime(now) > lastActionEnd) {
        return std::string("the clock's ticks or revertives came in since the last action, "
                           "which a replay waits for in an action of its own: expect what the "
                           "last action did right after it, or serve with --virtual");
    }
    return std::nullopt;
}

void live_desks::keep(const scenario_step& step, int deskNumber, std::int64_t at, bool carried,
                      bool held, bool refusedByHost) {
    if (step.what == scenario_step::kind::wait) {
        recorded.addWait(step.text, step.number, at);
        lastActionEnd = at + step.number;
    } else if (isAction(step.what)) {
        lastActionEnd = at;
        if (refusedByHost || !carried) {
            recorded.addRefused(step.text, deskNumber, at);
            return;
        }
        recorded.add(step.text, deskNumber, at);
    } else if (step.what == scenario_step::kind::expectRefused ||
               step.what == scenario_step::kind::expectViolation) {
        if (!held) {
            return;
        }
        recorded.addClaim(step.text, deskNumber, expectationTime(at));
    } else if (isExpectation(step.what) && held) {
        recorded.add(step.text, deskNumber, expectationTime(at));
    } else {
        return;
    }
    dueAfterLast = desks->nextDue();
}

void live_desks::carriedOut(const std::string& line, int deskNumber, std::int64_t at,
                            bool refused) {
    lastActionEnd = at;
    if (refused) {
        recorded.addRefused(line, deskNumber, at);
        return;
    }
    recorded.add(line, deskNumber, at);
    dueAfterLast = desks->nextDue();
}

void live_desks::waited(std::int64_t milliseconds, std::int64_t at) {
    recorded.addWait(waitLine(milliseconds), milliseconds, at);
    lastActionEnd = at + milliseconds;
    dueAfterLast = desks->nextDue();
}

std::optional<std::string> live_desks::expect(const std::string& line, int deskNumber) {
    const std::optional<scenario_step> step = parseScenarioLine(line, "page", ++lineNumber);
    if (!step || !isExpectation(step->what)) {
        throw scenario_error("page:" + std::to_string(lineNumber) +
                             ": not an expectation: " + line);
    }
    const expectation_check found = runner->check(*step, deskNumber);
    if (!found.met) {
        return "it does not hold (" + step->text.substr(7) + "): " + found.found;
    }
    const std::int64_t at = desks->clock().now();
    if (const std::optional<std::string> unkept = lastActionUnkept(*step, at)) {
        return unkept;
    }
    if (deskNumber != runner->currentDesk()) {
        scenario_step onDesk;
        onDesk.what = scenario_step::kind::desk;
        onDesk.number = deskNumber;
        runner->run(onDesk);
    }
    runner->run(*step);
    recorded.add(step->text, deskNumber, expectationTime(at));
    dueAfterLast = desks->nextDue();
    return std::nullopt;
}
