#include "scenario_runner.h"

#include "text_transcript.h"

#include <algorithm>
#include <limits>

namespace {

// The text with every "{panel_path}" in it replaced by the panel path.
std::string expanded(std::string text, const std::string& panelPath) {
    static const std::string marker = "{panel_path}";
    for (std::size_t at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + panelPath.size())) {
        text.replace(at, marker.size(), panelPath);
    }
    return text;
}

} // namespace

std::string scenario_runner::expand(const std::string& text) const {
    return expanded(text, host.panelPath());
}

void scenario_runner::run(const scenario_step& step) {
    record.atLine(step.line);
    if (isExpectation(step.what)) {
        expect(step);
        return;
    }
    switch (step.what) {
    case scenario_step::kind::comment: {
        transcript_entry entry;
        entry.kind = entry_kind::comment;
        entry.time = host.clock().now();
        entry.text = step.text;
        entry.continues = step.continues;
        record.add(std::move(entry));
        return;
    }
    case scenario_step::kind::desk:
        if (step.number > host.desks()) {
            cannot("there is no desk " + std::to_string(step.number) + " (desks: 1 to " +
                   std::to_string(host.desks()) + ")");
            return;
        }
        deskNumber = static_cast<int>(step.number);
        return;
    case scenario_step::kind::view:
        host.showViews();
        return;
    case scenario_step::kind::hostAnswers:
    case scenario_step::kind::hostAnswersNormally:
        answers(step);
        return;
    default:
        action(step);
        return;
    }
}

void scenario_runner::answers(const scenario_step& step) {
    transcript_entry entry;
    entry.kind = entry_kind::note;
    entry.time = host.clock().now();
    if (step.what == scenario_step::kind::hostAnswersNormally) {
        host.answerNormally();
        entry.text = "from now on the host gives its own replies";
    } else {
        reply_override rule;
        rule.text = expand(step.name);
        rule.starting = step.prefix;
        rule.reply = step.null ? std::nullopt : std::optional<std::string>(step.value);
        rule.once = step.once;
        entry.text = std::string(step.once ? "the next command " : "from now on every command ") +
                     (step.prefix ? "starting " : "") + quotedWord(rule.text) + " is answered " +
                     (step.null ? "null" : quotedWord(step.value));
        host.answer(std::move(rule));
    }
    record.add(std::move(entry));
}

void scenario_runner::action(const scenario_step& step) {
    lastWasQuery = step.what == scenario_step::kind::query;
    lastAnswer.reset();
    lastRefused = false;
    action_result result;
    switch (step.what) {
    case scenario_step::kind::select:
        result = host.select(deskNumber, step.list, static_cast<std::int32_t>(step.number));
        break;
    case scenario_step::kind::selectNamed:
        result = host.selectNamed(deskNumber, step.list, step.name);
        break;
    case scenario_step::kind::click:
        result = host.click(deskNumber, step.name, step.anyway);
        break;
    case scenario_step::kind::tick:
        result = host.tick(deskNumber, static_cast<std::int32_t>(step.number));
        break;
    case scenario_step::kind::event:
        result =
            host.controlEvent(deskNumber, step.texts.at(0), step.texts.at(1), step.texts.at(2));
        break;
    case scenario_step::kind::message:
        result = host.hostMessage(deskNumber, static_cast<int>(step.number), step.name);
        break;
    case scenario_step::kind::wait:
        host.advance(step.number);
        break;
    case scenario_step::kind::query:
        result = host.query(deskNumber, step.name);
        lastAnswer = result.answer;
        break;
    case scenario_step::kind::close:
        result = host.close(deskNumber);
        break;
    case scenario_step::kind::route:
    case scenario_step::kind::revertive: {
        const bool route = step.what == scenario_step::kind::route;
        const auto device = route ? host.routerDevice(step.name) : host.deviceNumber(step.name);
        if (!device) {
            cannot(std::string(route ? "there is no router \"" : "there is no device \"") +
                   step.name + "\"");
            return;
        }
        result = step.what == scenario_step::kind::route
                     ? host.routeBehind(*device, step.destination, step.source)
                     : host.injectRevertive(*device, step.destination, step.source);
        break;
    }
    default:
        return;
    }
    if (!result.done) {
        cannot(result.problem);
    }
    noteLayouts();
    if (!result.control.empty()) {
        reach.reached(result.layoutFile, result.control);
    }
    host.showViews();
}

