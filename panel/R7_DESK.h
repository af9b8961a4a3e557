// R7_DESK: the destination panel. An operator picks a source package in the "Sources" list and one
// of four destination buttons "Dest_1" .. "Dest_4"; the Take button then flashes for ten seconds.
// Take routes the package's video and audio sources (read from the package crosspoint database) to
// the button's destinations on the video and the audio router, for each level switched on; Undo
// routes back what the routers had reported there before. The tally of what the routers report
// comes from the revertives registered at start-up.
//
// Who calls what:
// - The constructor is called only by the exported factory load_zeth_client_script, on the host's
//   thread, and holds the whole start-up conversation (31 commands) before the factory returns.
//   It never refuses: whatever the host answers, the panel comes out idle. Only a failed
//   allocation (std::bad_alloc) or an exception the host itself throws from notify can leave it;
//   the factory catches both.
// - notify (inherited) dispatches the host's messages to the handlers below, on the host's thread,
//   never from two threads at once. Event records and query texts stay the host's and are only
//   read during the call.
// - The host deletes the panel through the virtual destructor; the panel part sends nothing, the
//   base then sends the closing notice "AS" as the last command. A running flash timer is left to
//   the host.
//
// Ownership: the panel owns its fields and nothing else; the host's callback object is never
// deleted. No global or shared state: each object carries all of its own state.
//
// The panel's state is one value, desk_state, read through state() by tests and fuzzers; the class
// is never visible outside the plug-in. Invariants between events:
// - selectedDest is 0 (none) or a button number 1 .. 4, so the per-button arrays are only ever
//   indexed within 0 .. 4; element 0 of every array stays 0.
// - The device numbers and videoDest / audioDest change only in the constructor.
// - takeEnabled == flashing; undoRecord is all 0 whenever undoAvailable is clear.
#pragma once

#include "zeth_events.h"
#include "zeth_script_helper.h"
#include "zeth_string.h"

#include <array>
#include <cstdint>
#include <tuple>
#include <type_traits>

// The device and command operations of the base take int; the panel's numbers are 32-bit.
static_assert(std::is_same_v<std::int32_t, int>, "the panel's numbers are 32-bit ints");

class R7_DESK : public zeth_script_helper {
public:
    // Button numbers run from 1 to buttonCount; element 0 of each per-button array is unused.
    static constexpr int buttonCount = 4;
    using per_button = std::array<std::int32_t, buttonCount + 1>;

    // What the last Take replaced at its button, so that Undo can route it back. All 0 means
    // there is nothing to undo.
    struct undo_record {
        std::int32_t videoSource = 0;
        std::int32_t audioSource = 0;
        std::int32_t videoDestination = 0;
        std::int32_t audioDestination = 0;
    };

    // host may be null: then nothing is ever sent and every device and destination number is 0.
    // panelPath is copied; a null one reads as the empty text.
    R7_DESK(zeth_client_callback* host, const char* panelPath);
    ~R7_DESK() override;

    // Code 2: a control event; dispatches on the control name (selection, levels, Clear, Take,
    // Undo). Events of another panel than "1" and of unknown controls are ignored.
    void onButton(controlEvent& event) override;
    // Code 1: stores the reported source in the tally of the lowest button with that destination
    // on that router (video router first). Sends nothing; returns 0.
    int onRevertive(revertiveEvent& event) override;
    // Code 3: this panel publishes no return values, events or commands: every answer is empty.
    zeth_string onQuery(queryEvent& query) override;
    // Code 4: timer 1 counts the Take flash down; any other timer is stopped.
    void onTimer(int timerId) override;

    // Everything the panel holds between two host messages, as one value: tests and fuzzers read
    // it through state() to check the invariants above, and compare it whole to show that a
    // message changed nothing. A field added here is compared by every such test.
    struct desk_state {
        zeth_string videoDestText; // start-up only: the "video_id" property of each button
        zeth_string audioDestText; // start-up only: the "audio_id" property of each button
        std::int32_t packageNamesDevice = 0;
        std::int32_t packageXptsDevice = 0;
        std::int32_t videoRouter = 0;
        std::int32_t audioRouter = 0;
        std::int32_t selectedDest = 0;    // 0 or 1 .. 4
        std::int32_t selectedPackage = 0; // 0 or less: none
        std::int32_t flashCount = 0;      // Take flash ticks left
        per_button videoDest{};
        per_button audioDest{};
        per_button videoTally{};
        per_button audioTally{};
        undo_record undoRecord;
        bool videoLevel = true;
        bool audioLevel = true;
        bool takeEnabled = false;
        bool flashing = false;
        bool undoAvailable = false;

        // Every field, texts by their content; the one list of them.
        auto tied() const {
            return std::tie(videoDestText.str(), audioDestText.str(), packageNamesDevice,
                            packageXptsDevice, videoRouter, audioRouter, selectedDest,
                            selectedPackage, flashCount, videoDest, audioDest, videoTally,
                            audioTally, undoRecord.videoSource, undoRecord.audioSource,
                            undoRecord.videoDestination, undoRecord.audioDestination, videoLevel,
                            audioLevel, takeEnabled, flashing, undoAvailable);
        }
        bool operator==(const desk_state& other) const { return tied() == other.tied(); }
        bool operator!=(const desk_state& other) const { return !(*this == other); }
    };

    const desk_state& state() const { return fields; }
    // Replaces the whole state: only for tests that need a state no run of host messages reaches
    // (both selections made while Undo is ready). Sends nothing.
    void replaceState(const desk_state& replacement) { fields = replacement; }

private:
    // Selection handling, called by onButton.
    void selectPackage(int listIndex);
    void selectDestination(int button);
    // Flips level and shows it with the switch's image command for on or off.
    void toggleLevel(bool& level, const finished_command& showOn, const finished_command& showOff);
    void resetDestinationButton();
    void dropUndo(); // discards the undo record and disables Undo, when there is one
    void
    updateTake(); // arms (or re-arms) the Take flash when both selections are made, else disarms
    // Disables Take (showing its high state sheet when highSheet) and stops its flash, sending only
    // for what is on.
    void disarmTake(bool highSheet);
    void clearAll(); // disarms Take, discards the undo record and clears both selections

    // Reads the package entry "video,audio" (either part may be "-", meaning none) from database 0
    // of the package crosspoint device; a missing part or reply gives 0.
    void lookupPackage(int package, int& videoSource, int& audioSource);
    // Routes the selected package to the selected button and saves its tally for undo.
    void take();
    // Routes back what the last Take saved, for each level switched on.
    void undo();

    desk_state fields;
};
