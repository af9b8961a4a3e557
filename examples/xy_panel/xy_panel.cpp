#include "xy_panel.h"

#include "zeth_panel_factory.h"

namespace {

constexpr const char* layoutFile = "xy_panel.zeth_ui";
constexpr const char* routerName = "XY Router";
constexpr const char* namesName = "XY Names";
constexpr int sourceNames = 1; // the names device's database of source names

} // namespace

ZETH_PANEL(xy_panel)

// The layout's controls are on panel "1": named once here, every command and event uses it.
xy_panel::xy_panel(zeth_client_callback* hostObject, const char* panelPath)
    : zeth_script_helper(hostObject, panelPath, "1") {
    lookupDevice(routerName, &router, nullptr);
    lookupDevice(namesName, &names, nullptr);
    showPanel(layoutFile);
    disableControl("Take");
}

void xy_panel::onListPick(const zeth_string& list, int item) {
    if (list == "Destinations") {
        pickDestination(item);
    } else if (list == "Sources") {
        pickSource(item);
    }
}

void xy_panel::onClick(const zeth_string& control) {
    if (control == "Take") {
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
        // Listen to this destination alone (replacing the last one), and ask for its source now:
        // registering alone reports nothing.
        registerRevertives(router, {destination}, revertive_registration::replace);
        pollRevertives(router, {destination});
    }
    updateTake();
}

void xy_panel::pickSource(int number) {
    source = number > 0 ? number : 0;
    updateTake();
}

void xy_panel::take() {
    // The host delivers clicks of enabled controls only; a stray one is logged and harmless.
    if (destination == 0 || source == 0) {
        debugLog("xy_panel: Take without a %1 picked", destination == 0 ? "destination" : "source");
        return;
    }
    makeCrosspoint(router, source, destination, "", false); // the plain crosspoint
}

void xy_panel::updateTake() {
    const bool ready = destination != 0 && source != 0;
    if (ready == takeEnabled) {
        return;
    }
    takeEnabled = ready;
    if (ready) {
        enableControl("Take");
    } else {
        disableControl("Take");
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
    textSet("text", text, "Routed");
}
