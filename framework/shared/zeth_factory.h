// zeth_factory: the type and the name of the one function a panel plug-in exports.
//
// Who calls it: the host, once per panel object, after loading the library, on its own thread,
// with its own callback object for that panel and the panel path (the directory the panel's
// layout files are read from; null reads as the empty text). The panel's start-up conversation
// takes place before the call returns, so the host must already answer commands for that panel.
//
// Ownership: the host's callback object stays the host's; the panel path is copied and may be
// released when the call returns. The returned panel is the host's from then on; it deletes it
// through the virtual destructor (slot 0 of the host's table), which sends the closing notice
// "AS" as the panel's last command. Null means the panel could not be created; no exception
// leaves the call.
//
// Panels do not write this function: the framework's ZETH_PANEL (zeth_panel_factory.h) supplies it.
#pragma once

#include "zeth_client_callback.h"

// The factory's type, for hosts that resolve it from the loaded library.
using zeth_factory = zeth_client_callback* (*)(zeth_client_callback* host, const char* panelPath);

// The factory's exported name, undecorated (a plain C name, also on 32-bit Windows).
inline constexpr const char zethFactoryName[] = "load_zeth_client_script";
