// desk: one panel object and the host's side of it.
//
// A desk is the callback object that the host hands to the panel's factory (each panel object
// gets its own), so every command arrives here first: it is logged, checked against the
// contract, carried out by the command interpreter and answered with a reply the desk's
// contract_checker allocated. The desk also makes every call into its panel (the factory, the
// four kinds of delivery, the deletion), each as one whole call: the transcript holds the
// call's entries until it returns, and the contract checks that need the call to be over (a
// reply still owed, an exception) run then. What the panel writes as debug output during a call
// becomes debug entries under it (debug_output_capture), each where the panel wrote it: before the
// command or hand-back that followed it, or at the end of the call. A line in the framework's form
// of a handler's exception (zeth_handler_exception.h) is reported, right after it, as the
// violation exception-in-handler.
//
// Threads: everything runs on the host's thread, except that the panel may call notify from any
// thread at any time while the desk lives. Such a call is answered null before it touches
// anything (thread_check) and reported as call-from-another-thread when the host's call into the
// panel returns, or when the next one begins, or when the desk is destroyed.
//
// Lifetime: the desk must outlive its panel object, which may call it until it is deleted; the
// panel must be deleted (destroy()) before the plug-in library is unloaded. A desk never throws
// into its panel: notify answers null whatever happens.
#pragma once

#include "call_monitor.h"
#include "command_interpreter.h"
#include "contract_checker.h"
#include "debug_output_capture.h"
#include "plugin_loader.h"
#include "run_log.h"
#include "thread_check.h"
#include "transcript.h"
#include "virtual_clock.h"
#include "zeth_host_callback.h"

#include <cstdint>
#include <optional>
#include <string>

class desk : public zeth_host_callback {
public:
    desk(int number, command_interpreter& commands, run_log& happened, transcript& output,
         const virtual_clock& runClock);
    ~desk() override;

    // Calls into the panel. create() is false when the factory gave no object or threw.
    bool create(zeth_factory factory, const std::string& panelPath);
    void deliverControlEvent(const std::string& panelId, const std::string& control,
                             const std::string& message);
    void deliverRevertive(std::int32_t device, std::int32_t destination, std::int32_t source);
    void deliverTick(int timer);
    // The panel's answer to a property query (null: none); the desk hands it back at once.
    std::optional<std::string> deliverQuery(const std::string& text);
    // A message exactly as given, for checks that probe the panel with what the emulator never
    // composes: codes without a meaning, hostile records. data stays the caller's and valid during
    // the call; what names the call for the call monitor. A non-null answer to code 3 is handed
    // back at once, as deliverQuery does.
    void deliverRaw(int code, void* data, const std::string& what);
    // Deletes the panel; it should send "AS" as its last command.
    void destroy();

    int number() const { return id; }
    bool hasPanel() const { return panel != nullptr; }
    // The panel sent "AS" or was deleted: nothing more is delivered to it.
    bool closed() const { return panel == nullptr || checker.closedByPanel(); }
    shown_panels& panels() { return shown; }
    const shown_panels& panels() const { return shown; }

    // From now on every call into the panel is announced to watcher (null: to nobody), which
    // must outlive the desk.
    void watchCalls(call_monitor* watcher) { monitor = watcher; }
    // From now on the panel's debug output during each call is taken from capture (null: it is
    // not captured), which must outlive the desk. Desks may share one capture: calls do not nest.
    void captureDebugOutput(debug_output_capture* capture) { debugOutput = capture; }

    // The most debug output one call may have in the transcript; the rest is counted in a note.
    static constexpr std::size_t debugOutputPerCall = 64 * 1024;

    // The host's entry point for the panel: code 0 a command, code 5 a hand-back. Any thread.
    void* ZETH_THISCALL notify(void* data, int code) override;

private:
    // One whole call into the panel; name() names it for the call monitor, only when one listens.
    template <typename Name, typename Call> void callPanel(Name&& name, Call&& call);
    void* command(const void* data);
    void handBack(const void* data);
    void reportForeignCalls();
    // Adds a transcript line of this kind about this desk, now.
    void line(entry_kind kind, std::string text);
    // Makes debug entries of what the panel wrote since the last time; at the end of a call, also
    // the note of what did not fit, and reports each line of a handler's exception.
    void takeDebugOutput(bool callEnded);

    int id;
    command_interpreter& interpreter;
    run_log& log;
    transcript& record;
    const virtual_clock& clock;
    zeth_client_callback* panel = nullptr;
    call_monitor* monitor = nullptr;
    debug_output_capture* debugOutput = nullptr;
    std::size_t debugShown = 0;     // bytes of debug output shown during the current call
    std::uint64_t debugDropped = 0; // and those dropped
    contract_checker checker;
    thread_check threads;
    shown_panels shown;
    int depth = 0;
};
