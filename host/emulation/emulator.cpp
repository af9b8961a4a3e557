#include "emulator.h"

#include "panel_view.h"
#include "text_transcript.h"

#include <cerrno>
#include <cstdlib>
#include <limits>

namespace {

action_result problem(std::string text) {
    action_result refused;
    refused.done = false;
    refused.problem = std::move(text);
    return refused;
}

std::string seconds(std::int64_t milliseconds) {
    const std::string stamp = text_transcript::timeText(milliseconds); // "[1.500s]"
    return stamp.substr(1, stamp.size() - 2);
}

} // namespace

emulator::emulator(facility plant, layout_store layoutFiles, emulator_options settings,
                   transcript& output)
    : facilityModel(std::move(plant)), layouts(std::move(layoutFiles)),
      options(std::move(settings)), record(output), time(options.realtime), bank(facilityModel),
      happened(record, time), interpreter(facilityModel, bank, queue, timers, time, layouts),
      ownCapture(options.debugOutput == nullptr ? std::make_unique<debug_output_capture>()
                                                : nullptr),
      capture(options.debugOutput != nullptr ? options.debugOutput : ownCapture.get()) {
    interpreter.limitTimers(options.timerLimit);
}

emulator::~emulator() {
    finish();
}

void emulator::start(int count) {
    const debug_output_capture::scope capturing(capture);
    const std::string pluginPath =
        options.pluginPath.empty() ? defaultPluginPath() : options.pluginPath;
    library = std::make_unique<plugin_library>(pluginPath);
    const std::string path = panelPath();
    for (int number = 1; number <= count; ++number) {
        all.push_back(std::make_unique<desk>(number, interpreter, happened, record, time));
        all.back()->watchCalls(options.calls);
        all.back()->captureDebugOutput(capture);
        beginAction(number,
                    "the host creates the panel: load_zeth_client_script(host, \"" + path + "\")");
        if (!all.back()->create(library->factory(), path)) {
            throw plugin_error("the factory of \"" + pluginPath +
                               "\" gave no panel object for desk " + std::to_string(number));
        }
        afterCall();
        runUntil(time.now());
    }
}

void emulator::finish() {
    const debug_output_capture::scope capturing(capture);
    if (!library) {
        return;
    }
    for (const std::unique_ptr<desk>& each : all) {
        if (each->hasPanel()) {
            beginAction(each->number(), "the host deletes the panel");
            each->destroy();
        }
    }
    library.reset();
}

std::string emulator::panelPath() const {
    return options.panelPath.empty() ? facilityModel.panelPath : options.panelPath;
}

void emulator::beginAction(int deskNumber, const std::string& text) {
    happened.beginAction(deskNumber);
    actionDesk = deskNumber;
    transcript_entry entry;
    entry.kind = entry_kind::action;
    entry.time = time.now();
    entry.deskNumber = deskNumber;
    entry.text = text;
    record.add(std::move(entry));
}

desk* emulator::deskFor(int number, action_result& result) {
    if (number < 1 || number > desks()) {
        result = problem("there is no desk " + std::to_string(number) + " (desks: 1 to " +
                         std::to_string(desks()) + ")");
        return nullptr;
    }
    desk* target = all[static_cast<std::size_t>(number - 1)].get();
    if (target->closed()) {
        result = problem("desk " + std::to_string(number) + " has closed");
        return nullptr;
    }
    return target;
}

const desk* emulator::deskNumbered(int number) const {
    if (number < 1 || number > desks()) {
        return nullptr;
    }
    return all[static_cast<std::size_t>(number - 1)].get();
}

layout* emulator::panelLayout(desk& target, const std::string& control, std::string& panelId) {
    for (auto& [id, shown] : target.panels()) {
        if (shown.control(control) != nullptr) {
            panelId = id;
            return &shown;
        }
    }
    return nullptr;
}

