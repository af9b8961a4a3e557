// plugin_object: the base of the panels of the host tests' own plug-ins, which implement the bare
// interface rather than the framework's panel base: a virtual destructor of their own, and, where
// the interface declares the host's table (32-bit Windows), slot 0 destroying through it as the
// host's "delete" expects. TEST_PLUGIN_EXPORT marks each plug-in's factory.
#pragma once

#include "zeth_client_callback.h"

#if defined(_WIN32)
#define TEST_PLUGIN_EXPORT __declspec(dllexport)
#else
#define TEST_PLUGIN_EXPORT __attribute__((visibility("default")))
#endif

class plugin_object : public zeth_client_callback {
public:
    virtual ~plugin_object() = default;

#if ZETH_MSVC_SHAPED_VTABLE
    void* ZETH_THISCALL scalarDeletingDestructor(unsigned flags) override {
        if ((flags & 1U) != 0U) {
            delete this;
        } else {
            this->~plugin_object();
        }
        return this;
    }
#endif
};
