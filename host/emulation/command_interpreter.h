// command_interpreter: the host's side of every command a panel sends.
//
// execute() carries out one well-formed command for one desk and gives the reply (or null) and
// a line saying what the host did. It never delivers anything to a panel itself: revertives and
// timer ticks that a command causes are queued on the event queue for the event loop, which
// delivers them after the panel's call has returned.
//
//   CD/CE   disable/enable a control of a shown panel                        reply null
//   TP      set a property ("key=value") of a control                        reply null
//   TG      "key=value" of a property, or every property for "all"           the text, or null
//   PS      show a layout file as the named panel                            "OK", or null
//   SD      look up a device by name                                         its number, or null
//   RN      the text under an index of a device database                     the text, or null
//   RC      route a source to a destination; every desk registered for it    reply null
//           gets a revertive
//   RR      register for a destination range (plain: replaces the desk's     reply null
//           registrations on that router; 'ADD': adds)
//   RP      poll a range: a revertive per destination, to this desk only     reply null
//   ET      start/restart (with interval) or stop (without) a periodic timer reply null
//   AS      the closing notice: the desk's timers and registrations end      reply null
//
// A command about something the facility does not have (an unknown panel, control, device,
// entry, a refused crosspoint) is not an error: the host answers as a real one would (null, or
// nothing happens) and says so in the effect line. A scenario may make the host answer otherwise
// (replies()): the command is still carried out, and the reply is the scenario's.
#pragma once

#include "command_parser.h"
#include "event_queue.h"
#include "facility.h"
#include "layout.h"
#include "layout_store.h"
#include "reply_overrides.h"
#include "router_bank.h"
#include "timer_table.h"
#include "virtual_clock.h"

#include <optional>
#include <string>

// Why the run cannot go on once the panel's current call has returned. A command cannot stop the
// run itself (it is answered inside the panel's call); the emulator acts on this afterwards.
struct run_halt {
    enum class cause {
        unusableLayout, // a layout file the panel showed cannot be read: the set-up is wrong
        runaway,        // the panel started more timers than a desk may run
    };
    cause why = cause::unusableLayout;
    int deskNumber = 0; // the desk whose command or delivery it was
    std::string problem;
};

struct command_result {
    std::optional<std::string> reply;
    std::string effect;
};

class command_interpreter {
public:
    command_interpreter(const facility& facilityModel, router_bank& routerBank,
                        event_queue& eventQueue, timer_table& timerTable,
                        const virtual_clock& runClock, const layout_store& layoutStore);

    command_result execute(int deskNumber, shown_panels& panels, const host_command& command);

    // At most perDesk timers run for one desk; a start beyond that is refused and halts the run.
    void limitTimers(int perDesk) { timerLimit = perDesk; }
    // Set by the first command that makes the run unable to go on.
    const std::optional<run_halt>& halted() const { return halt; }
    // The replies the scenario gives in place of the host's, for every desk.
    reply_overrides& replies() { return overrides; }

private:
    command_result controlCommand(shown_panels& panels, const host_command& command);
    command_result showPanel(shown_panels& panels, const host_command& command);
    command_result lookupDevice(const host_command& command) const;
    command_result readDatabase(const host_command& command) const;
    command_result makeCrosspoint(const host_command& command);
    command_result registerRevertives(int deskNumber, const host_command& command);
    command_result pollRevertives(int deskNumber, const host_command& command);
    command_result timer(int deskNumber, const host_command& command);
    command_result closingNotice(int deskNumber);

    void queueRevertive(int deskNumber, std::int32_t device, std::int32_t destination,
                        std::int32_t source);

    const facility& plant;
    router_bank& routers;
    event_queue& queue;
    timer_table& timers;
    const virtual_clock& clock;
    const layout_store& layouts;
    int timerLimit = 100;
    std::optional<run_halt> halt;
    reply_overrides overrides;
};
