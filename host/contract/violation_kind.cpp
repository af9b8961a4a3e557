#include "violation_kind.h"

#include "process_ending.h"

#include <string>

namespace {

struct kind_text {
    violation_kind kind;
    std::string_view id;
    std::string_view description;
};

constexpr kind_text kindTexts[] = {
    {violation_kind::replyNotHandedBack, "reply-not-handed-back",
     "A reply to \"TG\", \"SD\" or \"RN\" was not handed back with code 5 before the panel "
     "returned from the host's call."},
    {violation_kind::doubleHandBack, "double-hand-back",
     "A reply was handed back with code 5 a second time."},
    {violation_kind::foreignHandBack, "foreign-hand-back",
     "Code 5 handed back a pointer that the host never gave out as a reply."},
    {violation_kind::keptReplyHandedBack, "kept-reply-handed-back",
     "Code 5 handed back the reply of a command whose reply stays the host's (only \"TG\", "
     "\"SD\" and \"RN\" replies come back)."},
    {violation_kind::unmatchedNullHandBack, "unmatched-null-hand-back",
     "Code 5 handed back null although no null \"RN\" reply was waiting to come back."},
    {violation_kind::commandAfterClosing, "command-after-closing",
     "A command arrived after the closing notice \"AS\", which must be the panel's last."},
    {violation_kind::missingClosingNotice, "missing-closing-notice",
     "The panel was deleted without sending the closing notice \"AS\"."},
    {violation_kind::commandOutsideCall, "command-outside-call",
     "A command arrived while the host was not inside a call into that panel."},
    {violation_kind::unknownCommand, "unknown-command",
     "The command text does not begin with one of the known two-letter commands."},
    {violation_kind::malformedCommand, "malformed-command",
     "The command's arguments do not have the form the command requires."},
    {violation_kind::unknownMessageCode, "unknown-message-code",
     "The panel called the host's notify with a code other than 0 (command) or 5 (hand-back)."},
    {violation_kind::exceptionFromPanel, "exception-from-panel",
     "An exception left the panel's factory, notify or destructor into the host."},
    {violation_kind::clickOnDisabledControl, "click-on-disabled-control",
     "The operator clicked a control that the panel had disabled, so the host did not deliver "
     "the click."},
    {violation_kind::callFromAnotherThread, "call-from-another-thread",
     "The panel called the host from a thread other than the one the host called it on; the "
     "host answered null and did nothing."},
    // In the system's words: violationDescription().
    {violation_kind::pluginCrashed, "plugin-crashed", ""},
    {violation_kind::pluginExited, "plugin-exited", ""},
    {violation_kind::pluginHung, "plugin-hung",
     "A call into the plug-in did not return within the time limit (--call-timeout)."},
    {violation_kind::runawayPanel, "runaway-panel",
     "The panel kept the host busy without end: too many messages at one instant of the clock, "
     "or too many timers running for one desk."},
    {violation_kind::exceptionInHandler, "exception-in-handler",
     "An exception left one of the panel's handlers; the framework caught it at the host boundary "
     "and said so in its debug output, but the message was handled only up to the throw."},
};

const kind_text* find(violation_kind kind) {
    for (const kind_text& entry : kindTexts) {
        if (entry.kind == kind) {
            return &entry;
        }
    }
    return nullptr;
}

} // namespace

std::string_view violationId(violation_kind kind) {
    const kind_text* entry = find(kind);
    return entry != nullptr ? entry->id : "unknown-violation";
}

std::string_view violationDescription(violation_kind kind) {
    // How a process dies or exits is the system's: a signal on Linux, an exception on Windows.
    static const std::string crashed = std::string("The plug-in's process died by ") +
                                       process_ending::dyingWays() + " during the run.";
    static const std::string exited = std::string("The plug-in ended the host's process (") +
                                      process_ending::exitingWays() + ") during the run.";
    if (kind == violation_kind::pluginCrashed) {
        return crashed;
    }
    if (kind == violation_kind::pluginExited) {
        return exited;
    }
    const kind_text* entry = find(kind);
    return entry != nullptr ? entry->description : "";
}

std::optional<violation_kind> violationFromId(std::string_view id) {
    for (const kind_text& entry : kindTexts) {
        if (entry.id == id) {
            return entry.kind;
        }
    }
    return std::nullopt;
}

const std::vector<violation_kind>& allViolationKinds() {
    static const std::vector<violation_kind> kinds = [] {
        std::vector<violation_kind> all;
        for (const kind_text& entry : kindTexts) {
            all.push_back(entry.kind);
        }
        return all;
    }();
    return kinds;
}
