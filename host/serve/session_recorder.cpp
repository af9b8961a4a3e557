#include "session_recorder.h"

#include "scenario_parser.h"

#include <algorithm>
#include <filesystem>

std::string waitLine(std::int64_t milliseconds) {
    return milliseconds % 1000 == 0 ? "wait " + std::to_string(milliseconds / 1000) + "s"
                                    : "wait " + std::to_string(milliseconds) + "ms";
}

void session_recorder::begin(std::vector<std::string> played, int desks, int desk,
                             std::int64_t at) {
    kept = std::move(played);
    if (kept.size() > lineLimit) {
        kept.resize(lineLimit);
    }
    setup.desks = desks;
    deskNumber = desk;
    latest = at;
    refused.reset();
    ++changes;
}

std::string clickLine(const std::string& control) {
    return "click " + scenarioWord(control);
}

std::string selectLine(std::int32_t index, const std::string& list, const std::string& itemText) {
    return "select " + std::to_string(index) + " in " + scenarioWord(list) +
           (itemText.empty() || itemText.find_first_of("\r\n") != std::string::npos
                ? std::string()
                : " # " + itemText);
}

std::string routeLine(const std::string& router, std::int32_t destination, std::int32_t source) {
    return "route " + scenarioWord(router) + " " + std::to_string(destination) + " " +
           std::to_string(source);
}

std::string crosspointExpectation(const std::string& router, std::int32_t destination,
                                  std::int32_t source) {
    return "expect crosspoint " + scenarioWord(router) + " " + std::to_string(destination) + " = " +
           std::to_string(source);
}

std::string enabledExpectation(const std::string& control, bool enabled) {
    return std::string(enabled ? "expect enabled " : "expect disabled ") + scenarioWord(control);
}

std::string propertyExpectation(const std::string& control, const std::string& property,
                                const std::string& value) {
    return "expect property " + scenarioWord(control) + " " + scenarioWord(property) + " = " +
           scenarioWord(value);
}

std::string commandsExpectation(const std::vector<std::string>& texts) {
    std::string line = "expect commands";
    for (const std::string& text : texts) {
        line += " " + quotedWord(text);
    }
    return line;
}

namespace {

// Whether the line's first word is word ("#" counts as a word of its own).
bool firstWordIs(const std::string& line, const std::string& word) {
    const std::size_t start = line.find_first_not_of(" \t");
    return start != std::string::npos && line.compare(start, word.size(), word) == 0 &&
           (word == "#" || start + word.size() == line.size() || line[start + word.size()] == ' ' ||
            line[start + word.size()] == '\t');
}

// The longest wait one line of the language takes (nine digits of milliseconds).
constexpr std::int64_t longestWait = 999999999;

void addWaits(std::vector<std::string>& lines, std::int64_t milliseconds) {
    for (; milliseconds > 0; milliseconds -= std::min(milliseconds, longestWait)) {
        lines.push_back(waitLine(std::min(milliseconds, longestWait)));
    }
}

} // namespace

void session_recorder::waitUntil(std::int64_t at) {
    if (at > latest) {
        addWaits(kept, at - latest);
        latest = at;
    }
}

bool session_recorder::keep(const line_at& next) {
    // A wait and up to two desk lines may come first: room for all four.
    if (kept.size() + 4 > lineLimit || next.line.find_first_of("\r\n") != std::string::npos) {
        return false;
    }
    waitUntil(next.at);
    // A scenario's reader takes host answers said before any other action as holding for the
    // start-up (hostOpening). Said live, they came after it: a "desk" line, which acts on
    // nothing, ends that opening first.
    if (firstWordIs(next.line, "host") &&
        std::all_of(kept.begin(), kept.end(), [](const std::string& line) {
            return firstWordIs(line, "host") || firstWordIs(line, "#") ||
                   line.find_first_not_of(" \t") == std::string::npos;
        })) {
        deskNumber = next.deskNumber > 0 ? next.deskNumber : deskNumber;
        kept.push_back("desk " + std::to_string(deskNumber));
    }
    if (next.deskNumber > 0 && next.deskNumber != deskNumber) {
        kept.push_back("desk " + std::to_string(next.deskNumber));
        deskNumber = next.deskNumber;
    }
    kept.push_back(next.line);
    ++changes;
    return true;
}

bool session_recorder::add(const std::string& line, int desk, std::int64_t at) {
    refused.reset();
    return keep({line, desk, at});
}

bool session_recorder::addWait(const std::string& line, std::int64_t milliseconds,
                               std::int64_t at) {
    if (!add(line, 0, at)) {
        return false;
    }
    latest = at + milliseconds;
    return true;
}

void session_recorder::addRefused(const std::string& line, int desk, std::int64_t at) {
    refused = line_at{line, desk, at};
}

bool session_recorder::addClaim(const std::string& line, int desk, std::int64_t at) {
    if (refused) {
        const line_at action = *refused;
        refused.reset();
        if (!keep(action)) {
            return false;
        }
    }
    return keep({line, desk, at});
}

std::string session_recorder::scenarioText(const std::vector<std::string>& heading,
                                           const std::string& folder,
                                           std::optional<std::int64_t> until) const {
    std::string text;
    for (const std::string& line : heading) {
        text += "# " + line + "\n";
    }
    text += "panels " + std::to_string(setup.desks) + "\n";
    if (!setup.facilityFile.empty()) {
        std::error_code ignored;
        const std::filesystem::path file = std::filesystem::absolute(setup.facilityFile, ignored);
        const std::filesystem::path relative =
            folder.empty() ? std::filesystem::path()
                           : file.lexically_relative(std::filesystem::absolute(folder, ignored));
        text += "facility " +
                quotedWord((relative.empty() ? file : relative).lexically_normal().string()) + "\n";
    }
    for (const std::string& line : kept) {
        text += line + "\n";
    }
    if (until && *until > latest) {
        std::vector<std::string> waits;
        addWaits(waits, *until - latest);
        for (const std::string& line : waits) {
            text += line + "\n";
        }
    }
    return text;
}