void scenario_runner::noteLayouts() {
    for (int number = 1; number <= host.desks(); ++number) {
        for (const auto& [id, shown] : host.deskNumbered(number)->panels()) {
            reach.shown(shown);
        }
    }
}

void scenario_runner::cannot(const std::string& problem) {
    ++problems;
    lastRefused = true;
    lastProblem = failing.size();
    failing.push_back({record.line(), "cannot: " + problem, "not-carried-out"});
    transcript_entry entry;
    entry.kind = entry_kind::problem;
    entry.time = host.clock().now();
    entry.deskNumber = deskNumber;
    entry.text = problem;
    record.add(std::move(entry));
}

void scenario_runner::verdict(const scenario_step& step, const expectation_check& outcome) {
    outcome.met ? ++passed : ++failures;
    transcript_entry entry;
    entry.kind = entry_kind::expectation;
    entry.time = host.clock().now();
    entry.deskNumber = deskNumber;
    entry.text = step.text.rfind("expect ", 0) == 0 ? step.text.substr(7) : step.text;
    entry.passed = outcome.met;
    entry.detail = outcome.met ? std::string() : outcome.found;
    if (!outcome.met) {
        failing.push_back({step.line, text_transcript::expectationText(entry), "expectation"});
    }
    record.add(std::move(entry));
}

const layout_control* scenario_runner::control(int onDesk, const std::string& name,
                                               std::string& problem, std::string& file) const {
    const desk* current = host.deskNumbered(onDesk);
    if (current == nullptr) {
        problem = "there is no desk " + std::to_string(onDesk);
        return nullptr;
    }
    for (const auto& [id, shown] : current->panels()) {
        if (const layout_control* named = shown.control(name)) {
            file = shown.file;
            return named;
        }
    }
    problem = "desk " + std::to_string(onDesk) + " shows no control " + name;
    return nullptr;
}

void scenario_runner::expect(const scenario_step& step) {
    switch (step.what) {
    case scenario_step::kind::expectRefused:
        verdict(step, {lastRefused, "the last action was carried out"});
        if (lastRefused) {
            lastRefused = false;
            --problems; // claimed: reported, but expected
            if (lastProblem) {
                failing.erase(failing.begin() + static_cast<std::ptrdiff_t>(*lastProblem));
                lastProblem.reset();
            }
        }
        return;
    case scenario_step::kind::expectViolation:
        verdict(step, {host.log().claimViolation(deskNumber, step.violation),
                       "no such violation during the last action"});
        return;
    case scenario_step::kind::expectEnabled:
    case scenario_step::kind::expectProperty: {
        std::string problem;
        std::string file;
        if (control(deskNumber, step.name, problem, file) != nullptr) {
            reach.lookedAt(file, step.name);
        }
        verdict(step, check(step, deskNumber));
        return;
    }
    default:
        verdict(step, check(step, deskNumber));
        return;
    }
}

// Texts of the commands, quoted, one space apart: how a failed "expect commands" shows them.
namespace {
std::string quotedTexts(const std::vector<std::string>& texts) {
    std::string shown;
    for (const std::string& text : texts) {
        shown += (shown.empty() ? "\"" : " \"") + text + "\"";
    }
    return shown.empty() ? "none" : shown;
}
} // namespace

