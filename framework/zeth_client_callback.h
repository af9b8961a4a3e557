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
#pragma once

class zeth_client_callback {
public:
    zeth_client_callback() = default;
    zeth_client_callback(const zeth_client_callback&) = delete;
    zeth_client_callback& operator=(const zeth_client_callback&) = delete;
    virtual ~zeth_client_callback() = default;
    virtual void* notify(void* data, int code) = 0;
};
