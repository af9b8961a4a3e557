#include "run_log.h"

void run_log::beginAction() {
    ++action;
    sent.clear();
    firstOfAction = reported.size();
}

void run_log::command(int deskNumber, const std::string& text) {
    sent.push_back({deskNumber, clock.now(), action, text});
    const auto letter = [&](std::size_t at) {
        return at < text.size() && text[at] >= 'A' && text[at] <= 'Z' ? text[at] - 'A' : -1;
    };
    const int first = letter(0);
    const int second = letter(1);
    if (first >= 0 && second >= 0) {
        ++byName[static_cast<std::size_t>(first * 26 + second)];
    } else {
        ++otherCommands;
    }
}

void run_log::delivered(int code) {
    ++deliveries[code];
}

std::map<std::string, std::int64_t> run_log::commandCounts() const {
    std::map<std::string, std::int64_t> counts;
    for (std::size_t at = 0; at < byName.size(); ++at) {
        if (byName[at] > 0) {
            counts[{static_cast<char>('A' + at / 26), static_cast<char>('A' + at % 26)}] =
                byName[at];
        }
    }
    if (otherCommands > 0) {
        counts["other"] = otherCommands;
    }
    return counts;
}

void run_log::report(int deskNumber, const violation& what) {
    reported.push_back({deskNumber, clock.now(), action, what, false, record.line()});
    transcript_entry entry;
    entry.kind = entry_kind::violation;
    entry.time = clock.now();
    entry.deskNumber = deskNumber;
    entry.id = std::string(violationId(what.kind));
    entry.detail = what.detail;
    entry.cause = what.cause;
    record.add(std::move(entry));
}

std::vector<const logged_command*> run_log::commandsOfAction(int deskNumber) const {
    std::vector<const logged_command*> found;
    for (const logged_command& command : sent) {
        if (deskNumber == 0 || command.deskNumber == deskNumber) {
            found.push_back(&command);
        }
    }
    return found;
}

bool run_log::claimViolation(violation_kind kind) {
    for (std::size_t i = firstOfAction; i < reported.size(); ++i) {
        logged_violation& candidate = reported[i];
        if (!candidate.expected && candidate.what.kind == kind) {
            candidate.expected = true;
            return true;
        }
    }
    return false;
}

std::size_t run_log::unexpectedViolations() const {
    std::size_t count = 0;
    for (const logged_violation& candidate : reported) {
        count += candidate.expected ? 0 : 1;
    }
    return count;
}
