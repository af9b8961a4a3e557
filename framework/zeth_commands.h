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
// The panel identifier: every operation that names a panel has a form without it, which names
// the panel's own identifier, given once to the constructor ("1" unless it says otherwise).
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

#include <cstddef>
#include <initializer_list>

// How registerRevertives with several destinations treats the panel's earlier registrations on
// that router: its first "RR" replaces them (the plain form), or every one adds ('ADD').
enum class revertive_registration { replace, add };

class zeth_commands {
public:
    // host may be null (then nothing is ever sent); a null panelPath reads as the empty text, and
    // so does a null panelId.
    zeth_commands(zeth_client_callback* host, const char* panelPath, const char* panelId = "1");

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
    // "RC device source destination ',suffix' flag" with flag 1 or 0: routes source to
    // destination on the router device. The host reads the text after the comma and the flag as
    // qualifiers of the crosspoint that its own configuration defines (which part of the route,
    // whether to override a protection); an empty suffix and false ask for the plain crosspoint,
    // which is all a panel needs unless its host's configuration says otherwise. zeth-host
    // checks their form (the comma, a flag of 0 or 1) and routes the same whatever they are.
    void makeCrosspoint(int device, int source, int destination, const command_argument& suffix,
                        bool flag);
    // "RR device first last": the host delivers the revertives of destinations first to last of
    // the router device from now on, replacing the panel's earlier registrations on that router;
    // with add, "RR device first last 'ADD'" adds to them. Registering reports nothing: a panel
    // that wants the sources routed there now polls them (pollRevertives).
    void registerRevertives(int device, int firstDestination, int lastDestination, bool add);
    // One "RR device n n" per destination n, in the order given ({101, 102}, or count numbers
    // from destinations): with replace the first is the plain form and the others add, so that
    // the panel hears exactly these destinations of the router; with add every one adds to the
    // earlier registrations. Nothing for no destinations.
    void registerRevertives(int device, std::initializer_list<int> destinations,
                            revertive_registration how = revertive_registration::replace);
    void registerRevertives(int device, const int* destinations, std::size_t count,
                            revertive_registration how = revertive_registration::replace);
    // "RP device first last": the host answers with one revertive (code 1, after the current
    // call) per destination of the range, carrying the source routed there now.
    void pollRevertives(int device, int firstDestination, int lastDestination);
    // One "RP device n n" per destination n, in the order given.
    void pollRevertives(int device, std::initializer_list<int> destinations);
    void pollRevertives(int device, const int* destinations, std::size_t count);
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
    // The same with any number of texts (each a zeth_string or a const char*): the first fills
    // %1, the second %2, and so on, in one pass; markers beyond them stay as they are.
    template <typename... texts>
    static void debugLog(const zeth_string& format, const texts&... filling) {
        writeDebugText(fillMarkers(format, {&asText(filling)...}));
    }

    // The forms that name the panel's own identifier (panelId()) instead of a panel argument.
    void disableControl(const command_argument& control);
    void enableControl(const command_argument& control);
    void textSet(const command_argument& property, const command_argument& value,
                 const command_argument& control);
    void textSetRaw(const command_argument& message, const command_argument& control);
    void textGet(const char* property, const command_argument& control, zeth_string& result);
    bool showPanel(const command_argument& file);

    // The identifier given to the constructor.
    const zeth_string& panelId() const noexcept { return ownPanel; }

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

private:
    static void writeDebugText(const zeth_string& text) noexcept;
    // A converted text lives until the end of the debugLog call that made it.
    static const zeth_string& asText(const zeth_string& text) noexcept { return text; }

    zeth_string ownPanel;
};
