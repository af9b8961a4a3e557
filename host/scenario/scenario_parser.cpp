#include "scenario_parser.h"

#include "problem_list.h"
#include "scenario_language.h"
#include "text_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <sstream>

namespace {

struct word {
    std::string text;
    bool quoted = false;
};

// A problem on one line; the parser adds the file and the line.
struct line_error {
    std::string message;
};

[[noreturn]] void expected(const std::string& what) {
    throw line_error{"expected " + what};
}

std::string shown(const word& found) {
    return found.quoted ? "\"" + found.text + "\"" : "'" + found.text + "'";
}

// Cuts a line into words; drops the comment. Throws line_error for an unclosed quote.
std::vector<word> splitWords(const std::string& line) {
    std::vector<word> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const char c = line[at];
        if (c == ' ' || c == '\t' || c == '\r') {
            ++at;
        } else if (c == '#') {
            break;
        } else if (c == '"') {
            word quoted{"", true};
            ++at;
            while (true) {
                if (at >= line.size()) {
                    throw line_error{"a text opened with \" is never closed"};
                }
                if (line[at] == '\\' && at + 1 < line.size() &&
                    (line[at + 1] == '"' || line[at + 1] == '\\')) {
                    quoted.text += line[at + 1];
                    at += 2;
                } else if (line[at] == '"') {
                    ++at;
                    break;
                } else {
                    quoted.text += line[at++];
                }
            }
            words.push_back(quoted);
        } else {
            const std::size_t end = line.find_first_of(" \t\r#\"", at);
            words.push_back({line.substr(at, end == std::string::npos ? end : end - at), false});
            at = end == std::string::npos ? line.size() : end;
        }
    }
    return words;
}

// The words again, one space apart, texts quoted: the line as the transcript shows it.
std::string joinWords(const std::vector<word>& words) {
    std::string text;
    for (const word& each : words) {
        text += text.empty() ? "" : " ";
        if (!each.quoted) {
            text += each.text;
            continue;
        }
        text += quotedWord(each.text);
    }
    return text;
}

