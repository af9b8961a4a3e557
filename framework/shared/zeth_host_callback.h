// zeth_host_callback: the host's side of zeth_client_callback: the base of the callback objects a
// host hands to panels, and the host's way to delete a panel object, whichever virtual table
// zeth_client_callback.h declares for the target.
//
// A host derives its callback object from zeth_host_callback and implements notify (declared
// ZETH_THISCALL, as the interface's is); it destroys its own objects through their virtual
// destructor as usual. Panels only ever call notify on it: where the interface declares the host's
// table (32-bit Windows with a compiler other than MSVC), slot 0 of a host object does nothing,
// since the panel never deletes the host's object and a panel that tried must not take the host
// down with it.
//
// zethDeletePanel(panel) is the host's "delete" of a panel object the factory returned, called
// once, when the host is done with the panel, on the host's thread: slot 0 with flags 1 where the
// interface declares the host's table, the virtual destructor elsewhere. The panel sends its
// closing notice during the call; afterwards the pointer points at nothing.
#pragma once

#include "zeth_client_callback.h"

class zeth_host_callback : public zeth_client_callback {
public:
    zeth_host_callback() = default;
    virtual ~zeth_host_callback() = default;

#if ZETH_MSVC_SHAPED_VTABLE
    void* ZETH_THISCALL scalarDeletingDestructor(unsigned /*flags*/) override {
        return this;
    }
#endif
};

inline void zethDeletePanel(zeth_client_callback* panel) {
#if ZETH_MSVC_SHAPED_VTABLE
    panel->scalarDeletingDestructor(1U);
#else
    delete panel;
#endif
}
