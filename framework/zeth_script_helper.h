// zeth_script_helper: the panel base. It implements the panel's notify (decoding the message code,
// wrapping the datum and calling one handler), keeps the link to the host, and offers one
// operation per host command, so that panel code never builds a command text itself.
//
// Construction stores host and copies panelPath, nothing else: a derived constructor may send
// commands at once. Destruction sends the closing notice "AS" (when there is a host) as the last
// command, after the derived part is gone. Neither the constructor chain, notify nor the
// destructor lets an exception reach the host: notify answers null instead, the destructor drops
// it. The host is never deleted by the panel.
//
// Commands: every operation below runs on the host's calling thread, sends one text with
// host->notify(text, 0) and waits for it to return; with a null host it sends nothing. The text
// stays the panel's and lives only during that call. Replies stay the host's, except those of
// "TG", "SD" and "RN", which the operation hands back with host->notify(reply, 5) exactly once,
// after it has finished reading them ("RN" hands back a null reply too). An operation that does
// not hand back its reply never reads it, except showPanel, which only tests it for null.
#pragma once

#include "zeth_client_callback.h"
#include "zeth_events.h"
#include "zeth_string.h"

#include <vector>

class zeth_script_helper : public zeth_client_callback {
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
    // point at notify's own copy of the datum; what a handler writes there is not used.
    virtual void onButton(controlEvent& event) = 0;     // code 2
    virtual int onRevertive(revertiveEvent& event) = 0; // code 1; the result is ignored
    virtual zeth_string onQuery(queryEvent& query) = 0; // code 3; empty answers become null
    virtual void onHostEvent7(int& value);              // code 7; does nothing here
    virtual void onTimer(int timerId) = 0;              // code 4
    virtual void onHostEvent6(void*& data);             // code 6; does nothing here

    // "CD 'panel' 'control'"
    void disableControl(const zeth_string& panel, const zeth_string& control);
    // "CE 'panel' 'control'"
    void enableControl(const zeth_string& panel, const zeth_string& control);
    // "TP 'property=value' 'panel' 'control'"
    void textSet(const zeth_string& property, const zeth_string& value, const zeth_string& panel,
                 const zeth_string& control);
    // "TP 'message' 'panel' 'control'": message is a preformed "property=value" text.
    void textSetRaw(const zeth_string& message, const zeth_string& panel,
                    const zeth_string& control);
    // "TG 'panel' 'control' 'property'". result receives the value after the "=" of a reply that
    // names property (exactly, case-sensitively); for property "all", the whole reply; otherwise
    // the empty text, with one debug-output message when a reply named another property.
    void textGet(const zeth_string& property, const zeth_string& panel, const zeth_string& control,
                 zeth_string& result);
    // "PS 'panel' '[panelPath/]file'[ 'extra']". True for a non-null reply, and without a host.
    bool showPanel(const zeth_string& panel, const zeth_string& file, const zeth_string& extra);
    // "SD 'name'". Stores 0 through both pointers first (where not null), then the leading
    // decimal number of tokens 0 and 1 of the reply (as atoi reads it, 0 without one; beyond the
    // int range it saturates). True whenever a reply came, whatever it held.
    bool lookupDevice(zeth_string name, int* device, int* secondNumber);
    // "RN device database index". A non-null reply is copied into result; a null one leaves it.
    void readDatabaseName(int device, int database, int index, zeth_string& result);
    // "RC device source destination ',suffix' flag" with flag 1 or 0.
    void makeCrosspoint(int device, int source, int destination, const zeth_string& suffix,
                        bool flag);
    // "RR device first last", or "RR device first last 'ADD'" to add to earlier registrations.
    void registerRevertives(int device, int firstDestination, int lastDestination, bool add);
    // "RP device first last"
    void pollRevertives(int device, int firstDestination, int lastDestination);
    // "ET id interval"; an interval of 0 sends "ET id", which stops the timer.
    void startTimer(int timerId, int interval);
    // "ET id"
    void stopTimer(int timerId);
    // Fills %1 .. %9 of format with a1 .. a9 and writes the result to the debug output; nothing
    // goes to the host.
    static void debugLog(const zeth_string& format, const zeth_string& a1, const zeth_string& a2,
                         const zeth_string& a3, const zeth_string& a4, const zeth_string& a5,
                         const zeth_string& a6, const zeth_string& a7, const zeth_string& a8,
                         const zeth_string& a9);

protected:
    zeth_client_callback* host;
    zeth_string panelPath;

private:
    // Sends one command with code 0 and returns the host's reply.
    void* send(const char* text);
    // Formats the numeric commands on the stack: no heap allocation on this path.
    void sendNumbers(const char* command, const int* numbers, int count, const char* tail);
    void* dispatch(void* data, int code);
    void releaseAnswer(void* answer) noexcept;

    // Query answers handed to the host and not yet released with code 5: only these are freed,
    // so a foreign or repeated hand-back from the host is ignored instead of corrupting the heap.
    std::vector<char*> outstandingAnswers;
};
