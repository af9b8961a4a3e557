// panel_view: the one-line views that the transcript shows after each operator action.
//
// The host sees a panel only as its controls, so the desk's view is read off the layout it
// shows, control by control in layout order:
//   desk 1 | Sources 5 "Studio A" | selected Dest_2 | videolevel on, audiolevel on
//          | Take enabled KX_TakeLow | Undo disabled
// a list shows its selected item and the item's text; latching buttons show which are lit
// ("selected"); a button with a pixmap shows on (the tick), off (the cross) or the image; a
// button with a state sheet, or whose enabled state the panel has set, shows that state and its
// state sheet; a label shows its text in quotes (Routed "Camera 2"). The routers' view shows every
// destination that some desk listens to:
//   routers | R7 SDI Router (20): 101<-1 102<-5 | R7 Audio Router (21): 201<-1 202<-5
#pragma once

#include "facility.h"
#include "layout.h"
#include "router_bank.h"

#include <string>

// The view of desk deskNumber, which shows panels; a closed desk shows nothing more.
std::string deskView(int deskNumber, bool closed, const shown_panels& panels,
                     const facility& plant);
std::string routersView(const router_bank& routers, const facility& plant);
// The text of item index of a list control, if the facility has one.
std::optional<std::string> listItemText(const layout_control& list, std::int32_t index,
                                        const facility& plant);