bool readInteger(const word& found, std::int64_t low, std::int64_t high, std::int64_t& number) {
    if (found.quoted || found.text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long value = std::strtoll(found.text.c_str(), &end, 10);
    if (*end != '\0' || errno != 0 || value < low || value > high) {
        return false;
    }
    number = value;
    return true;
}

constexpr std::int64_t int32Low = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t int32High = std::numeric_limits<std::int32_t>::max();

// Reads words one after the other, each with a message for what should have been there.
class reader {
public:
    explicit reader(std::vector<word> line) : words(std::move(line)) {}

    bool atEnd() const { return next == words.size(); }
    const word& take(const std::string& what) {
        if (atEnd()) {
            expected(what + " at the end of the line");
        }
        return words[next++];
    }
    bool takeIf(const std::string& keyword) {
        if (!atEnd() && !words[next].quoted && words[next].text == keyword) {
            ++next;
            return true;
        }
        return false;
    }
    void keyword(const std::string& keyword, const std::string& what) {
        const word& found = take(what);
        if (found.quoted || found.text != keyword) {
            expected(what + ", found " + shown(found));
        }
    }
    std::string name(const std::string& what) {
        const word& found = take(what);
        if (found.text.empty()) {
            expected(what + ", found an empty text");
        }
        return found.text;
    }
    std::int64_t integer(const std::string& what, std::int64_t low, std::int64_t high) {
        const word& found = take(what);
        std::int64_t number = 0;
        if (!readInteger(found, low, high, number)) {
            expected(what + " (a whole number from " + std::to_string(low) + " to " +
                     std::to_string(high) + "), found " + shown(found));
        }
        return number;
    }
    void end(const std::string& after) {
        if (!atEnd()) {
            expected("the end of the line after " + after + ", found " + shown(words[next]));
        }
    }

private:
    std::vector<word> words;
    std::size_t next = 0;
};

// "3s", "1500ms", "2.5s" -> milliseconds.
std::int64_t duration(const word& found) {
    const std::string& text = found.text;
    const std::string hint = "a duration such as 3s, 2.5s or 1500ms, found " + shown(found);
    if (found.quoted) {
        expected(hint);
    }
    std::size_t digits = 0;
    while (digits < text.size() &&
           (std::isdigit(static_cast<unsigned char>(text[digits])) != 0 || text[digits] == '.')) {
        ++digits;
    }
    const std::string number = text.substr(0, digits);
    const std::string unit = text.substr(digits);
    if (number.empty() || number.find('.') != number.rfind('.') || number.front() == '.' ||
        number.back() == '.' || (unit != "s" && unit != "ms") ||
        (unit == "ms" && number.find('.') != std::string::npos) || number.size() > 9) {
        expected(hint);
    }
    if (unit == "ms") {
        return std::stoll(number);
    }
    const std::size_t point = number.find('.');
    const std::string whole = number.substr(0, point);
    std::string fraction = point == std::string::npos ? "" : number.substr(point + 1);
    if (fraction.size() > 3) {
        expected("at most three decimals of a second, found " + shown(found));
    }
    fraction.resize(3, '0');
    return std::stoll(whole) * 1000 + std::stoll(fraction);
}

// A route stays within what a router can carry; a revertive reports any numbers at all.
void routerStep(reader& in, scenario_step& step, const std::string& verb) {
    const bool route = verb == "route";
    step.name = in.name(std::string(route ? "a router" : "a device") +
                        " (a device name in quotes, or a number) after '" + verb + "'");
    step.destination = static_cast<std::int32_t>(
        in.integer("a destination number", route ? 1 : int32Low, int32High));
    step.source =
        static_cast<std::int32_t>(in.integer("a source number", route ? 0 : int32Low, int32High));
    in.end("the source");
}

// The text of a command, a debug line or a reply: in double quotes.
std::string quotedText(reader& in, const std::string& what) {
    const word& text = in.take(what + " in double quotes");
    if (!text.quoted) {
        expected(what + " in double quotes, found " + shown(text));
    }
    return text.text;
}

void hostAnswers(reader& in, scenario_step& step) {
    in.keyword("answers", "'answers' after 'host'");
    if (in.takeIf("normally")) {
        step.what = scenario_step::kind::hostAnswersNormally;
        in.end("'normally'");
        return;
    }
    step.what = scenario_step::kind::hostAnswers;
    step.prefix = in.takeIf("starting");
    const std::string what =
        "a command text in double quotes after 'answers' (or 'starting', or 'normally')";
    const word& command = in.take(what);
    if (!command.quoted) {
        expected(what + ", found " + shown(command));
    }
    step.name = command.text;
    in.keyword("with", "'with' after the command text");
    const word& reply = in.take("a reply in double quotes, or null, after 'with'");
    if (!reply.quoted && reply.text != "null") {
        expected("a reply in double quotes, or null, after 'with', found " + shown(reply));
    }
    step.null = !reply.quoted;
    step.value = reply.text;
    step.once = in.takeIf("once");
    if (!in.atEnd()) {
        expected(std::string(step.once ? "the end of the line after 'once'"
                                       : "'once' or the end of the line after the reply") +
                 ", found " + shown(in.take("")));
    }
}

void expectation(reader& in, scenario_step& step) {
    const word& what = in.take("what to expect (" + scenarioVerbs(true) + ")");
    const std::string& verb = what.text;
    if (!what.quoted && verb == "crosspoint") {
        step.what = scenario_step::kind::expectCrosspoint;
        step.name = in.name("a router (a device name in quotes, or a number)");
        step.destination =
            static_cast<std::int32_t>(in.integer("a destination number", 1, int32High));
        in.keyword("=", "'=' between the destination and the source");
        step.source = static_cast<std::int32_t>(in.integer("a source number", 0, int32High));
        in.end("the source");
    } else if (!what.quoted && (verb == "enabled" || verb == "disabled")) {
        step.what = scenario_step::kind::expectEnabled;
        step.enabled = verb == "enabled";
        step.name = in.name("a control name after '" + verb + "'");
        in.end("the control");
    } else if (!what.quoted && verb == "property") {
        step.what = scenario_step::kind::expectProperty;
        step.name = in.name("a control name after 'property'");
        step.property = in.name("a property name after the control");
        in.keyword("=", "'=' between the property and its value");
        step.value = in.take("a value after '=' (\"\" for an empty one)").text;
        in.end("the value");
    } else if (!what.quoted && (verb == "command" || verb == "debug" || verb == "no")) {
        bool debug = verb == "debug";
        if (verb == "no") {
            step.negated = true;
            debug = in.takeIf("debug");
            if (!debug) {
                in.keyword("command", "'command' or 'debug' after 'expect no'");
            }
        }
        step.what = debug ? scenario_step::kind::expectDebug : scenario_step::kind::expectCommand;
        if (debug && step.negated && in.atEnd()) {
            step.prefix = true; // no line at all: none begins with the empty text
            return;
        }
        step.prefix = in.takeIf("starting");
        step.name = quotedText(in, debug ? "a debug text" : "a command text");
        in.end(debug ? "the debug text" : "the command text");
    } else if (!what.quoted && verb == "commands") {
        step.what = scenario_step::kind::expectCommands;
        using place = scenario_step::run_place;
        step.place = in.takeIf("first")       ? place::first
                     : in.takeIf("last")      ? place::last
                     : in.takeIf("including") ? place::including
                                              : place::whole;
        if (step.place == place::whole && in.takeIf("none")) {
            in.end("'none'");
            return;
        }
        while (!in.atEnd() || step.texts.empty()) {
            step.texts.push_back(quotedText(in, "a command text"));
        }
    } else if (!what.quoted && verb == "answer") {
        step.what = scenario_step::kind::expectAnswer;
        const word& text = in.take("null or an answer text in double quotes after 'answer'");
        if (!text.quoted && text.text != "null") {
            expected("null or an answer text in double quotes after 'answer', found " +
                     shown(text));
        }
        step.null = !text.quoted;
        step.name = text.text;
        in.end("the answer");
    } else if (!what.quoted && verb == "timers") {
        step.what = scenario_step::kind::expectTimers;
        step.number = in.integer("a number of timers after 'timers'", 0, int32High);
        in.end("the number of timers");
    } else if (!what.quoted && verb == "refused") {
        step.what = scenario_step::kind::expectRefused;
        in.end("'refused'");
    } else if (!what.quoted && verb == "violation") {
        step.what = scenario_step::kind::expectViolation;
        const word& id = in.take("a violation id such as reply-not-handed-back");
        const auto kind = violationFromId(id.text);
        if (!kind) {
            std::string known;
            for (const violation_kind each : allViolationKinds()) {
                known += (known.empty() ? "" : ", ") + std::string(violationId(each));
            }
            expected("a violation id (" + known + "), found " + shown(id));
        }
        step.violation = *kind;
        in.end("the violation id");
    } else {
        expected(scenarioVerbs(true) + " after 'expect', found " + shown(what));
    }
}

// Parses one line; nothing for blank lines. A "panels" line sets panels instead of a step.
// A "facility" line sets facility instead of a step.
std::optional<scenario_step> parseLine(const std::string& line, int number,
                                       std::optional<int>& panels,
                                       std::optional<std::string>& facility) {
    std::vector<word> words = splitWords(line);
    if (words.empty()) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line[start] != '#' ||
            line.rfind("# exit status:", start) == start) {
            return std::nullopt;
        }
        scenario_step comment;
        comment.what = scenario_step::kind::comment;
        comment.line = number;
        comment.text = line.substr(line.find_first_not_of("# \t", start) == std::string::npos
                                       ? line.size()
                                       : line.find_first_not_of("# \t", start));
        while (!comment.text.empty() &&
               (comment.text.back() == ' ' || comment.text.back() == '\r')) {
            comment.text.pop_back();
        }
        return comment;
    }
    scenario_step step;
    step.line = number;
    step.text = joinWords(words);
    reader in(std::move(words));
    const word& verb = in.take("an action");
    const std::string& name = verb.quoted ? std::string() : verb.text;
    if (name == "panels") {
        panels = static_cast<int>(in.integer("the number of desks after 'panels'", 1, 1000));
        in.end("the number of desks");
        return std::nullopt;
    }
    if (name == "facility") {
        const word& file = in.take("a facility file in double quotes after 'facility'");
        if (!file.quoted || file.text.empty()) {
            expected("a facility file in double quotes after 'facility', found " + shown(file));
        }
        facility = file.text;
        in.end("the facility file");
        return std::nullopt;
    }
    if (name == "desk") {
        step.what = scenario_step::kind::desk;
        step.number = in.integer("a desk number after 'desk'", 1, 1000);
        in.end("the desk number");
    } else if (name == "select") {
        const word& item = in.take("an item number or an item text in quotes after 'select'");
        std::int64_t index = 0;
        if (readInteger(item, int32Low, int32High, index)) {
            step.what = scenario_step::kind::select;
            step.number = index;
        } else {
            step.what = scenario_step::kind::selectNamed;
            step.name = item.text;
        }
        if (in.takeIf("in")) {
            step.list = in.name("a list name after 'in'");
        }
        in.end("the item");
    } else if (name == "click") {
        step.what = scenario_step::kind::click;
        step.name = in.name("a control name after 'click'");
        step.anyway = in.takeIf("anyway");
        in.end(step.anyway ? "'anyway'" : "the control name");
    } else if (name == "wait") {
        step.what = scenario_step::kind::wait;
        step.number = duration(in.take("a duration after 'wait', such as 3s or 1500ms"));
        in.end("the duration");
    } else if (name == "route" || name == "revertive") {
        step.what = name == "route" ? scenario_step::kind::route : scenario_step::kind::revertive;
        routerStep(in, step, name);
    } else if (name == "query") {
        step.what = scenario_step::kind::query;
        step.name = in.take("a property text after 'query', such as \"return=all\"").text;
        in.end("the property text");
    } else if (name == "tick") {
        step.what = scenario_step::kind::tick;
        step.number = in.integer("a timer id after 'tick'", int32Low, int32High);
        in.end("the timer id");
    } else if (name == "event") {
        step.what = scenario_step::kind::event;
        step.texts.push_back(in.take("a panel id after 'event', such as \"1\"").text);
        step.texts.push_back(in.take("a control name after the panel id").text);
        step.texts.push_back(in.take("the control's message after its name, such as "
                                     "\"click\" or \"index=3\"")
                                 .text);
        in.end("the message");
    } else if (name == "message") {
        step.what = scenario_step::kind::message;
        step.number = in.integer("a message code after 'message'", 6, 7);
        step.name = in.take("a text after the message code").text;
        in.end("the text");
    } else if (name == "host") {
        hostAnswers(in, step);
    } else if (name == "close") {
        step.what = scenario_step::kind::close;
        in.end("'close'");
    } else if (name == "view") {
        step.what = scenario_step::kind::view;
        in.end("'view'");
    } else if (name == "expect") {
        expectation(in, step);
    } else {
        expected("an action (" + scenarioVerbs(false) + ") or 'expect', found " + shown(verb));
    }
    return step;
}

