#include "run_log.h"

#include <algorithm>

void run_log::beginAction(int deskNumber) {
    ++action;
    if (deskNumber <= 0) {
        hostAction = action;
        return;
    }
    desk_action& own = current(deskNumber);
    own.action = action;
    own.sent.clear();
    own.debug.clear();
}

run_log::desk_action& run_log::current(int deskNumber) {
    const auto index = static_cast<std::size_t>(std::max(deskNumber, 0));
    if (index >= desks.size()) {
        desks.resize(index + 1);
    }
    desk_action& own = desks[index];
    if (own.action < hostAction) {
        own.action = hostAction;
        own.sent.clear();
        own.debug.clear();
    }
    return own;
}

void run_log::deskCalled(int deskNumber) {
    desk_action& own = current(deskNumber);
    if (own.action != action) {
        own.action = action;
        own.sent.clear();
        own.debug.clear();
    }
}

std::uint64_t run_log::lastActionOf(int deskNumber) const {
    const auto index = static_cast<std::size_t>(std::max(deskNumber, 0));
    return index < desks.size() ? std::max(desks[index].action, hostAction) : hostAction;
}

void run_log::command(int deskNumber, const std::string& text) {
    desk_action& own = current(deskNumber);
    if (own.action == action) {
        own.sent.push_back({deskNumber, clock.now(), action, text});
    }
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

void run_log::debugLine(int deskNumber, const std::string& text) {
    desk_action& own = current(deskNumber);
    if (own.action == action) {
        own.debug.push_back(text);
    }
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
    for (std::size_t number = 1; number < desks.size(); ++number) {
        const desk_action& own = desks[number];
        const bool wanted =
            deskNumber == 0 ? own.action == action : static_cast<int>(number) == deskNumber;
        if (wanted && own.action >= hostAction) {
            for (const logged_command& command : own.sent) {
                found.push_back(&command);
            }
        }
    }
    return found;
}

const std::vector<std::string>& run_log::debugOfAction(int deskNumber) const {
    static const std::vector<std::string> none;
    const auto index = static_cast<std::size_t>(std::max(deskNumber, 0));
    return index >= desks.size() || desks[index].action < hostAction ? none : desks[index].debug;
}

bool run_log::claimViolation(int deskNumber, violation_kind kind) {
    const std::uint64_t last = lastActionOf(deskNumber);
    // Violations are reported in the order of the actions: the last action's are at the end.
    logged_violation* first = nullptr;
    for (auto each = reported.rbegin(); each != reported.rend() && each->action >= last; ++each) {
        if (each->action == last && !each->expected && each->what.kind == kind &&
            (each->deskNumber == deskNumber || each->deskNumber == 0)) {
            first = &*each;
        }
    }
    if (first == nullptr) {
        return false;
    }
    first->expected = true;
    return true;
}

std::size_t run_log::unexpectedViolations() const {
    std::size_t count = 0;
    for (const logged_violation& candidate : reported) {
        count += candidate.expected ? 0 : 1;
    }
    return count;
}