action_result emulator::select(int deskNumber, const std::string& list, std::int32_t index) {
    const debug_output_capture::scope capturing(capture);
    action_result result;
    desk* target = deskFor(deskNumber, result);
    if (target == nullptr) {
        return result;
    }
    // The list: the one named, or the first list of the first panel that has one.
    std::string listName = list;
    if (listName.empty()) {
        for (const auto& [id, shown] : target->panels()) {
            if (const layout_control* first = shown.firstList()) {
                listName = first->name;
                break;
            }
        }
    }
    std::string panelId;
    layout* shown = listName.empty() ? nullptr : panelLayout(*target, listName, panelId);
    layout_control* control = shown != nullptr ? shown->control(listName) : nullptr;
    if (control == nullptr || control->kind != control_kind::list) {
        beginAction(deskNumber, "select item " + std::to_string(index) + " in " +
                                    (listName.empty() ? std::string("a list") : listName));
        return problem(listName.empty() ? "desk " + std::to_string(deskNumber) + " shows no list"
                                        : "desk " + std::to_string(deskNumber) +
                                              " shows no list named " + listName);
    }
    const auto text = listItemText(*control, index, facilityModel);
    beginAction(deskNumber, "select item " + std::to_string(index) +
                                (text ? " \"" + *text + "\"" : std::string()) + " in " + listName);
    if (!control->enabled) {
        happened.report(deskNumber, {violation_kind::clickOnDisabledControl,
                                     "the operator selected in " + listName +
                                         ", which is disabled; the host did not deliver it",
                                     control->disabledBy});
        return result;
    }
    control->properties["index"] = std::to_string(index);
    result.control = listName;
    result.layoutFile = shown->file;
    target->deliverControlEvent(panelId, listName, "index=" + std::to_string(index));
    afterCall();
    runUntil(time.now());
    return result;
}

action_result emulator::selectNamed(int deskNumber, const std::string& list,
                                    const std::string& item) {
    action_result result;
    desk* target = deskFor(deskNumber, result);
    if (target == nullptr) {
        return result;
    }
    for (const auto& [id, shown] : target->panels()) {
        for (const layout_control& control : shown.controls) {
            if (control.kind != control_kind::list || (!list.empty() && control.name != list)) {
                continue;
            }
            const facility_device* device = facilityModel.deviceNamed(control.itemsDevice);
            const facility_database* items =
                device != nullptr ? facilityModel.database(device->number, control.itemsDatabase)
                                  : nullptr;
            if (items == nullptr) {
                continue;
            }
            for (const auto& [index, text] : items->entries) {
                if (text == item) {
                    return select(deskNumber, control.name, index);
                }
            }
        }
    }
    beginAction(deskNumber, "select \"" + item + "\"");
    return problem("no list of desk " + std::to_string(deskNumber) + " has an item \"" + item +
                   "\"");
}

action_result emulator::click(int deskNumber, const std::string& controlName, bool anyway) {
    const debug_output_capture::scope capturing(capture);
    action_result result;
    desk* target = deskFor(deskNumber, result);
    if (target == nullptr) {
        return result;
    }
    beginAction(deskNumber, "click " + controlName + (anyway ? " anyway" : ""));
    std::string panelId;
    layout* shown = panelLayout(*target, controlName, panelId);
    if (shown == nullptr) {
        return problem("desk " + std::to_string(deskNumber) + " shows no control " + controlName);
    }
    layout_control& control = *shown->control(controlName);
    if (control.kind == control_kind::label) {
        return problem(controlName + " is a label: the operator cannot click it");
    }
    if (!control.enabled && anyway) {
        note(deskNumber, controlName + " is disabled; the host delivers the click anyway, as the "
                                       "scenario says");
    } else if (!control.enabled) {
        happened.report(deskNumber, {violation_kind::clickOnDisabledControl,
                                     controlName + " is disabled; the host did not deliver "
                                                   "the click",
                                     control.disabledBy});
        return result;
    }
    if (control.latching) {
        control.properties["index"] = "1";
    }
    result.control = controlName;
    result.layoutFile = shown->file;
    target->deliverControlEvent(panelId, controlName, "click");
    afterCall();
    runUntil(time.now());
    return result;
}

action_result emulator::query(int deskNumber, const std::string& property) {
    const debug_output_capture::scope capturing(capture);
    action_result result;
    desk* target = deskFor(deskNumber, result);
    if (target == nullptr) {
        return result;
    }
    beginAction(deskNumber, "query " + text_transcript::replyText(property));
    const std::optional<std::string> answer = target->deliverQuery(property);
    note(deskNumber, "the panel answers " + text_transcript::replyText(answer) +
                         (answer ? ", handed back to it" : ""));
    result.answer = answer;
    afterCall();
    runUntil(time.now());
    return result;
}

action_result emulator::deliverRaw(int deskNumber, int code, void* data, const std::string& what) {
    const debug_output_capture::scope capturing(capture);
    action_result result;
    desk* target = deskFor(deskNumber, result);
    if (target == nullptr) {
        return result;
    }
    beginAction(deskNumber, what);
    target->deliverRaw(code, data, what);
    afterCall();
    runUntil(time.now());
    return result;
}

