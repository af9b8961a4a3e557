// reply_overrides: the replies a scenario makes the host give in place of its own ("host answers
// ... with ..."), so that a panel can be shown a host that answers otherwise than the facility
// would: another property's text, a device number with a second number, null.
//
// A rule names a command by its whole text or by how it begins, and the reply: a text or null. A
// rule for one use ("once") is used up by the first command it matches; several of them are used
// in the order they were given, and before any standing rule. Among standing rules the one given
// last wins; a standing rule given again for the same text replaces the earlier one. clear()
// restores the host's own replies for every command.
//
// Only the reply changes: the host still does what the command asks, and every hand-back of the
// reply is checked as the host's own reply would be. Used on the host's thread only.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct reply_override {
    std::string text;                 // the command's text, or its beginning
    bool starting = false;            // text is how the command begins
    std::optional<std::string> reply; // the reply; none: null
    bool once = false;                // for the next matching command only
};

class reply_overrides {
public:
    void add(reply_override rule);
    void clear() { rules.clear(); }
    bool empty() const { return rules.empty(); }

    // The reply a rule gives for this command (an empty optional inside: null), or nothing when no
    // rule matches. A rule for one use is used up.
    std::optional<std::optional<std::string>> answerFor(const std::string& commandText);

private:
    std::vector<reply_override> rules; // in the order given
};