expectation_check scenario_runner::check(const scenario_step& step, int onDesk) const {
    std::string problem;
    std::string file;
    switch (step.what) {
    case scenario_step::kind::expectCrosspoint: {
        const auto device = host.routerDevice(step.name);
        const auto source =
            device ? host.routers().source(*device, step.destination) : std::nullopt;
        if (!source) {
            return {false, device
                               ? "the router has no destination " + std::to_string(step.destination)
                               : "there is no router \"" + step.name + "\""};
        }
        return {*source == step.source, "it carries " + std::to_string(*source)};
    }
    case scenario_step::kind::expectEnabled: {
        const layout_control* found = control(onDesk, step.name, problem, file);
        if (found == nullptr) {
            return {false, problem};
        }
        return {found->enabled == step.enabled,
                found->enabled ? "it is enabled" : "it is disabled"};
    }
    case scenario_step::kind::expectProperty: {
        const layout_control* found = control(onDesk, step.name, problem, file);
        if (found == nullptr) {
            return {false, problem};
        }
        const auto value = found->properties.find(step.property);
        if (value == found->properties.end()) {
            return {false, step.name + " has no property " + step.property};
        }
        return {value->second == expand(step.value), "it is \"" + value->second + "\""};
    }
    case scenario_step::kind::expectCommand: {
        const std::string wanted = expand(step.name);
        std::string seen;
        int matches = 0;
        for (const logged_command* command : host.log().commandsOfAction(onDesk)) {
            const bool match =
                step.prefix ? command->text.rfind(wanted, 0) == 0 : command->text == wanted;
            if (match) {
                ++matches;
                seen += (seen.empty() ? "" : ", ") + ("\"" + command->text + "\"");
            }
        }
        return {(matches > 0) != step.negated,
                step.negated ? "it was sent: " + seen
                             : "desk " + std::to_string(onDesk) +
                                   " sent no such command during the last action"};
    }
    case scenario_step::kind::expectCommands:
        return checkCommands(step, onDesk);
    case scenario_step::kind::expectDebug: {
        const std::string wanted = expand(step.name);
        const std::vector<std::string>& written = host.log().debugOfAction(onDesk);
        std::string seen;
        std::string all;
        int matches = 0;
        for (const std::string& line : written) {
            if (step.prefix ? line.rfind(wanted, 0) == 0 : line == wanted) {
                ++matches;
                seen += (seen.empty() ? "" : ", ") + quotedWord(line);
            }
            all += (all.empty() ? "" : ", ") + quotedWord(line);
        }
        return {(matches > 0) != step.negated,
                step.negated      ? "it wrote " + seen
                : written.empty() ? "desk " + std::to_string(onDesk) +
                                        " wrote no debug output during the last action"
                                  : "desk " + std::to_string(onDesk) + " wrote " + all};
    }
    case scenario_step::kind::expectAnswer:
        return {lastWasQuery && (step.null ? !lastAnswer : lastAnswer == expand(step.name)),
                !lastWasQuery ? "the last action was not a query"
                : lastAnswer  ? "it answered \"" + *lastAnswer + "\", handed back to it"
                              : "it answered null"};
    case scenario_step::kind::expectTimers: {
        const int running = host.timersRunning(onDesk);
        return {running == step.number,
                "desk " + std::to_string(onDesk) + " runs " + std::to_string(running)};
    }
    default:
        return {false, "\"" + step.text + "\" is not an expectation checked by itself"};
    }
}

expectation_check scenario_runner::checkCommands(const scenario_step& step, int onDesk) const {
    std::vector<std::string> sent;
    for (const logged_command* command : host.log().commandsOfAction(onDesk)) {
        sent.push_back(command->text);
    }
    std::vector<std::string> run;
    for (const std::string& text : step.texts) {
        run.push_back(expand(text));
    }
    const auto matchesAt = [&](std::size_t at) {
        return at + run.size() <= sent.size() &&
               std::equal(run.begin(), run.end(), sent.begin() + static_cast<std::ptrdiff_t>(at));
    };
    bool met = false;
    switch (step.place) {
    case scenario_step::run_place::whole:
        met = sent == run;
        break;
    case scenario_step::run_place::first:
        met = matchesAt(0);
        break;
    case scenario_step::run_place::last:
        met = sent.size() >= run.size() && matchesAt(sent.size() - run.size());
        break;
    case scenario_step::run_place::including:
        met = std::search(sent.begin(), sent.end(), run.begin(), run.end()) != sent.end();
        break;
    }
    return {met, "desk " + std::to_string(onDesk) + " sent " + quotedTexts(sent)};
}