std::string located(const std::string& origin, int number, const std::string& message) {
    return origin + ":" + std::to_string(number) + ": " + message;
}

} // namespace

scenario parseScenario(const std::string& text, const std::string& origin) {
    scenario result;
    result.origin = origin;
    std::istringstream lines(text);
    std::string line;
    std::vector<std::string> problems;
    int number = 0;
    int lastComment = -1;
    while (std::getline(lines, line)) {
        ++number;
        try {
            std::optional<int> panels;
            std::optional<std::string> facility;
            std::optional<scenario_step> step = parseLine(line, number, panels, facility);
            if (step && step->what == scenario_step::kind::comment) {
                step->continues = lastComment == number - 1;
                lastComment = number;
            }
            if (panels || facility) {
                const std::string verb = panels ? "panels" : "facility";
                const bool onlyComments =
                    std::all_of(result.steps.begin(), result.steps.end(), [](const auto& earlier) {
                        return earlier.what == scenario_step::kind::comment;
                    });
                if (!onlyComments) {
                    throw line_error{"'" + verb + "' must come before every other line"};
                }
                if ((panels && result.panels) || (facility && !result.facilityLine.empty())) {
                    throw line_error{"'" + verb + "' is given twice"};
                }
                if (panels) {
                    result.panels = panels;
                } else {
                    result.facilityLine = *facility;
                    result.facilityFile = *facility;
                    result.facilityAt = number;
                }
            }
            if (step) {
                result.steps.push_back(std::move(*step));
            }
        } catch (const line_error& error) {
            problems.push_back(located(origin, number, error.message));
        }
    }
    if (!problems.empty()) {
        throw scenario_error(showProblems(problems));
    }
    return result;
}

