// zeth_client_callback: the one interface through which host and panel talk. Both sides implement
// it: the host hands its own object to the panel's factory, and the factory returns the panel's.
//
// Virtual table, in this order (the host relies on it): the virtual destructor, then notify.
//
// notify(data, code), host to panel (the panel's object):
//   1  data: zeth_revertive_record*, the host's, valid during the call.   returns null
//   2  data: zeth_event_record*, the host's, valid during the call.       returns null
//   3  data: const char* property text, the host's, valid during the call.
//      returns a new text owned by the host until it hands it back with code 5, or null
//   4  data: the timer id carried as the pointer's own value.             returns null
//   5  data: a text this panel returned for code 3 (or null); the panel frees it. returns null
//   6, 7  host events without a fixed meaning.                            return null
//   any other code: nothing happens, returns null.
// notify(data, code), panel to host (the host's object):
//   0  data: the NUL-terminated command text, the panel's, valid only during the call: the host
//      copies what it needs. returns the host's reply text or null; the reply stays the host's,
//      except for the replies that the command's operation hands back with code 5.
//   5  data: a reply received earlier (or null after a null "RN" reply): the host frees it.
//
// Every call runs on the host's thread; the host never enters one panel from two threads at once,
// and it accepts commands while its own call into the panel is still running. The host deletes
// the panel through the virtual destructor; the panel never deletes the host's object.
//
// The deployed host is a 32-bit Windows program built with the platform's usual compiler (the
// MSVC C++ ABI). There the table is two slots, both __thiscall (this in ECX, the callee pops the
// arguments):
//   slot 0  the scalar deleting destructor: void* (unsigned flags). It destroys the object; when
//           bit 0 of flags is set it also frees the memory. It returns this. The host's "delete"
//           calls it with flags 1.
//   slot 1  notify.
// A compiler with the MSVC ABI (MSVC, clang for *-windows-msvc) makes exactly this table from the
// natural declaration. Other compilers for 32-bit Windows (MinGW-w64 GCC, clang for *-mingw32)
// would put two destructor slots first and notify third, so that the host's first message would
// destroy the panel. For them the interface below declares the host's table itself: slot 0 is
// scalarDeletingDestructor, slot 1 notify, and the destructor is protected and not virtual. The
// panel base implements slot 0 by destroying through its own virtual destructor, which comes
// after these two slots. Defining ZETH_PLAIN_VTABLE (CMake option ZETH_MSVC_VTABLE=OFF) keeps the
// compiler's own layout, which only shows that the host cannot use it.
#pragma once

#if defined(_WIN32) && !defined(_WIN64) && !defined(_MSC_VER) && !defined(ZETH_PLAIN_VTABLE)
#define ZETH_MSVC_SHAPED_VTABLE 1
#else
#define ZETH_MSVC_SHAPED_VTABLE 0
#endif

#if ZETH_MSVC_SHAPED_VTABLE

// The calling convention of every function in the host's table.
#define ZETH_THISCALL __attribute__((thiscall))

class zeth_client_callback {
public:
    zeth_client_callback() = default;
    zeth_client_callback(const zeth_client_callback&) = delete;
    zeth_client_callback& operator=(const zeth_client_callback&) = delete;
    // Slot 0, called by the host's "delete" (flags 1) when it is done with the panel, never by
    // the panel on the host's object. Bit 0 of flags: free the memory after destroying. Returns
    // this, which then no longer points at an object.
    virtual void* ZETH_THISCALL scalarDeletingDestructor(unsigned flags) = 0;
    // Slot 1.
    virtual void* ZETH_THISCALL notify(void* data, int code) = 0;

protected:
    // Not virtual, so that it takes no slot; objects are destroyed through slot 0 only.
    ~zeth_client_callback() = default;
};

#else

#define ZETH_THISCALL

class zeth_client_callback {
public:
    zeth_client_callback() = default;
    zeth_client_callback(const zeth_client_callback&) = delete;
    zeth_client_callback& operator=(const zeth_client_callback&) = delete;
    virtual ~zeth_client_callback() = default;
    virtual void* notify(void* data, int code) = 0;
};

#endif