std::string summaryText(const std::string& name, const scenario_outcome& outcome) {
    return name + ": " + (outcome.passed() ? "passed" : "FAILED") + ", " +
           std::to_string(outcome.met) + " expectations met, " + std::to_string(outcome.failed) +
           " failed, " +
           (outcome.notCarriedOut > 0
                ? std::to_string(outcome.notCarriedOut) +
                      (outcome.notCarriedOut == 1 ? " action" : " actions") + " not carried out, "
                : std::string()) +
           std::to_string(outcome.violations) + " contract violations";
}

std::size_t hostOpening(const scenario& play, std::size_t from) {
    std::size_t end = from;
    for (std::size_t next = from; next < play.steps.size(); ++next) {
        const scenario_step::kind what = play.steps[next].what;
        if (what == scenario_step::kind::hostAnswers ||
            what == scenario_step::kind::hostAnswersNormally) {
            end = next + 1; // the comments before it go with it; those after it stay
        } else if (what != scenario_step::kind::comment) {
            break;
        }
    }
    return end;
}

scenario_outcome runScenario(const scenario& play, const std::string& name,
                             const scenario_setup& setup, transcript& record) {
    record.atLine(0);
    const int desks = play.panels.value_or(setup.defaultDesks);
    transcript_entry banner;
    banner.kind = entry_kind::banner;
    banner.text = "zeth-host: " + name + " with " + setup.description + ", " +
                  std::to_string(desks) + (desks == 1 ? " desk" : " desks") + ", " +
                  (setup.options.realtime ? "real time" : "virtual clock");
    record.add(std::move(banner));

    // The scenario's opening paragraph says what it is about: it comes before the start-up.
    std::size_t first = 0;
    for (; first < play.steps.size() && play.steps[first].what == scenario_step::kind::comment &&
           (first == 0 || play.steps[first].continues);
         ++first) {
        transcript_entry entry;
        entry.kind = entry_kind::comment;
        entry.text = play.steps[first].text;
        entry.continues = play.steps[first].continues;
        record.add(std::move(entry));
    }
    emulator host(setup.plant, setup.layouts, setup.options, record);
    scenario_runner runner(host, record);
    try {
        // How the host answers, said at the top, holds for the start-up conversation too.
        const std::size_t opening = hostOpening(play, first);
        for (; first < opening; ++first) {
            runner.run(play.steps[first]);
        }
        host.start(desks);
        runner.noteLayouts();
        host.showViews();
        for (std::size_t next = first; next < play.steps.size(); ++next) {
            runner.run(play.steps[next]);
        }
    } catch (const run_halted& halted) {
        // A runaway panel ends the scenario here, reported; anything else is the set-up's.
        if (halted.reason().why != run_halt::cause::runaway) {
            throw;
        }
    }
    // The deletion of the panels belongs to no line; what breaks there is reported last.
    record.atLine(0);
    const std::size_t beforeFinish = host.log().violations().size();
    host.finish();

    scenario_outcome outcome;
    outcome.met = runner.met();
    outcome.failed = runner.failed();
    outcome.notCarriedOut = runner.notCarriedOut();
    outcome.violations = host.log().unexpectedViolations();
    std::vector<std::pair<int, scenario_failure>> ordered;
    for (const scenario_failure& each : runner.failuresFound()) {
        ordered.emplace_back(each.line, each);
    }
    const auto& violations = host.log().violations();
    for (std::size_t at = 0; at < violations.size(); ++at) {
        if (!violations[at].expected) {
            const logged_violation& each = violations[at];
            ordered.emplace_back(
                at >= beforeFinish ? std::numeric_limits<int>::max() : each.line,
                scenario_failure{each.line,
                                 std::string(violationId(each.what.kind)) + ": " + each.what.detail,
                                 std::string(violationId(each.what.kind))});
        }
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& [key, each] : ordered) {
        outcome.failures.push_back(std::move(each));
    }
    outcome.coverage = runner.coverage();
    outcome.coverage.commandsSent(host.log().commandCounts());
    outcome.coverage.messagesDelivered(host.log().deliveryCounts());

    transcript_entry summary;
    summary.kind = entry_kind::summary;
    summary.time = host.clock().now();
    summary.text = summaryText(name, outcome);
    record.add(std::move(summary));
    return outcome;
}
