#include "command_interpreter.h"

#include <algorithm>

namespace {

std::string quoted(const std::string& text) {
    return "'" + text + "'";
}

std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') {
            c = ' ';
        }
    }
    return text;
}

std::string deskList(const std::vector<int>& desks) {
    std::string list;
    for (const int deskNumber : desks) {
        list += (list.empty() ? "" : ", ") + std::to_string(deskNumber);
    }
    return list;
}

} // namespace

command_interpreter::command_interpreter(const facility& facilityModel, router_bank& routerBank,
                                         event_queue& eventQueue, timer_table& timerTable,
                                         const virtual_clock& runClock,
                                         const layout_store& layoutStore)
    : plant(facilityModel), routers(routerBank), queue(eventQueue), timers(timerTable),
      clock(runClock), layouts(layoutStore) {}

command_result command_interpreter::execute(int deskNumber, shown_panels& panels,
                                            const host_command& command) {
    const std::string& name = command.name;
    if (name == "CD" || name == "CE" || name == "TP" || name == "TG") {
        return controlCommand(panels, command);
    }
    if (name == "PS") {
        return showPanel(panels, command);
    }
    if (name == "SD") {
        return lookupDevice(command);
    }
    if (name == "RN") {
        return readDatabase(command);
    }
    if (name == "RC") {
        return makeCrosspoint(command);
    }
    if (name == "RR") {
        return registerRevertives(deskNumber, command);
    }
    if (name == "RP") {
        return pollRevertives(deskNumber, command);
    }
    if (name == "ET") {
        return timer(deskNumber, command);
    }
    return closingNotice(deskNumber);
}

command_result command_interpreter::controlCommand(shown_panels& panels,
                                                   const host_command& command) {
    // CD/CE/TG name the panel first; TP names the property text first.
    const bool setting = command.name == "TP";
    const std::string& panelId = command.texts[setting ? 1 : 0];
    const std::string& controlName = command.texts[setting ? 2 : 1];
    command_result result;
    const auto panel = panels.find(panelId);
    if (panel == panels.end()) {
        result.effect = "no panel " + quoted(panelId) + " is shown";
        return result;
    }
    layout_control* control = panel->second.control(controlName);
    if (control == nullptr) {
        result.effect = "panel " + quoted(panelId) + " has no control " + quoted(controlName);
        return result;
    }
    if (command.name == "CD" || command.name == "CE") {
        const bool enable = command.name == "CE";
        result.effect = controlName + (control->enabled == enable ? " stays " : " now ") +
                        (enable ? "enabled" : "disabled");
        control->enabled = enable;
        control->enableChanged = true;
        control->disabledBy =
            enable ? std::string() : "CD " + quoted(panelId) + " " + quoted(controlName);
        return result;
    }
    if (setting) {
        const std::string& message = command.texts[0];
        const std::size_t equals = message.find('=');
        const std::string property = message.substr(0, equals);
        const std::string value = message.substr(equals + 1);
        layout::setProperty(*control, property, value);
        result.effect = controlName + " " + property + " = " + value;
        if (control->kind == control_kind::list && property == "select") {
            result.effect += value.rfind('-', 0) == 0 ? ": nothing selected" : ": item selected";
        } else if (control->latching && property == "index") {
            result.effect += value == "-1" ? ": the button goes out" : ": the button lights";
        }
        return result;
    }
    const std::string& property = command.texts[2];
    result.reply = layout::reading(*control, property);
    if (!result.reply) {
        result.effect = controlName + " has no property " + quoted(property);
    }
    return result;
}

command_result command_interpreter::showPanel(shown_panels& panels, const host_command& command) {
    command_result result;
    const std::string& panelId = command.texts[0];
    const std::string& path = command.texts[1];
    layout_store::loaded loaded = layouts.load(path);
    if (!loaded.shown) {
        result.effect = "cannot show it: " + oneLine(loaded.problem);
        if (!halt) {
            halt = run_halt{run_halt::cause::unusableLayout, 0,
                            "cannot show the layout: " + loaded.problem};
        }
        return result;
    }
    const std::size_t count = loaded.shown->controls.size();
    panels[panelId] = std::move(*loaded.shown);
    result.reply = "OK";
    result.effect =
        "panel " + quoted(panelId) + " shows " + path + " (" + std::to_string(count) + " controls)";
    return result;
}

command_result command_interpreter::lookupDevice(const host_command& command) const {
    command_result result;
    const facility_device* device = plant.deviceNamed(command.texts[0]);
    if (device == nullptr) {
        result.effect = "no device is named " + quoted(command.texts[0]);
        return result;
    }
    result.reply = std::to_string(device->number);
    return result;
}

command_result command_interpreter::readDatabase(const host_command& command) const {
    command_result result;
    const std::int32_t device = command.numbers[0];
    const std::int32_t database = command.numbers[1];
    const std::int32_t index = command.numbers[2];
    result.reply = plant.databaseText(device, database, index);
    if (!result.reply) {
        result.effect =
            plant.database(device, database) == nullptr
                ? "no database " + std::to_string(database) + " on " + plant.describeDevice(device)
                : "no entry " + std::to_string(index) + " in database " + std::to_string(database) +
                      " of " + plant.describeDevice(device);
    }
    return result;
}

