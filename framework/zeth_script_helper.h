// zeth_script_helper: the panel base. It implements the panel's notify (decoding the message code,
// wrapping the datum and calling one handler) and inherits from zeth_commands the link to the
// host and one operation per host command, so that panel code never builds a command text itself.
//
// Construction stores host and copies panelPath, nothing else: a derived constructor may send
// commands at once. Destruction sends the closing notice "AS" (when there is a host) as the last
// command, after the derived part is gone. Neither the constructor chain, notify nor the
// destructor lets an exception reach the host: notify answers null instead, the destructor drops
// it. The host is never deleted by the panel.
//
// Commands: the operations of zeth_commands, one per host command, inherited from there.
#pragma once

#include "zeth_client_callback.h"
#include "zeth_commands.h"
#include "zeth_events.h"
#include "zeth_string.h"

#include <vector>

class zeth_script_helper : public zeth_client_callback, public zeth_commands {
public:
    // host may be null (then nothing is ever sent); a null panelPath reads as the empty text.
    zeth_script_helper(zeth_client_callback* host, const char* panelPath);
    // Virtual in its own right: where the interface lays out the host's table itself, its
    // destructor is not virtual, and this one takes the slots after notify.
    virtual ~zeth_script_helper();

#if ZETH_MSVC_SHAPED_VTABLE
    // Slot 0 of the host's table: destroys through the virtual destructor, frees when bit 0 of
    // flags is set, and returns this.
    void* ZETH_THISCALL scalarDeletingDestructor(unsigned flags) override;
#endif
    void* ZETH_THISCALL notify(void* data, int code) override;

    // Handlers, called by notify only, in this virtual-table order. References passed to them
    // point at notify's own copy of the datum; what a handler writes there is not used. A panel
    // must handle control events and revertives; one that publishes nothing to queries or runs
    // no timers may leave those two to the defaults here.
    virtual void onButton(controlEvent& event) = 0;     // code 2
    virtual int onRevertive(revertiveEvent& event) = 0; // code 1; the result is ignored
    virtual zeth_string onQuery(queryEvent& query);     // code 3; empty answers become null.
                                                        // Here: empty, whatever is asked
    virtual void onHostEvent7(int& value);              // code 7; does nothing here
    virtual void onTimer(int timerId);                  // code 4; does nothing here
    virtual void onHostEvent6(void*& data);             // code 6; does nothing here

private:
    void* dispatch(void* data, int code);
    void releaseAnswer(void* answer) noexcept;

    // Query answers handed to the host and not yet released with code 5: only these are freed,
    // so a foreign or repeated hand-back from the host is ignored instead of corrupting the heap.
    std::vector<char*> outstandingAnswers;
};