scenario readScenarioFile(const std::string& path) {
    std::string text;
    try {
        text = readTextFile(path);
    } catch (const text_file_error& error) {
        throw scenario_error(error.what());
    }
    scenario result = parseScenario(text, path);
    if (!result.facilityLine.empty()) {
        const std::filesystem::path facility(result.facilityLine);
        result.facilityFile = facility.is_absolute()
                                  ? facility.string()
                                  : (std::filesystem::path(path).parent_path() / facility)
                                        .lexically_normal()
                                        .string();
    }
    return result;
}

std::string quotedWord(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' || c == '\\' ? std::string("\\") + c : std::string(1, c);
    }
    return quoted + '"';
}

bool isExpectation(scenario_step::kind what) {
    switch (what) {
    case scenario_step::kind::expectCrosspoint:
    case scenario_step::kind::expectEnabled:
    case scenario_step::kind::expectProperty:
    case scenario_step::kind::expectCommand:
    case scenario_step::kind::expectCommands:
    case scenario_step::kind::expectDebug:
    case scenario_step::kind::expectAnswer:
    case scenario_step::kind::expectTimers:
    case scenario_step::kind::expectRefused:
    case scenario_step::kind::expectViolation:
        return true;
    default:
        return false;
    }
}

std::string scenarioWord(const std::string& text) {
    const bool bare = !text.empty() && text.find_first_of(" \t\r\n#\"\\") == std::string::npos;
    return bare ? text : quotedWord(text);
}

std::optional<scenario_step> parseScenarioLine(const std::string& line, const std::string& origin,
                                               int number) {
    try {
        std::optional<int> panels;
        std::optional<std::string> facility;
        std::optional<scenario_step> step = parseLine(line, number, panels, facility);
        if (step && step->what == scenario_step::kind::comment) {
            return std::nullopt;
        }
        if (panels) {
            throw line_error{"'panels' can only begin a scenario file; start the shell with "
                             "--panels instead"};
        }
        if (facility) {
            throw line_error{"'facility' can only begin a scenario file; start the shell with "
                             "--facility instead"};
        }
        return step;
    } catch (const line_error& error) {
        throw scenario_error(located(origin, number, error.message));
    }
}
