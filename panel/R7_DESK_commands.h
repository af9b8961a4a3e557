// R7_DESK_commands: the panel's commands whose every piece is a constant, finished where the panel
// is compiled, so that sending one costs a copy of its text. Each is exactly the text the matching
// command operation would send with the same names. Used only by the R7_DESK implementation files.
#pragma once

#include "R7_DESK.h"
#include "R7_DESK_names.h"
#include "zeth_commands.h"

#include <array>

namespace r7_desk_commands {

namespace names = r7_desk_names;
using commands = zeth_commands;

inline constexpr finished_command disableTake =
    commands::finishedDisableControl(names::panel, names::take);
inline constexpr finished_command enableTake =
    commands::finishedEnableControl(names::panel, names::take);
inline constexpr finished_command disableUndo =
    commands::finishedDisableControl(names::panel, names::undo);
inline constexpr finished_command enableUndo =
    commands::finishedEnableControl(names::panel, names::undo);

// Take's state sheets.
inline constexpr finished_command takeHighSheet =
    commands::finishedTextSet(names::statesheet, names::takeHigh, names::panel, names::take);
inline constexpr finished_command takeLowSheet =
    commands::finishedTextSet(names::statesheet, names::takeLow, names::panel, names::take);

inline constexpr finished_command deselectList =
    commands::finishedTextSetRaw(names::deselectList, names::panel, names::sources);

// The level switches' images, by level and state.
inline constexpr finished_command videoLevelOn =
    commands::finishedTextSet(names::pixmap, names::tickImage, names::panel, names::videoLevel);
inline constexpr finished_command videoLevelOff =
    commands::finishedTextSet(names::pixmap, names::crossImage, names::panel, names::videoLevel);
inline constexpr finished_command audioLevelOn =
    commands::finishedTextSet(names::pixmap, names::tickImage, names::panel, names::audioLevel);
inline constexpr finished_command audioLevelOff =
    commands::finishedTextSet(names::pixmap, names::crossImage, names::panel, names::audioLevel);

// The Take flash's timer, started and stopped.
inline constexpr finished_command startFlash =
    commands::finishedStartTimer(names::flashTimer, names::flashInterval);
inline constexpr finished_command stopFlash = commands::finishedStartTimer(names::flashTimer, 0);

// Resets destination button n (element 0 is the text for a button number 0).
inline constexpr std::array<finished_command, R7_DESK::buttonCount + 1> deselectButton = [] {
    std::array<finished_command, R7_DESK::buttonCount + 1> all{};
    for (int n = 0; n <= R7_DESK::buttonCount; ++n) {
        all[static_cast<std::size_t>(n)] = commands::finishedTextSetRaw(
            names::deselectButton, names::panel, {names::destinationPattern, n});
    }
    return all;
}();

} // namespace r7_desk_commands