void emulator::note(int deskNumber, std::string text) {
    transcript_entry entry;
    entry.kind = entry_kind::note;
    entry.time = time.now();
    entry.deskNumber = deskNumber;
    entry.text = std::move(text);
    record.add(std::move(entry));
}

action_result emulator::tick(int deskNumber, std::int32_t timer) {
    const debug_output_capture::scope capturing(capture);
    action_result result;
    desk* target = deskFor(deskNumber, result);
    if (target == nullptr) {
        return result;
    }
    beginAction(deskNumber, "the host delivers a tick of timer " + std::to_string(timer) +
                                (timers.running(deskNumber, timer) ? " (it is running)"
                                                                   : " (it is not running)"));
    target->deliverTick(timer);
    afterCall();
    runUntil(time.now());
    return result;
}

action_result emulator::controlEvent(int deskNumber, const std::string& panelId,
                                     const std::string& control, const std::string& message) {
    const debug_output_capture::scope capturing(capture);
    action_result result;
    desk* target = deskFor(deskNumber, result);
    if (target == nullptr) {
        return result;
    }
    beginAction(deskNumber, "the host delivers a control event: panel " +
                                text_transcript::replyText(panelId) + ", control " +
                                text_transcript::replyText(control) + ", " +
                                text_transcript::replyText(message));
    target->deliverControlEvent(panelId, control, message);
    afterCall();
    runUntil(time.now());
    return result;
}

action_result emulator::hostMessage(int deskNumber, int code, const std::string& text) {
    std::vector<char> datum(text.begin(), text.end());
    datum.push_back('\0');
    return deliverRaw(deskNumber, code, datum.data(),
                      "the host delivers message " + std::to_string(code) + " with " +
                          text_transcript::replyText(text));
}

action_result emulator::close(int deskNumber) {
    const debug_output_capture::scope capturing(capture);
    action_result result;
    desk* target = deskFor(deskNumber, result);
    if (target == nullptr) {
        return result;
    }
    beginAction(deskNumber, "the host deletes the panel");
    target->destroy();
    timers.stopAll(deskNumber);
    afterCall();
    runUntil(time.now());
    return result;
}

void emulator::advance(std::int64_t milliseconds) {
    const debug_output_capture::scope capturing(capture);
    beginAction(0,
                "wait " + seconds(milliseconds) + ", until " + seconds(time.now() + milliseconds));
    runUntil(time.now() + milliseconds);
}

