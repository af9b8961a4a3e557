// zeth_script_helper: the panel base. It implements the panel's notify (decoding the message code,
// wrapping the datum and calling one handler) and inherits from zeth_commands the link to the
// host and one operation per host command, so that panel code never builds a command text itself.
//
// Construction stores host and copies panelPath and the panel's identifier, nothing else: a
// derived constructor may send commands at once. Destruction sends the closing notice "AS" (when
// there is a host) as the last command, after the derived part is gone. Neither the constructor
// chain, notify nor the destructor lets an exception reach the host: the destructor drops it, and
// notify answers null and writes one line to the debug output (debug_output.h), in the form of
// zeth_handler_exception.h, naming the handler, the message code and the exception's text, so
// that a half-done handler never passes unnoticed:
//
//     exception in handler onButton (message code 2): TEXT
//
// The line is composed without the heap, so a failed allocation is reported too.
//
// Commands: the operations of zeth_commands, one per host command, inherited from there.
#pragma once

#include "zeth_client_callback.h"
#include "zeth_commands.h"
#include "zeth_events.h"
#include "zeth_handler_exception.h"
#include "zeth_string.h"

#include <vector>

class zeth_script_helper : public zeth_client_callback, public zeth_commands {
public:
    // host may be null (then nothing is ever sent); a null panelPath reads as the empty text.
    // panelId is the identifier the panel names its own panel by in commands and events.
    zeth_script_helper(zeth_client_callback* host, const char* panelPath,
                       const char* panelId = "1");
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
    // must handle revertives; one that publishes nothing to queries or runs no timers may leave
    // those two to the defaults here.
    //
    // Code 2, a control event, as the host sent it. Here: an event that names this panel's own
    // identifier is passed on as a list pick (onListPick) when its parameter is "index=N", and as
    // a click (onClick) otherwise; an event naming another panel is dropped. A panel that
    // overrides it sees every event as it is, and the two below are not called.
    virtual void onButton(controlEvent& event);
    virtual int onRevertive(revertiveEvent& event) = 0; // code 1; the result is ignored
    virtual zeth_string onQuery(queryEvent& query);     // code 3; empty answers become null.
                                                        // Here: empty, whatever is asked
    virtual void onHostEvent7(int& value);              // code 7; does nothing here
    virtual void onTimer(int timerId);                  // code 4; does nothing here
    virtual void onHostEvent6(void*& data);             // code 6; does nothing here
    // The operator picked an item of the list: item is the item's number as the host gives it
    // (for a list filled from a database, the entry's index, not its position in the list), 0
    // when the host's value is no number. The texts are valid during the call. Both do nothing
    // here.
    virtual void onListPick(const zeth_string& list, int item);
    // The operator clicked the control (a button; the host delivers no click of a disabled one).
    virtual void onClick(const zeth_string& control);

private:
    void* dispatch(void* data, int code);
    void releaseAnswer(void* answer) noexcept;
    // Writes the debug-output line above for an exception that left the running handler.
    void reportException(int code, const char* what) const noexcept;

    // The handler notify is running now, for the exception's line.
    const char* runningHandler = "notify";

    // Query answers handed to the host and not yet released with code 5: only these are freed,
    // so a foreign or repeated hand-back from the host is ignored instead of corrupting the heap.
    std::vector<char*> outstandingAnswers;
};
