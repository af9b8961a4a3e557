// R7_DESK: operator events and the selection operations (package, destination, levels, Clear).
#include "R7_DESK.h"

#include "R7_DESK_names.h"

namespace names = r7_desk_names;

void R7_DESK::onButton(controlEvent& event) {
    // A null panel or control word reads as the empty text, which is never panel "1" and matches
    // no control: such an event is ignored like any other foreign one.
    if (event.panel() != 1) {
        return;
    }
    const zeth_string control = event.control();
    // The parsed parameter is read only for the list; a null one gives no "index" command.
    if (control == names::sources && event.command() == names::listCommand) {
        selectPackage(event.value());
    } else if (control.startsWith(names::destinationPrefix)) {
        selectDestination(control.firstInt());
    } else if (control == names::videoLevel) {
        toggleLevel(fields.videoLevel, names::videoLevel);
    } else if (control == names::audioLevel) {
        toggleLevel(fields.audioLevel, names::audioLevel);
    } else if (control == names::clear) {
        clearAll();
    } else if (control == names::take) {
        // The host delivers clicks of enabled controls only; Take and Undo do not test their flags.
        take();
    } else if (control == names::undo) {
        undo();
    }
}

void R7_DESK::selectPackage(const zeth_string& listIndex) {
    const int index = listIndex.toInt();
    fields.selectedPackage = index > 0 ? index : 0;
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

void R7_DESK::toggleLevel(bool& level, const char* control) {
    level = !level;
    textSet(names::pixmap, level ? names::tickImage : names::crossImage, names::panel, control);
    // Arming does not depend on the levels: a Take with both levels off still runs.
    dropUndo();
}

void R7_DESK::resetDestinationButton() {
    textSetRaw(names::deselectButton, names::panel,
               {names::destinationPattern, fields.selectedDest});
}

void R7_DESK::dropUndo() {
    if (!fields.undoAvailable) {
        return;
    }
    disableControl(names::panel, names::undo);
    fields.undoAvailable = false;
    fields.undoRecord = undo_record{};
}

void R7_DESK::updateTake() {
    if (fields.selectedDest != 0 && fields.selectedPackage > 0) {
        if (!fields.takeEnabled) {
            enableControl(names::panel, names::take);
            fields.takeEnabled = true;
        }
        // Every arming restarts the flash from the high state sheet and a full count.
        fields.flashing = true;
        textSet(names::statesheet, names::takeHigh, names::panel, names::take);
        startTimer(names::flashTimer, names::flashInterval);
        fields.flashCount = names::flashTicks;
        return;
    }
    // Disarming leaves the state sheet and the count as they stand.
    disarmTake(false);
}

void R7_DESK::disarmTake(bool highSheet) {
    if (fields.takeEnabled) {
        disableControl(names::panel, names::take);
        if (highSheet) {
            textSet(names::statesheet, names::takeHigh, names::panel, names::take);
        }
        fields.takeEnabled = false;
    }
    if (fields.flashing) {
        stopTimer(names::flashTimer);
        fields.flashing = false;
    }
}

void R7_DESK::clearAll() {
    disarmTake(true);
    dropUndo();
    if (fields.selectedPackage > 0) {
        fields.selectedPackage = -1;
        textSetRaw(names::deselectList, names::panel, names::sources);
    }
    if (fields.selectedDest > 0) {
        resetDestinationButton();
        fields.selectedDest = 0;
    }
}
