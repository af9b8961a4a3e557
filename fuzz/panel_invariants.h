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
    FUZZ_CHECK(panel.selectedDest >= 0 && panel.selectedDest <= R7_DESK::buttonCount,
               where + ": selectedDest " + std::to_string(panel.selectedDest));
    FUZZ_CHECK(panel.videoDest[0] == 0 && panel.audioDest[0] == 0, where);
    FUZZ_CHECK(panel.videoTally[0] == 0 && panel.audioTally[0] == 0, where);
    FUZZ_CHECK(panel.takeEnabled == panel.flashing,
               where + ": takeEnabled " + std::to_string(panel.takeEnabled) + ", flashing " +
                   std::to_string(panel.flashing));
    if (panel.flashing) {
        FUZZ_CHECK(panel.flashCount >= 1 && panel.flashCount <= 10,
                   where + ": flashing with flashCount " + std::to_string(panel.flashCount));
    }
    if (!panel.undoAvailable) {
        const R7_DESK::undo_record& record = panel.undoRecord;
        FUZZ_CHECK(record.videoSource == 0 && record.audioSource == 0 &&
                       record.videoDestination == 0 && record.audioDestination == 0,
                   where + ": an undo record without undoAvailable");
    }
}
