// R7_DESK: operator events and the selection operations (package, destination, levels, Clear).
#include "R7_DESK.h"

#include "R7_DESK_commands.h"
#include "R7_DESK_names.h"
#include "number_text.h"

#include <string_view>

namespace names = r7_desk_names;
namespace commands = r7_desk_commands;

void R7_DESK::onButton(controlEvent& event) {
    // A null panel or control word reads as the empty text, which is never panel "1" and matches
    // no control: such an event is ignored like any other foreign one.
    // The texts are read in place; each comparison is with a literal name of known length.
    if (event.panelText() != names::panel) {
        return;
    }
    const std::string_view control = event.controlText();
    const std::string_view destinationPrefix = names::destinationPrefix;
    // The parsed parameter is read only for the list; a null one gives no "index" command.
    if (control == names::sources && event.commandText() == names::listCommand) {
        selectPackage(decimalValue(event.valueText()));
    } else if (control.substr(0, destinationPrefix.size()) == destinationPrefix) {
        selectDestination(firstDecimal(control));
    } else if (control == names::videoLevel) {
        toggleLevel(fields.videoLevel, commands::videoLevelOn, commands::videoLevelOff);
    } else if (control == names::audioLevel) {
        toggleLevel(fields.audioLevel, commands::audioLevelOn, commands::audioLevelOff);
    } else if (control == names::clear) {
        clearAll();
    } else if (control == names::take) {
        // The host delivers clicks of enabled controls only; Take and Undo do not test their flags.
        take();
    } else if (control == names::undo) {
        undo();
    }
}

void R7_DESK::selectPackage(int listIndex) {
    fields.selectedPackage = listIndex > 0 ? listIndex : 0;
    dropUndo();
    updateTake();
}

void R7_DESK::selectDestination(int button) {
    // The layout has buttons 1 to 4 only. A name with a larger or a negative number is not one of
    // them and is ignored outright, so the per-button arrays are never indexed beyond them. A name
    // without a number (or with 0) selects no button.
    if (button < 0 || button > buttonCount) {
        return;
    }
    // The old button is reset also when it is the one clicked again.
    if (fields.selectedDest > 0) {
        resetDestinationButton();
    }
    fields.selectedDest = button;
    dropUndo();
    updateTake();
}

void R7_DESK::toggleLevel(bool& level, const finished_command& showOn,
                          const finished_command& showOff) {
    level = !level;
    send(level ? showOn : showOff);
    // Arming does not depend on the levels: a Take with both levels off still runs.
    dropUndo();
}

void R7_DESK::resetDestinationButton() {
    // selectedDest is 1 .. 4 here (callers test it), within the table.
    send(commands::deselectButton[static_cast<std::size_t>(fields.selectedDest)]);
}

void R7_DESK::dropUndo() {
    if (!fields.undoAvailable) {
        return;
    }
    send(commands::disableUndo);
    fields.undoAvailable = false;
    fields.undoRecord = undo_record{};
}

void R7_DESK::updateTake() {
    if (fields.selectedDest != 0 && fields.selectedPackage > 0) {
        if (!fields.takeEnabled) {
            send(commands::enableTake);
            fields.takeEnabled = true;
        }
        // Every arming restarts the flash from the high state sheet and a full count.
        fields.flashing = true;
        send(commands::takeHighSheet);
        send(commands::startFlash);
        fields.flashCount = names::flashTicks;
        return;
    }
    // Disarming leaves the state sheet and the count as they stand.
    disarmTake(false);
}

void R7_DESK::disarmTake(bool highSheet) {
    if (fields.takeEnabled) {
        send(commands::disableTake);
        if (highSheet) {
            send(commands::takeHighSheet);
        }
        fields.takeEnabled = false;
    }
    if (fields.flashing) {
        send(commands::stopFlash);
        fields.flashing = false;
    }
}

void R7_DESK::clearAll() {
    disarmTake(true);
    dropUndo();
    if (fields.selectedPackage > 0) {
        fields.selectedPackage = -1;
        send(commands::deselectList);
    }
    if (fields.selectedDest > 0) {
        resetDestinationButton();
        fields.selectedDest = 0;
    }
}
