// emulator: the host's whole part against a simulated facility: it loads a panel plug-in,
// creates the desks, carries out the operator's actions and runs the event loop.
//
// Every operator action is one call into a panel; what that call causes (revertives, timer
// ticks) is queued and delivered afterwards, in time order, each as a call of its own. An action
// returns when everything due by then has been delivered, so after it the desks and the routers
// are at rest and can be checked. advance() moves the clock and delivers what falls due on the
// way; in real time it waits for the wall clock as it goes.
//
// Several desks share the facility's routers: a crosspoint made by one desk reaches every desk
// registered for that destination. The emulator owns the plug-in library and deletes every panel
// (finish(), or its destructor) before unloading it.
//
// Besides the operator's actions the emulator delivers what a real host may deliver unasked (a
// tick of any timer, a control event of any panel, messages 6 and 7, a click on a disabled
// control, a revertive of any numbers), and answers commands as a scenario says (answer()).
#pragma once

#include "command_interpreter.h"
#include "debug_output_capture.h"
#include "desk.h"
#include "event_queue.h"
#include "facility.h"
#include "layout_store.h"
#include "plugin_loader.h"
#include "router_bank.h"
#include "run_log.h"
#include "timer_table.h"
#include "transcript.h"
#include "virtual_clock.h"

#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

struct emulator_options {
    std::string pluginPath; // empty: the R7_DESK plug-in beside the program
    std::string panelPath;  // empty: the facility's panel path
    bool realtime = false;
    // Hears of every call into a panel (not owned; outlives the emulator). Null: nobody.
    call_monitor* calls = nullptr;
    // A run whose panels keep the host busy without end is stopped as runaway: more deliveries
    // than this fall due at one instant of the clock, or one desk runs more timers than this.
    std::int64_t messageLimit = 100000;
    int timerLimit = 100;
    // After an action, a facility of more desks than this shows the views of the desks that the
    // action worked or that sent commands during it (and the routers' view), not of every desk:
    // a thousand views after each action would bury what happened.
    int viewsOfEveryDeskUpTo = std::numeric_limits<int>::max();
    // Takes the panels' debug output during their calls (not owned; outlives the emulator). Null:
    // the emulator makes its own.
    debug_output_capture* debugOutput = nullptr;
};

// The run cannot go on; thrown between calls into the panels, never inside one. A runaway panel
// has been reported as a violation first; an unusable layout is a set-up problem, as a bad
// facility file is.
class run_halted : public std::runtime_error {
public:
    explicit run_halted(run_halt why) : std::runtime_error(why.problem), cause(std::move(why)) {}
    const run_halt& reason() const { return cause; }

private:
    run_halt cause;
};

// An action the operator could not take (no such desk or control, no panel shown, a click on a
// label): the problem
// in words. Refused clicks on disabled controls are contract violations, not this.
struct action_result {
    bool done = true;
    std::string problem;
    std::optional<std::string> answer; // a query's answer; none: null
    // The control (a button, a list) whose event reached the panel, and the file of the layout
    // that holds it; empty when no control event was delivered (refused, disabled, not one).
    std::string control;
    std::string layoutFile;
};

class emulator {
public:
    emulator(facility plant, layout_store layoutFiles, emulator_options settings,
             transcript& output);
    ~emulator();
    emulator(const emulator&) = delete;
    emulator& operator=(const emulator&) = delete;

    // Loads the plug-in and creates count desks, each settled before the next is created.
    // Throws plugin_error when the plug-in cannot be loaded or a factory gives no object.
    // This and every action below throw run_halted when the run cannot go on.
    void start(int count);
    // Deletes every panel (each should send "AS"), then unloads the plug-in.
    void finish();

