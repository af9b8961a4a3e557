// R7_DESK: Take, Undo and the Take flash.
#include "R7_DESK.h"

#include "R7_DESK_layout.h"

namespace layout = r7_desk_layout;

namespace {

// A part of a package entry: "-" means no source on that router; anything that is not a number
// reads as 0, which routes nothing either.
int entrySource(const zeth_string& part) {
    return part == layout::noSource ? 0 : part.toInt();
}

} // namespace

void R7_DESK::lookupPackage(int package, int& videoSource, int& audioSource) {
    zeth_string entry; // stays empty without a reply
    readDatabaseName(packageXptsDevice, layout::packageDatabase, package, entry);
    zeth_string videoPart;
    zeth_string audioPart;
    entry.split(layout::entrySeparator, videoPart, audioPart);
    videoSource = entrySource(videoPart);
    audioSource = entrySource(audioPart);
}

void R7_DESK::take() {
    // selectedDest is 0 .. 4 (onButton never stores another), and element 0 of every array is 0.
    const int d = selectedDest;

    stopTimer(layout::flashTimer);
    flashing = false;
    disableControl(layout::panel, layout::take);
    textSet(layout::statesheet, layout::takeHigh, layout::panel, layout::take);
    takeEnabled = false;

    undoRecord.videoSource = videoTally[d];
    undoRecord.audioSource = audioTally[d];
    undoRecord.videoDestination = videoDest[d];
    undoRecord.audioDestination = audioDest[d];

    // The entry is read on every Take, also with both levels off.
    int videoSource = 0;
    int audioSource = 0;
    lookupPackage(selectedPackage, videoSource, audioSource);
    if (videoLevel && videoSource > 0 && videoDest[d] > 0) {
        makeCrosspoint(videoRouter, videoSource, videoDest[d], "", false);
    }
    if (audioLevel && audioSource > 0 && audioDest[d] > 0) {
        makeCrosspoint(audioRouter, audioSource, audioDest[d], "", false);
    }

    textSetRaw(layout::deselectList, layout::panel, layout::sources);
    selectedPackage = -1;
    textSetRaw(layout::deselectButton, layout::panel, {layout::destinationPattern, d});
    selectedDest = 0;
    enableControl(layout::panel, layout::undo);
    undoAvailable = true;
}

void R7_DESK::undo() {
    undoAvailable = false;
    disableControl(layout::panel, layout::undo);
    // Every level toggle discards the record, so the switches now are those of the Take that saved
    // it. A second Undo finds the record all 0 and routes nothing.
    const undo_record saved = undoRecord;
    if (videoLevel && saved.videoSource != 0 && saved.videoDestination != 0) {
        makeCrosspoint(videoRouter, saved.videoSource, saved.videoDestination, "", false);
    }
    if (audioLevel && saved.audioSource != 0 && saved.audioDestination != 0) {
        makeCrosspoint(audioRouter, saved.audioSource, saved.audioDestination, "", false);
    }
    undoRecord = undo_record{};
}

void R7_DESK::onTimer(int timerId) {
    if (timerId != layout::flashTimer) {
        stopTimer(timerId);
        return;
    }
    // Ticks go on counting after the flash has stopped (the host may still deliver one); the count
    // wraps in two's complement instead of overflowing, and -1 counts as odd.
    flashCount = static_cast<std::int32_t>(static_cast<std::uint32_t>(flashCount) - 1U);
    const bool even = flashCount % 2 == 0;
    textSet(layout::statesheet, even ? layout::takeHigh : layout::takeLow, layout::panel,
            layout::take);
    if (flashCount == 0) {
        stopTimer(layout::flashTimer);
        flashing = false;
        disableControl(layout::panel, layout::take);
        takeEnabled = false;
    }
}
