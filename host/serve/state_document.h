// state_document: what the page draws, as one JSON value read off the emulator: the clock, every
// desk with its panels' controls in layout order, and the routers' destinations that desks use.
//
//   { "time_ms": 1000, "realtime": false, "current_desk": 1, "started": true, "desk_count": 1,
//     "desks": [ { "number": 1, "closed": false, "timers": 1,
//                  "listens": [ { "device": 20, "destinations": [ 101, 102, 103, 104 ] } ],
//                  "panels": [ { "id": "1", "title": "R7 Desk", "controls": [
//                      { "name": "Sources", "kind": "list", "enabled": true,
//                        "properties": { "index": "5", ... }, "selected": 5,
//                        "items": [ { "index": 1, "text": "Camera 1" }, ... ] },
//                      { "name": "Dest_2", "kind": "button", "latching": true, "lit": true,
//                        "enabled": true, "properties": { "text": "Monitor 2", ... } },
//                      { "name": "Routed", "kind": "label", "properties": { "text": "" }, ... }
//                      ] } ] } ],
//     "routers": [ { "device": 20, "name": "R7 SDI Router",
//                    "destinations": [ { "number": 102, "source": 5, "package": "Studio A" } ] } ]
//                    }
//
// "listens" says which destinations of which routers the desk has registered for: a page that
// shows some desks shows the routers' destinations that those desks use.
//
// A source's package is the package whose crosspoint entry (a facility database of "video,audio"
// texts, one column per router in the facility's order) names that source on that router; its
// name is the list item of the same number.
//
// Called on the emulator's thread only (it reads the desks and the facility).
#pragma once

#include "emulator.h"

#include <nlohmann/json.hpp>

nlohmann::json stateDocument(const emulator& host, bool started, int currentDesk);
// The parts of it, for the changes (state_changes.h): the fields before "desks" and "routers",
// one element of "desks", and "routers".
nlohmann::json stateFields(const emulator& host, bool started, int currentDesk);
nlohmann::json deskDocument(const emulator& host, int deskNumber);
nlohmann::json routerDocuments(const emulator& host);