command_result command_interpreter::makeCrosspoint(const host_command& command) {
    command_result result;
    const std::int32_t device = command.numbers[0];
    const std::int32_t source = command.numbers[1];
    const std::int32_t destination = command.numbers[2];
    const std::string refusal = routers.refusal(device, source, destination);
    if (!refusal.empty()) {
        result.effect = "refused: " + refusal;
        return result;
    }
    const std::int32_t before = routers.route(device, source, destination);
    const std::vector<int> desks = routers.listeners(device, destination);
    for (const int listener : desks) {
        queueRevertive(listener, device, destination, source);
    }
    result.effect = plant.describeDevice(device) + ": " + std::to_string(destination) + " <- " +
                    std::to_string(source) + " (was " + std::to_string(before) + ")" +
                    (desks.empty() ? ", nobody listens" : ", revertive to desk " + deskList(desks));
    return result;
}

command_result command_interpreter::registerRevertives(int deskNumber,
                                                       const host_command& command) {
    command_result result;
    const std::int32_t device = command.numbers[0];
    if (!routers.isRouter(device)) {
        result.effect = plant.describeDevice(device) + " is no router: nothing to hear";
        return result;
    }
    const bool add = !command.texts.empty();
    const std::size_t heard =
        routers.registerDesk(deskNumber, device, command.numbers[1], command.numbers[2], add);
    result.effect = "desk " + std::to_string(deskNumber) + " hears " + std::to_string(heard) +
                    (heard == 1 ? " destination" : " destinations") + " of " +
                    plant.describeDevice(device);
    return result;
}

command_result command_interpreter::pollRevertives(int deskNumber, const host_command& command) {
    command_result result;
    const std::int32_t device = command.numbers[0];
    if (!routers.isRouter(device)) {
        result.effect = plant.describeDevice(device) + " is no router: nothing to poll";
        return result;
    }
    // Only destinations on the router can answer: a wide range costs no more than the router.
    const std::int64_t first = std::max<std::int64_t>(command.numbers[1], 1);
    const std::int64_t last =
        std::min<std::int64_t>(command.numbers[2], routers.routers().at(device).destinations);
    std::string polled;
    for (std::int64_t destination = first; destination <= last; ++destination) {
        const auto source = routers.source(device, static_cast<std::int32_t>(destination));
        if (source) {
            queueRevertive(deskNumber, device, static_cast<std::int32_t>(destination), *source);
            polled += (polled.empty() ? "" : ", ") + std::to_string(destination) + " <- " +
                      std::to_string(*source);
        }
    }
    result.effect = polled.empty() ? "no such destination on " + plant.describeDevice(device)
                                   : "revertive queued: " + polled;
    return result;
}

command_result command_interpreter::timer(int deskNumber, const host_command& command) {
    command_result result;
    const int id = command.numbers[0];
    if (command.numbers.size() == 1) {
        result.effect = timers.stop(deskNumber, id)
                            ? "timer " + std::to_string(id) + " stopped"
                            : "timer " + std::to_string(id) + " was not running";
        return result;
    }
    const std::int32_t interval = command.numbers[1];
    const bool wasRunning = timers.running(deskNumber, id);
    if (!wasRunning && timers.runningFor(deskNumber) >= timerLimit) {
        result.effect = "refused: desk " + std::to_string(deskNumber) + " already runs " +
                        std::to_string(timerLimit) + " timers, the most a desk may run";
        if (!halt) {
            halt = run_halt{run_halt::cause::runaway, deskNumber,
                            "desk " + std::to_string(deskNumber) + " started timer " +
                                std::to_string(id) + " while " + std::to_string(timerLimit) +
                                " of its timers were running (--timer-limit)"};
        }
        return result;
    }
    pending_delivery tick;
    tick.what = pending_delivery::kind::tick;
    tick.due = clock.now() + interval;
    tick.deskNumber = deskNumber;
    tick.timer = id;
    tick.generation = timers.start(deskNumber, id, interval);
    queue.push(tick);
    result.effect = "timer " + std::to_string(id) + (wasRunning ? " restarted" : " started") +
                    ": every " + std::to_string(interval) + " ms";
    return result;
}

command_result command_interpreter::closingNotice(int deskNumber) {
    command_result result;
    timers.stopAll(deskNumber);
    routers.forgetDesk(deskNumber);
    result.effect =
        "desk " + std::to_string(deskNumber) + " closes: its timers stop, it hears nothing";
    return result;
}

void command_interpreter::queueRevertive(int deskNumber, std::int32_t device,
                                         std::int32_t destination, std::int32_t source) {
    queue.push(
        pending_delivery::revertiveFor(deskNumber, clock.now(), device, destination, source));
}
