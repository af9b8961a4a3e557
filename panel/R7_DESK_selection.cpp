// R7_DESK: operator events and the selection operations (package, destination, levels, Clear).
#include "R7_DESK.h"

#include "R7_DESK_layout.h"

namespace layout = r7_desk_layout;

void R7_DESK::onButton(controlEvent& event) {
    // A null panel or control word reads as the empty text, which is never panel "1" and matches
    // no control: such an event is ignored like any other foreign one.
    if (event.panel() != 1) {
        return;
    }
    const zeth_string control = event.control();
    // The parsed parameter is read only for the list; a null one gives no "index" command.
    if (control == layout::sources && event.command() == layout::listCommand) {
        selectPackage(event.value());
    } else if (control.startsWith(layout::destinationPrefix)) {
        selectDestination(control.firstInt());
    } else if (control == layout::videoLevel) {
        toggleLevel(videoLevel, layout::videoLevel);
    } else if (control == layout::audioLevel) {
        toggleLevel(audioLevel, layout::audioLevel);
    } else if (control == layout::clear) {
        clearAll();
    } else if (control == layout::take) {
        // The host delivers clicks of enabled controls only; Take and Undo do not test their flags.
        take();
    } else if (control == layout::undo) {
        undo();
    }
}

void R7_DESK::selectPackage(const zeth_string& listIndex) {
    const int index = listIndex.toInt();
    selectedPackage = index > 0 ? index : 0;
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
    if (selectedDest > 0) {
        resetDestinationButton();
    }
    selectedDest = button;
    dropUndo();
    updateTake();
}

void R7_DESK::toggleLevel(bool& level, const char* control) {
    level = !level;
    textSet(layout::pixmap, level ? layout::tickImage : layout::crossImage, layout::panel, control);
    // Arming does not depend on the levels: a Take with both levels off still runs.
    dropUndo();
}

void R7_DESK::resetDestinationButton() {
    textSetRaw(layout::deselectButton, layout::panel, {layout::destinationPattern, selectedDest});
}

void R7_DESK::dropUndo() {
    if (!undoAvailable) {
        return;
    }
    disableControl(layout::panel, layout::undo);
    undoAvailable = false;
    undoRecord = undo_record{};
}

void R7_DESK::updateTake() {
    if (selectedDest != 0 && selectedPackage > 0) {
        if (!takeEnabled) {
            enableControl(layout::panel, layout::take);
            takeEnabled = true;
        }
        // Every arming restarts the flash from the high state sheet and a full count.
        flashing = true;
        textSet(layout::statesheet, layout::takeHigh, layout::panel, layout::take);
        startTimer(layout::flashTimer, layout::flashInterval);
        flashCount = layout::flashTicks;
        return;
    }
    // Disarming leaves the state sheet and the count as they stand.
    if (takeEnabled) {
        disableControl(layout::panel, layout::take);
        takeEnabled = false;
    }
    if (flashing) {
        stopTimer(layout::flashTimer);
        flashing = false;
    }
}

void R7_DESK::clearAll() {
    if (takeEnabled) {
        disableControl(layout::panel, layout::take);
        textSet(layout::statesheet, layout::takeHigh, layout::panel, layout::take);
        takeEnabled = false;
    }
    if (flashing) {
        stopTimer(layout::flashTimer);
        flashing = false;
    }
    dropUndo();
    if (selectedPackage > 0) {
        selectedPackage = -1;
        textSetRaw(layout::deselectList, layout::panel, layout::sources);
    }
    if (selectedDest > 0) {
        resetDestinationButton();
        selectedDest = 0;
    }
}
