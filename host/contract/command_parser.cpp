#include "command_parser.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <map>

namespace {

// Argument patterns: 't' a quoted text, 'n' a number; after '|' the optional arguments.
const std::map<std::string, std::string>& grammar() {
    static const std::map<std::string, std::string> patterns = {
        {"CD", "tt"},  {"CE", "tt"},    {"TP", "ttt"},   {"TG", "ttt"}, {"PS", "tt|t"}, {"SD", "t"},
        {"RN", "nnn"}, {"RC", "nnntn"}, {"RR", "nnn|t"}, {"RP", "nnn"}, {"ET", "n|n"},  {"AS", ""},
    };
    return patterns;
}

} // namespace

std::vector<std::string> commandVocabulary() {
    std::vector<std::string> names;
    for (const auto& [name, pattern] : grammar()) {
        names.push_back(name);
    }
    return names;
}

namespace {

struct raw_argument {
    bool quoted = false;
    std::string text;
};

bool readNumber(const std::string& text, std::int32_t& number) {
    std::size_t digits = text.size();
    std::size_t first = 0;
    if (!text.empty() && text[0] == '-') {
        first = 1;
        --digits;
    }
    if (digits == 0 || digits > 10) {
        return false;
    }
    for (std::size_t i = first; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
    }
    if (text[first] == '0' && (digits > 1 || first == 1)) {
        return false; // leading zeros, and "-0"
    }
    const long long value = std::strtoll(text.c_str(), nullptr, 10);
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return false;
    }
    number = static_cast<std::int32_t>(value);
    return true;
}

command_parse malformed(std::string problem) {
    command_parse result;
    result.problemKind = violation_kind::malformedCommand;
    result.problem = std::move(problem);
    return result;
}

std::string expectedForm(const std::string& name, const std::string& pattern) {
    std::string form = name;
    bool optional = false;
    for (const char kind : pattern) {
        if (kind == '|') {
            optional = true;
            continue;
        }
        form += optional ? " [" : " ";
        form += kind == 't' ? "'text'" : "number";
        form += optional ? "]" : "";
    }
    return form;
}

// Splits the text after the name into arguments; problem is set when it cannot.
std::vector<raw_argument> splitArguments(const std::string& text, std::string& problem) {
    std::vector<raw_argument> arguments;
    std::size_t at = 2;
    while (at < text.size()) {
        if (text[at] != ' ') {
            problem = "expected one space before argument " + std::to_string(arguments.size() + 1);
            return arguments;
        }
        ++at;
        if (at == text.size() || text[at] == ' ') {
            problem = "argument " + std::to_string(arguments.size() + 1) +
                      " is missing (two spaces, or a space at the end)";
            return arguments;
        }
        raw_argument argument;
        if (text[at] == '\'') {
            std::size_t close = at + 1;
            while (true) {
                close = text.find('\'', close);
                if (close == std::string::npos) {
                    problem = "argument " + std::to_string(arguments.size() + 1) +
                              " opens a quote that is never closed";
                    return arguments;
                }
                if (close + 1 == text.size() || text[close + 1] == ' ') {
                    break;
                }
                ++close;
            }
            argument.quoted = true;
            argument.text = text.substr(at + 1, close - at - 1);
            at = close + 1;
        } else {
            const std::size_t end = std::min(text.find(' ', at), text.size());
            argument.text = text.substr(at, end - at);
            at = end;
        }
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

// The checks of single commands that the pattern cannot express.
std::string extraProblem(const host_command& command) {
    if (command.name == "TP" && command.texts[0].find('=') == std::string::npos) {
        return "the property text '" + command.texts[0] + "' has no \"=\"";
    }
    if (command.name == "RC") {
        if (command.texts[0].empty() || command.texts[0][0] != ',') {
            return "the fourth argument must begin with \",\"";
        }
        if (command.numbers[3] != 0 && command.numbers[3] != 1) {
            return "the flag must be 0 or 1";
        }
    }
    if (command.name == "RR" && command.texts.size() == 1 && command.texts[0] != "ADD") {
        return "the fourth argument may only be 'ADD'";
    }
    if (command.name == "ET" && command.numbers.size() == 2 && command.numbers[1] <= 0) {
        return "the interval must be greater than 0 (\"ET id\" alone stops the timer)";
    }
    return {};
}

} // namespace

command_parse parseCommand(const std::string& text) {
    const std::string name = text.substr(0, 2);
    const auto pattern = grammar().find(name);
    if (text.size() < 2 || pattern == grammar().end() || (text.size() > 2 && text[2] != ' ')) {
        command_parse result;
        result.problemKind = violation_kind::unknownCommand;
        result.problem = text.empty() ? "the command text is empty"
                                      : "no command begins \"" + text.substr(0, 3) + "\"";
        return result;
    }
    std::string problem;
    const std::vector<raw_argument> arguments = splitArguments(text, problem);
    if (!problem.empty()) {
        return malformed(problem + "; the form is " + expectedForm(name, pattern->second));
    }
    const std::string& kinds = pattern->second;
    const std::size_t bar = kinds.find('|');
    const std::size_t required = bar == std::string::npos ? kinds.size() : bar;
    const std::size_t allowed = bar == std::string::npos ? kinds.size() : kinds.size() - 1;
    if (arguments.size() < required || arguments.size() > allowed) {
        return malformed(std::to_string(arguments.size()) + " arguments; the form is " +
                         expectedForm(name, kinds));
    }
    host_command command;
    command.name = name;
    std::size_t position = 0;
    for (const char kind : kinds) {
        if (kind == '|') {
            continue;
        }
        if (position == arguments.size()) {
            break;
        }
        const raw_argument& argument = arguments[position++];
        const std::string place = "argument " + std::to_string(position);
        if (kind == 't') {
            if (!argument.quoted) {
                return malformed(place + " must be a quoted text; the form is " +
                                 expectedForm(name, kinds));
            }
            command.texts.push_back(argument.text);
        } else {
            std::int32_t number = 0;
            if (argument.quoted || !readNumber(argument.text, number)) {
                return malformed(place + " \"" + argument.text +
                                 "\" must be a decimal number; the form is " +
                                 expectedForm(name, kinds));
            }
            command.numbers.push_back(number);
        }
    }
    const std::string extra = extraProblem(command);
    if (!extra.empty()) {
        return malformed(extra);
    }
    command_parse result;
    result.command = std::move(command);
    return result;
}
