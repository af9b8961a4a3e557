// R7_DESK: Take, Undo and the Take flash.
#include "R7_DESK.h"

#include "R7_DESK_names.h"

namespace names = r7_desk_names;

namespace {

// A part of a package entry: "-" means no source on that router; anything that is not a number
// reads as 0, which routes nothing either.
int entrySource(const zeth_string& part) {
    return part == names::noSource ? 0 : part.toInt();
}

} // namespace

void R7_DESK::lookupPackage(int package, int& videoSource, int& audioSource) {
    zeth_string entry; // stays empty without a reply
    readDatabaseName(fields.packageXptsDevice, names::packageDatabase, package, entry);
    zeth_string videoPart;
    zeth_string audioPart;
    entry.split(names::entrySeparator, videoPart, audioPart);
    videoSource = entrySource(videoPart);
    audioSource = entrySource(audioPart);
}

void R7_DESK::take() {
    // selectedDest is 0 .. 4 (onButton never stores another), and element 0 of every array is 0.
    const int d = fields.selectedDest;

    stopTimer(names::flashTimer);
    fields.flashing = false;
    disableControl(names::panel, names::take);
    textSet(names::statesheet, names::takeHigh, names::panel, names::take);
    fields.takeEnabled = false;

    fields.undoRecord.videoSource = fields.videoTally[d];
    fields.undoRecord.audioSource = fields.audioTally[d];
    fields.undoRecord.videoDestination = fields.videoDest[d];
    fields.undoRecord.audioDestination = fields.audioDest[d];

    // The entry is read on every Take, also with both levels off.
    int videoSource = 0;
    int audioSource = 0;
    lookupPackage(fields.selectedPackage, videoSource, audioSource);
    if (fields.videoLevel && videoSource > 0 && fields.videoDest[d] > 0) {
        makeCrosspoint(fields.videoRouter, videoSource, fields.videoDest[d], "", false);
    }
    if (fields.audioLevel && audioSource > 0 && fields.audioDest[d] > 0) {
        makeCrosspoint(fields.audioRouter, audioSource, fields.audioDest[d], "", false);
    }

    textSetRaw(names::deselectList, names::panel, names::sources);
    fields.selectedPackage = -1;
    textSetRaw(names::deselectButton, names::panel, {names::destinationPattern, d});
    fields.selectedDest = 0;
    enableControl(names::panel, names::undo);
    fields.undoAvailable = true;
}

void R7_DESK::undo() {
    fields.undoAvailable = false;
    disableControl(names::panel, names::undo);
    // Every level toggle discards the record, so the switches now are those of the Take that saved
    // it. A second Undo finds the record all 0 and routes nothing.
    const undo_record saved = fields.undoRecord;
    if (fields.videoLevel && saved.videoSource != 0 && saved.videoDestination != 0) {
        makeCrosspoint(fields.videoRouter, saved.videoSource, saved.videoDestination, "", false);
    }
    if (fields.audioLevel && saved.audioSource != 0 && saved.audioDestination != 0) {
        makeCrosspoint(fields.audioRouter, saved.audioSource, saved.audioDestination, "", false);
    }
    fields.undoRecord = undo_record{};
}

void R7_DESK::onTimer(int timerId) {
    if (timerId != names::flashTimer) {
        stopTimer(timerId);
        return;
    }
    // Ticks go on counting after the flash has stopped (the host may still deliver one); the count
    // wraps in two's complement instead of overflowing, and -1 counts as odd.
    fields.flashCount =
        static_cast<std::int32_t>(static_cast<std::uint32_t>(fields.flashCount) - 1U);
    const bool even = fields.flashCount % 2 == 0;
    textSet(names::statesheet, even ? names::takeHigh : names::takeLow, names::panel, names::take);
    if (fields.flashCount == 0) {
        stopTimer(names::flashTimer);
        fields.flashing = false;
        disableControl(names::panel, names::take);
        fields.takeEnabled = false;
    }
}
