// xy_panel: an X-Y panel. The operator picks a destination in the "Destinations" list and a
// source in the "Sources" list; "Take" routes that source to that destination on the router at
// once. The label "Routed" shows the source the router reports at the picked destination, by its
// name, as revertives bring it: after a Take, and also when someone else routes there. The
// operator cannot click the label.
//
// Who calls what:
// - The constructor is called by the plug-in's factory (ZETH_PANEL in xy_panel.cpp) on the
//   host's thread. It looks up the router and the names device, shows the layout and disables
//   Take; whatever the host answers, the panel comes out idle.
// - notify (inherited from zeth_script_helper) calls onListPick, onClick and onRevertive on the
//   host's thread; the framework passes on only the events of the panel's own panel "1".
//   Queries and timers are left to the framework's defaults: the panel publishes nothing and
//   runs no timer.
// - The host deletes the panel; the framework then sends the closing notice "AS" last.
//
// State between events: destination and source are 0 (none) or what the lists picked; Take is
// enabled exactly when both are picked; routed is 0 until the router reports a source at the
// picked destination. The panel listens to the picked destination only.
#pragma once

#include "zeth_events.h"
#include "zeth_script_helper.h"

class xy_panel : public zeth_script_helper {
public:
    // host may be null: then nothing is sent and no device is known.
    xy_panel(zeth_client_callback* host, const char* panelPath);

    void onListPick(const zeth_string& list, int item) override;
    void onClick(const zeth_string& control) override;
    int onRevertive(revertiveEvent& event) override;

private:
    void pickDestination(int number);
    void pickSource(int number);
    void take();
    void updateTake();
    void showRouted();

    int router = 0;      // the router's device number
    int names = 0;       // the device whose databases name destinations (0) and sources (1)
    int destination = 0; // picked destination, 0 for none
    int source = 0;      // picked source, 0 for none
    int routed = 0;      // the source reported at the picked destination, 0 while unknown
    bool takeEnabled = false;
};