std::optional<std::int32_t> emulator::deviceNumber(const std::string& nameOrNumber) const {
    if (const facility_device* named = facilityModel.deviceNamed(nameOrNumber)) {
        return named->number;
    }
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(nameOrNumber.c_str(), &end, 10);
    if (nameOrNumber.empty() || *end != '\0' || errno != 0 ||
        number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

std::optional<std::int32_t> emulator::routerDevice(const std::string& nameOrNumber) const {
    if (const facility_device* named = facilityModel.deviceNamed(nameOrNumber)) {
        if (bank.isRouter(named->number)) {
            return named->number;
        }
        return std::nullopt;
    }
    char* end = nullptr;
    const long number = std::strtol(nameOrNumber.c_str(), &end, 10);
    if (nameOrNumber.empty() || *end != '\0' || !bank.isRouter(static_cast<std::int32_t>(number))) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

action_result emulator::injectRevertive(std::int32_t device, std::int32_t destination,
                                        std::int32_t source) {
    const debug_output_capture::scope capturing(capture);
    const std::optional<std::int32_t> carried = bank.source(device, destination);
    std::vector<int> hearing = bank.listeners(device, destination);
    const bool registered = !hearing.empty();
    if (!registered) {
        for (const std::unique_ptr<desk>& each : all) {
            hearing.push_back(each->number());
        }
    }
    if (record.listening()) {
        const std::string described = facilityModel.describeDevice(device);
        const std::string stays =
            carried                 ? "the crosspoint stays " + std::to_string(*carried)
            : bank.isRouter(device) ? "the router has no destination " + std::to_string(destination)
                                    : described + " is no router";
        beginAction(0, (bank.isRouter(device) ? "the router " : "") + described + " reports " +
                           std::to_string(destination) + " <- " + std::to_string(source) +
                           " (a revertive only: " + stays + ")" +
                           (registered ? "" : "; no desk is registered for it: to every desk"));
    } else {
        beginAction(0, std::string());
    }
    for (const int listener : hearing) {
        queue.push(
            pending_delivery::revertiveFor(listener, time.now(), device, destination, source));
    }
    runUntil(time.now());
    return {};
}

action_result emulator::routeBehind(std::int32_t device, std::int32_t destination,
                                    std::int32_t source) {
    const debug_output_capture::scope capturing(capture);
    beginAction(0, "someone else routes " + facilityModel.describeDevice(device) + " " +
                       std::to_string(destination) + " <- " + std::to_string(source));
    const std::string refusal = bank.refusal(device, source, destination);
    if (!refusal.empty()) {
        return problem("the router refuses: " + refusal);
    }
    bank.route(device, source, destination);
    fanOutRevertive(device, destination, source);
    runUntil(time.now());
    return {};
}

void emulator::fanOutRevertive(std::int32_t device, std::int32_t destination, std::int32_t source) {
    for (const int listener : bank.listeners(device, destination)) {
        queue.push(
            pending_delivery::revertiveFor(listener, time.now(), device, destination, source));
    }
}

void emulator::runUntil(std::int64_t until) {
    const debug_output_capture::scope capturing(capture);
    while (const auto next = queue.popDueBy(until)) {
        time.advanceTo(next->due);
        if (next->due != instant) {
            instant = next->due;
            deliveredAtInstant = 0;
        }
        if (++deliveredAtInstant > options.messageLimit) {
            halt({run_halt::cause::runaway, next->deskNumber,
                  "more than " + std::to_string(options.messageLimit) + " messages fell due at " +
                      seconds(instant) +
                      ": the panels keep the host busy without end (--message-limit)"});
        }
        deliver(*next);
        afterCall();
    }
    time.advanceTo(until);
}

void emulator::afterCall() {
    if (const std::optional<run_halt>& why = interpreter.halted()) {
        halt(*why);
    }
}

void emulator::halt(const run_halt& why) {
    if (why.why == run_halt::cause::runaway) {
        happened.report(why.deskNumber, {violation_kind::runawayPanel,
                                         why.problem + "; the host stopped the run", ""});
    }
    throw run_halted(why);
}

void emulator::deliver(const pending_delivery& next) {
    desk& target = *all.at(static_cast<std::size_t>(next.deskNumber - 1));
    if (target.closed()) {
        return;
    }
    transcript_entry entry;
    entry.kind = entry_kind::delivery;
    entry.time = time.now();
    entry.deskNumber = next.deskNumber;
    const bool told = record.listening(); // the texts are composed only for someone to read
    if (next.what == pending_delivery::kind::revertive) {
        if (told) {
            entry.text = "revertive: " + facilityModel.describeDevice(next.device) + " " +
                         std::to_string(next.destination) + " <- " + std::to_string(next.source);
            record.add(std::move(entry));
        }
        target.deliverRevertive(next.device, next.destination, next.source);
        return;
    }
    if (!timers.current(next.deskNumber, next.timer, next.generation)) {
        return; // the timer was stopped or restarted since this tick was queued
    }
    pending_delivery following = next;
    following.due = next.due + timers.interval(next.deskNumber, next.timer);
    queue.push(following);
    if (told) {
        entry.text = "tick of timer " + std::to_string(next.timer);
        record.add(std::move(entry));
    }
    target.deliverTick(next.timer);
}

void emulator::showViews() {
    std::vector<bool> shown(all.size() + 1, desks() <= options.viewsOfEveryDeskUpTo);
    if (actionDesk >= 1 && actionDesk <= desks()) {
        shown[static_cast<std::size_t>(actionDesk)] = true;
    }
    for (const logged_command* sent : happened.commandsOfAction(0)) {
        if (sent->deskNumber >= 1 && sent->deskNumber <= desks()) {
            shown[static_cast<std::size_t>(sent->deskNumber)] = true;
        }
    }
    for (const std::unique_ptr<desk>& each : all) {
        if (!shown[static_cast<std::size_t>(each->number())]) {
            continue;
        }
        transcript_entry entry;
        entry.kind = entry_kind::view;
        entry.time = time.now();
        entry.deskNumber = each->number();
        entry.text = deskView(each->number(), each->closed(), each->panels(), facilityModel);
        record.add(std::move(entry));
    }
    transcript_entry routerEntry;
    routerEntry.kind = entry_kind::view;
    routerEntry.time = time.now();
    routerEntry.text = routersView(bank, facilityModel);
    record.add(std::move(routerEntry));
}
