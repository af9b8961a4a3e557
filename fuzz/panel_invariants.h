// checkPanelInvariants: what must hold of an R7_DESK between any two host messages, whatever the
// host sent: selectedDest within 0 .. 4 (the per-button arrays are indexed with it), element 0 of
// every per-button array 0, takeEnabled equal to flashing, and the undo record all 0 whenever
// undoAvailable is clear; and while the Take flash runs, a count of 1 to 10 ticks left. A broken
// invariant is a finding (see fuzz_check.h).
#pragma once

#include "R7_DESK.h"
#include "fuzz_check.h"

#include <string>

inline void checkPanelInvariants(const R7_DESK& panel, const std::string& after) {
    const std::string where = "after " + after;
    FUZZ_CHECK(panel.state().selectedDest >= 0 &&
                   panel.state().selectedDest <= R7_DESK::buttonCount,
               where + ": selectedDest " + std::to_string(panel.state().selectedDest));
    FUZZ_CHECK(panel.state().videoDest[0] == 0 && panel.state().audioDest[0] == 0, where);
    FUZZ_CHECK(panel.state().videoTally[0] == 0 && panel.state().audioTally[0] == 0, where);
    FUZZ_CHECK(panel.state().takeEnabled == panel.state().flashing,
               where + ": takeEnabled " + std::to_string(panel.state().takeEnabled) +
                   ", flashing " + std::to_string(panel.state().flashing));
    if (panel.state().flashing) {
        FUZZ_CHECK(panel.state().flashCount >= 1 && panel.state().flashCount <= 10,
                   where + ": flashing with flashCount " +
                       std::to_string(panel.state().flashCount));
    }
    if (!panel.state().undoAvailable) {
        const R7_DESK::undo_record& record = panel.state().undoRecord;
        FUZZ_CHECK(record.videoSource == 0 && record.audioSource == 0 &&
                       record.videoDestination == 0 && record.audioDestination == 0,
                   where + ": an undo record without undoAvailable");
    }
}
