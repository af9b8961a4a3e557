#include "xy_panel.h"

#include "zeth_panel_factory.h"

namespace {

// Every command and event of this panel names its own panel "1".
constexpr const char* panel = "1";
constexpr const char* layoutFile = "xy_panel.zeth_ui";
constexpr const char* routerName = "XY Router";
constexpr const char* namesName = "XY Names";
constexpr int sourceNames = 1; // the names device's database of source names

} // namespace

ZETH_PANEL(xy_panel)

xy_panel::xy_panel(zeth_client_callback* hostObject, const char* panelPath)
    : zeth_script_helper(hostObject, panelPath) {
    lookupDevice(routerName, &router, nullptr);
    lookupDevice(namesName, &names, nullptr);
    showPanel(panel, layoutFile, "");
    disableControl(panel, "Take");
}

void xy_panel::onButton(controlEvent& event) {
    if (event.panel() != panel) {
        return;
    }
    const zeth_string control = event.control();
    // A list reports the picked item's number as "index=N"; -1 (or less) means none.
    if (control == "Destinations" && event.command() == "index") {
        pickDestination(event.value().toInt());
    } else if (control == "Sources" && event.command() == "index") {
        pickSource(event.value().toInt());
    } else if (control == "Take") {
        take();
    }
}

int xy_panel::onRevertive(revertiveEvent& event) {
    if (destination != 0 && event.device() == router && event.destination() == destination) {
        routed = event.source();
        showRouted();
    }
    return 0;
}

void xy_panel::pickDestination(int number) {
    destination = number > 0 ? number : 0;
    routed = 0;
    showRouted();
    if (destination != 0) {
        // Listen to this destination alone (replacing the last one), and ask for its source now.
        registerRevertives(router, destination, destination, false);
        pollRevertives(router, destination, destination);
    }
    updateTake();
}

void xy_panel::pickSource(int number) {
    source = number > 0 ? number : 0;
    updateTake();
}

void xy_panel::take() {
    // The host delivers clicks of enabled controls only; the test keeps a stray one harmless.
    if (destination != 0 && source != 0) {
        makeCrosspoint(router, source, destination, "", false);
    }
}

void xy_panel::updateTake() {
    const bool ready = destination != 0 && source != 0;
    if (ready == takeEnabled) {
        return;
    }
    takeEnabled = ready;
    if (ready) {
        enableControl(panel, "Take");
    } else {
        disableControl(panel, "Take");
    }
}

void xy_panel::showRouted() {
    zeth_string text;
    if (routed > 0) {
        readDatabaseName(names, sourceNames, routed, text);
        if (text.length() == 0) {
            text = zeth_string("Source %1").arg(routed, 0, 0, 10);
        }
    }
    textSet("text", text, panel, "Routed");
}
