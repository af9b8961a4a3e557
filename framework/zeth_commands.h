// zeth_commands: one operation per host command, so that panel code never builds a command text
// itself. The panel base (zeth_script_helper) inherits them; they keep the link to the host.
//
// Every operation runs on the host's calling thread, composes its text in one command_text on
// the stack (the heap only for a text beyond its inline room) and sends it through send, the one
// place that sends: host->notify(text, 0), waiting for it to return; with a null host nothing is
// sent and the reply reads as null. The text stays the panel's and lives only during that call.
// Names and values are taken as given (literal texts included) and copied straight into the
// command; no string object is built for a piece. Nothing is escaped: a quote inside a name goes
// out as it is.
//
// Replies stay the host's, except those of "TG", "SD" and "RN", which the operation hands back
// with host->notify(reply, 5) exactly once, after it has finished reading them ("RN" hands back a
// null reply too). An operation that does not hand back its reply never reads it, except
// showPanel, which only tests it for null.
//
// A command whose every piece is a constant can be composed once, where the panel is compiled, by
// the finished... functions below (constexpr: use them to initialise a constexpr finished_command)
// and sent with send(finished). It goes out byte for byte as the matching operation would send it,
// and costs a copy of the finished text. The texts of both come from command_formats.
#pragma once

#include "command_formats.h"
#include "command_text.h"
#include "zeth_client_callback.h"
#include "zeth_string.h"

class zeth_commands {
public:
    // host may be null (then nothing is ever sent); a null panelPath reads as the empty text.
    zeth_commands(zeth_client_callback* host, const char* panelPath);

    // "CD 'panel' 'control'"
    void disableControl(const command_argument& panel, const command_argument& control);
    // "CE 'panel' 'control'"
    void enableControl(const command_argument& panel, const command_argument& control);
    // "TP 'property=value' 'panel' 'control'"
    void textSet(const command_argument& property, const command_argument& value,
                 const command_argument& panel, const command_argument& control);
    // "TP 'message' 'panel' 'control'": message is a preformed "property=value" text.
    void textSetRaw(const command_argument& message, const command_argument& panel,
                    const command_argument& control);
    // "TG 'panel' 'control' 'property'". result receives the value after the "=" of a reply that
    // names property (exactly, case-sensitively); for property "all", the whole reply; otherwise
    // the empty text, with one debug-output message when a reply named another property.
    void textGet(const char* property, const command_argument& panel,
                 const command_argument& control, zeth_string& result);
    // "PS 'panel' '[panelPath/]file'[ 'extra']". True for a non-null reply, and without a host.
    bool showPanel(const command_argument& panel, const command_argument& file, const char* extra);
    // "SD 'name'". Stores 0 through both pointers first (where not null), then the leading
    // decimal number of tokens 0 and 1 of the reply (as atoi reads it, 0 without one; beyond the
    // int range it saturates). True whenever a reply came, whatever it held.
    bool lookupDevice(const command_argument& name, int* device, int* secondNumber);
    // "RN device database index". A non-null reply is copied into result; a null one leaves it.
    void readDatabaseName(int device, int database, int index, zeth_string& result);
    // "RC device source destination ',suffix' flag" with flag 1 or 0.
    void makeCrosspoint(int device, int source, int destination, const command_argument& suffix,
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

    // The texts of disableControl, enableControl, textSet, textSetRaw and startTimer, finished
    // where they are compiled when every argument is a constant.
    static constexpr finished_command finishedDisableControl(const command_argument& panel,
                                                             const command_argument& control) {
        finished_command text;
        return command_formats::disableControl(text, panel, control);
    }
    static constexpr finished_command finishedEnableControl(const command_argument& panel,
                                                            const command_argument& control) {
        finished_command text;
        return command_formats::enableControl(text, panel, control);
    }
    static constexpr finished_command finishedTextSet(const command_argument& property,
                                                      const command_argument& value,
                                                      const command_argument& panel,
                                                      const command_argument& control) {
        finished_command text;
        return command_formats::textSet(text, property, value, panel, control);
    }
    static constexpr finished_command finishedTextSetRaw(const command_argument& message,
                                                         const command_argument& panel,
                                                         const command_argument& control) {
        finished_command text;
        return command_formats::textSetRaw(text, message, panel, control);
    }
    static constexpr finished_command finishedStartTimer(int timerId, int interval) {
        finished_command text;
        return command_formats::startTimer(text, timerId, interval);
    }

    // Sends a copy of command, made on the stack, with code 0, like the operation that composes
    // the same text; the reply stays the host's and is not read.
    void send(const finished_command& command);

protected:
    // Sends text with code 0 and returns the host's reply; null, and nothing sent, without a host.
    void* send(command_text& text);
    // Sends a fixed text, such as the closing notice "AS".
    void* send(const char* text);

    zeth_client_callback* host;
    zeth_string panelPath;
};
