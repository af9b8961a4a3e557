// zeth_panel_factory: the exported factory of a panel plug-in, written once for every panel.
//
// A plug-in names its panel class in exactly one of its source files, at file scope:
//
//     #include "zeth_panel_factory.h"
//     #include "my_panel.h"
//     ZETH_PANEL(my_panel)
//
// That defines load_zeth_client_script (zeth_factory.h), the plug-in's only export, which makes
// one panel as new (std::nothrow) my_panel(host, panelPath). The class derives from
// zeth_script_helper and has a constructor taking (zeth_client_callback* host, const char*
// panelPath); it may send its start-up commands from there.
//
// Guarantees, whatever the class does: no exception leaves the factory; when the allocation yields
// nothing the answer is null and nothing was sent; when the constructor throws (a failed
// allocation, or an exception the host threw from notify) the answer is null, the part already
// built is destroyed (the base then sends "AS" after the commands sent so far) and the memory is
// released by the matching nothrow delete, so nothing leaks.
//
// Who calls it: the host, as zeth_factory.h says. The macro belongs in a source file that is
// compiled into the plug-in itself (zeth_add_panel's SOURCES), not into a static library, where
// nothing would pull it in.
#pragma once

#include "zeth_export.h"
#include "zeth_factory.h"

#include <new>

// Makes one panel of class Panel for the factory, as the guarantees above say.
template <class Panel>
zeth_client_callback* zethMakePanel(zeth_client_callback* host, const char* panelPath) noexcept {
    try {
        return new (std::nothrow) Panel(host, panelPath);
    } catch (...) {
        return nullptr;
    }
}

// Defines the exported factory for the panel class panel_class.
#define ZETH_PANEL(panel_class)                                                                    \
    extern "C" ZETH_EXPORT zeth_client_callback* load_zeth_client_script(                          \
        zeth_client_callback* host, const char* panelPath) {                                       \
        return zethMakePanel<panel_class>(host, panelPath);                                        \
    }
