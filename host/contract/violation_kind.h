// violation_kind: every way a panel can break its contract with the host that zeth-host detects.
//
// Each kind has a stable short id, used by the transcript, the JSON output and the scenario
// expectation "expect violation ID", and a one-sentence description. Ids never change meaning:
// tools and approved transcripts rely on them.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

enum class violation_kind {
    replyNotHandedBack,
    doubleHandBack,
    foreignHandBack,
    keptReplyHandedBack,
    unmatchedNullHandBack,
    commandAfterClosing,
    missingClosingNotice,
    commandOutsideCall,
    unknownCommand,
    malformedCommand,
    unknownMessageCode,
    exceptionFromPanel,
    clickOnDisabledControl,
    callFromAnotherThread,
    pluginCrashed,
    pluginExited,
    pluginHung,
    runawayPanel,
    exceptionInHandler,
};

// The stable short id, such as "double-hand-back".
std::string_view violationId(violation_kind kind);
// One sentence saying what the rule is and how it was broken.
std::string_view violationDescription(violation_kind kind);
// The kind with this id, if there is one.
std::optional<violation_kind> violationFromId(std::string_view id);
// Every kind, in declaration order.
const std::vector<violation_kind>& allViolationKinds();