    // Operator actions, on desk 1 to desks(). Each writes its action entry first.
    action_result select(int deskNumber, const std::string& list, std::int32_t index);
    action_result selectNamed(int deskNumber, const std::string& list, const std::string& item);
    // A click on a control of the desk's layout. A disabled control's click is not delivered and
    // is reported as click-on-disabled-control, unless anyway: then it is delivered.
    action_result click(int deskNumber, const std::string& control, bool anyway = false);
    action_result query(int deskNumber, const std::string& property);
    // The host deletes the desk's panel, which should send "AS" as its last command; the desk's
    // timers stop, and later actions on it are refused.
    action_result close(int deskNumber);
    // A message exactly as given to the desk's panel (desk::deliverRaw), as an action of its own
    // that the transcript names by what.
    action_result deliverRaw(int deskNumber, int code, void* data, const std::string& what);
    // What a host may deliver although the panel did not ask for it, each an action on the desk:
    // a tick of any timer, running or not; a control event of any panel, control and message
    // (not checked against the layout); message 6 or 7 with a text as its datum.
    action_result tick(int deskNumber, std::int32_t timer);
    action_result controlEvent(int deskNumber, const std::string& panelId,
                               const std::string& control, const std::string& message);
    action_result hostMessage(int deskNumber, int code, const std::string& text);
    // The clock moves on by milliseconds, delivering every tick and revertive due on the way.
    void advance(std::int64_t milliseconds);
    // A revertive as if the device had sent one, whatever the numbers, to every desk registered
    // for the destination (when none is, to every desk), whether or not it is what the router
    // carries, or a destination it has, or a router at all.
    action_result injectRevertive(std::int32_t device, std::int32_t destination,
                                  std::int32_t source);
    // A crosspoint made by someone else than the panels; registered desks hear of it.
    action_result routeBehind(std::int32_t device, std::int32_t destination, std::int32_t source);

    // From now on the clock follows the wall clock, from its present time (virtual_clock.h).
    void followWallClock() { time.followWallClock(); }
    // Writes the one-line views of every desk (but see viewsOfEveryDeskUpTo) and of the routers.
    void showViews();
    // Delivers whatever is due now (after each action; needed only by the interactive shell
    // when the wall clock moves between lines).
    void runUntil(std::int64_t time);
    // When the next queued delivery falls due, if any.
    std::optional<std::int64_t> nextDue() const { return queue.nextDue(); }

    int desks() const { return static_cast<int>(all.size()); }
    const desk* deskNumbered(int number) const;
    // How many timers the desk runs.
    int timersRunning(int deskNumber) const { return timers.runningFor(deskNumber); }
    const facility& plant() const { return facilityModel; }
    const router_bank& routers() const { return bank; }
    run_log& log() { return happened; }
    const virtual_clock& clock() const { return time; }
    // A router's device number from its name or decimal number, if there is such a router.
    std::optional<std::int32_t> routerDevice(const std::string& nameOrNumber) const;
    // A device number from a device's name, or any decimal number within 32 bits.
    std::optional<std::int32_t> deviceNumber(const std::string& nameOrNumber) const;

    // From now on the host answers commands as the rule says (reply_overrides.h), on every desk.
    void answer(reply_override rule) { interpreter.replies().add(std::move(rule)); }
    // Every command gets the host's own reply again.
    void answerNormally() { interpreter.replies().clear(); }
    // The panel path the host hands each panel's factory.
    std::string panelPath() const;

private:
    desk* deskFor(int number, action_result& result);
    layout* panelLayout(desk& target, const std::string& control, std::string& panelId);
    void beginAction(int deskNumber, const std::string& text);
    void note(int deskNumber, std::string text);
    void deliver(const pending_delivery& next);
    // After each call into a panel: stops the run when a command made it unable to go on.
    void afterCall();
    [[noreturn]] void halt(const run_halt& why);
    void fanOutRevertive(std::int32_t device, std::int32_t destination, std::int32_t source);

    facility facilityModel;
    layout_store layouts;
    emulator_options options;
    transcript& record;
    virtual_clock time;
    router_bank bank;
    event_queue queue;
    timer_table timers;
    run_log happened;
    command_interpreter interpreter;
    // Each action holds the capture for its whole length (debug_output_capture::scope), so that
    // its calls share one redirection of standard error.
    std::unique_ptr<debug_output_capture> ownCapture; // when the options give none
    debug_output_capture* capture;
    std::unique_ptr<plugin_library> library;
    std::vector<std::unique_ptr<desk>> all;
    int actionDesk = 0;                  // the desk the current action works (0: none)
    std::int64_t instant = -1;           // the clock time of the latest delivery
    std::int64_t deliveredAtInstant = 0; // deliveries at that time so far
};
