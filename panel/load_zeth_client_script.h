// load_zeth_client_script: the plug-in's only export, supplied by the framework's ZETH_PANEL for
// the R7_DESK class (zeth_factory.h and zeth_panel_factory.h give the contract and the guarantees).
//
// Who calls it: the host, once per panel object, after loading the library, on its own thread.
// It creates one R7_DESK with host and panelPath; the panel's whole start-up conversation (31
// commands sent through host->notify) takes place before it returns, so host must already answer
// commands on this panel's behalf.
//
// Ownership: host stays the host's; panelPath is copied and may be released when the call returns
// (null reads as the empty text). The returned object is the host's from then on; it deletes it
// through the virtual destructor, which sends "AS" as the panel's last command.
//
// Failure: null when the panel could not be created: when its allocation yields nothing (then
// nothing was sent), or when start-up ended in an exception (a failed allocation, or one the
// host threw from notify). In that case the partly built panel is destroyed before the call
// returns, which sends "AS" after the commands sent so far, and nothing leaks. No exception
// leaves the call.
#pragma once

#include "zeth_export.h"
#include "zeth_factory.h"

extern "C" ZETH_EXPORT zeth_client_callback* load_zeth_client_script(zeth_client_callback* host,
                                                                     const char* panelPath);
