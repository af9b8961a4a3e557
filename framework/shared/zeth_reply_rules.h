// zeth_reply_rules: which replies of the host a panel hands back with code 5.
//
// A reply of the host to a command stays the host's, except the replies of "TG", "SD" and "RN":
// the panel hands each of them back with notify(reply, 5) exactly once, after it has read it and
// before it returns from the host's call during which it got it. "RN" alone hands back a null
// reply as well (notify(nullptr, 5)); every other null reply stays unanswered.
//
// Who calls it: hosts (the emulator's contract checker, test hosts) to judge every hand-back, on
// any thread; pure functions without state. The panel side keeps the same rules in its command
// operations (zeth_commands).
#pragma once

#include <string_view>

// The command name of a command text: everything before the first blank.
constexpr std::string_view zethCommandName(std::string_view commandText) {
    return commandText.substr(0, commandText.find(' '));
}

// Whether the reply to a command of this name comes back with code 5.
constexpr bool zethReplyComesBack(std::string_view commandName) {
    return commandName == "TG" || commandName == "SD" || commandName == "RN";
}

// Whether a null reply to a command of this name comes back (as null) with code 5.
constexpr bool zethNullReplyComesBack(std::string_view commandName) {
    return commandName == "RN";
}
