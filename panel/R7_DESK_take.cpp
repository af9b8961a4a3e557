// R7_DESK: Take, Undo and the Take flash.
#include "R7_DESK.h"

#include "R7_DESK_commands.h"
#include "R7_DESK_names.h"
#include "number_text.h"

#include <string_view>

namespace names = r7_desk_names;
namespace commands = r7_desk_commands;

namespace {

// A part of a package entry: "-" means no source on that router; anything that is not a number
// reads as 0, which routes nothing either.
int entrySource(std::string_view part) {
    return part == names::noSource ? 0 : decimalValue(part);
}

} // namespace

void R7_DESK::lookupPackage(int package, int& videoSource, int& audioSource) {
    zeth_string entry; // stays empty without a reply
    readDatabaseName(fields.packageXptsDevice, names::packageDatabase, package, entry);
    // Cut at the first separator, read in place: without one, the whole entry is the video part.
    const std::string_view whole = entry.str();
    const std::size_t separator = whole.find(names::entrySeparator);
    videoSource = entrySource(whole.substr(0, separator));
    audioSource =
        entrySource(separator != std::string_view::npos ? whole.substr(separator + 1) : "");
}

void R7_DESK::take() {
    // selectedDest is 0 .. 4 (onButton never stores another), and element 0 of every array is 0.
    const int d = fields.selectedDest;

    send(commands::stopFlash);
    fields.flashing = false;
    send(commands::disableTake);
    send(commands::takeHighSheet);
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

    send(commands::deselectList);
    fields.selectedPackage = -1;
    send(commands::deselectButton[static_cast<std::size_t>(d)]);
    fields.selectedDest = 0;
    send(commands::enableUndo);
    fields.undoAvailable = true;
}

void R7_DESK::undo() {
    fields.undoAvailable = false;
    send(commands::disableUndo);
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
    send(even ? commands::takeHighSheet : commands::takeLowSheet);
    if (fields.flashCount == 0) {
        send(commands::stopFlash);
        fields.flashing = false;
        send(commands::disableTake);
        fields.takeEnabled = false;
    }
}
