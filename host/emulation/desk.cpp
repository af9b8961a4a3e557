#include "desk.h"

#include "event_parameter.h"
#include "text_transcript.h"
#include "zeth_handler_exception.h"
#include "zeth_records.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

desk::desk(int number, command_interpreter& commands, run_log& happened, transcript& output,
           const virtual_clock& runClock)
    : id(number), interpreter(commands), log(happened), record(output), clock(runClock) {}

desk::~desk() {
    destroy();
    reportForeignCalls();
}

template <typename Name, typename Call> void desk::callPanel(Name&& name, Call&& call) {
    threads.hostCalls();
    reportForeignCalls(); // those that came between the host's calls
    record.hold();
    if (monitor != nullptr) {
        monitor->callBegins(id, name());
    }
    ++depth;
    log.deskCalled(id);
    debugShown = 0;
    debugDropped = 0;
    if (debugOutput != nullptr) {
        debugOutput->begin();
    }
    std::optional<violation> thrown;
    try {
        call();
    } catch (const std::exception& error) {
        thrown = violation{violation_kind::exceptionFromPanel,
                           std::string("the panel threw: ") + error.what(), "the host's call"};
    } catch (...) {
        thrown = violation{violation_kind::exceptionFromPanel, "the panel threw something",
                           "the host's call"};
    }
    if (debugOutput != nullptr) {
        debugOutput->end();
        takeDebugOutput(true);
    }
    --depth;
    if (thrown) {
        log.report(id, *thrown);
    }
    if (monitor != nullptr) {
        monitor->callReturned();
    }
    reportForeignCalls();
    for (const violation& owed : checker.callReturned()) {
        log.report(id, owed);
    }
    record.release();
}

bool desk::create(zeth_factory factory, const std::string& panelPath) {
    callPanel([] { return std::string("the factory load_zeth_client_script"); },
              [&] { panel = factory(this, panelPath.c_str()); });
    return panel != nullptr;
}

void desk::deliverControlEvent(const std::string& panelId, const std::string& control,
                               const std::string& message) {
    if (closed()) {
        return;
    }
    const event_parameter parameter(message);
    zeth_event_record event{nullptr, nullptr, panelId.c_str(), control.c_str(),
                            parameter.asPanelRecord()};
    log.delivered(2);
    callPanel([&] { return "notify code 2 (control event " + control + " \"" + message + "\")"; },
              [&] { panel->notify(&event, 2); });
}

void desk::deliverRevertive(std::int32_t device, std::int32_t destination, std::int32_t source) {
    if (closed()) {
        return;
    }
    zeth_revertive_record revertive{device, 0, destination, source};
    log.delivered(1);
    callPanel(
        [&] {
            return "notify code 1 (revertive " + std::to_string(device) + " " +
                   std::to_string(destination) + " <- " + std::to_string(source) + ")";
        },
        [&] { panel->notify(&revertive, 1); });
}

void desk::deliverTick(int timer) {
    if (closed()) {
        return;
    }
    // The timer id travels as the datum's own value.
    void* datum = reinterpret_cast<void*>(static_cast<std::intptr_t>(timer));
    log.delivered(4);
    callPanel([&] { return "notify code 4 (tick of timer " + std::to_string(timer) + ")"; },
              [&] { panel->notify(datum, 4); });
}

std::optional<std::string> desk::deliverQuery(const std::string& text) {
    if (closed()) {
        return std::nullopt;
    }
    std::vector<char> property(text.begin(), text.end());
    property.push_back('\0');
    std::optional<std::string> answer;
    log.delivered(3);
    callPanel([&] { return "notify code 3 (query \"" + text + "\")"; },
              [&] {
                  void* given = panel->notify(property.data(), 3);
                  if (given != nullptr) {
                      answer = static_cast<const char*>(given);
                      log.delivered(5);
                      panel->notify(given, 5); // the answer was the host's until now: hand it back
                  }
              });
    return answer;
}

void desk::deliverRaw(int code, void* data, const std::string& what) {
    if (closed()) {
        return;
    }
    log.delivered(code);
    callPanel([&] { return what; },
              [&] {
                  void* given = panel->notify(data, code);
                  if (code == 3 && given != nullptr) {
                      log.delivered(5);
                      panel->notify(given, 5);
                  }
              });
}

void desk::destroy() {
    if (panel == nullptr) {
        return;
    }
    zeth_client_callback* leaving = panel;
    callPanel([] { return std::string("the destructor"); }, [&] { zethDeletePanel(leaving); });
    panel = nullptr;
    if (const auto missing = checker.panelDeleted()) {
        log.report(id, *missing);
    }
}

void* desk::notify(void* data, int code) {
    // First of all, before anything of the host's is touched.
    if (!threads.admits(data, code)) {
        return nullptr;
    }
    try {
        if (code == 0) {
            return command(data);
        }
        if (code == 5) {
            handBack(data);
            return nullptr;
        }
        log.report(id, {violation_kind::unknownMessageCode,
                        "the panel called notify with code " + std::to_string(code),
                        "notify(data, " + std::to_string(code) + ")"});
    } catch (const std::exception& error) {
        line(entry_kind::note,
             std::string("the host failed on this message and answered null: ") + error.what());
    }
    return nullptr;
}

void desk::line(entry_kind kind, std::string text) {
    transcript_entry entry;
    entry.kind = kind;
    entry.time = clock.now();
    entry.deskNumber = id;
    entry.text = std::move(text);
    record.add(std::move(entry));
}

void desk::takeDebugOutput(bool callEnded) {
    if (debugOutput == nullptr) {
        return;
    }
    debug_output_capture::taken written =
        debugOutput->take(debugOutputPerCall - std::min(debugOutputPerCall, debugShown));
    debugShown += written.text.size();
    debugDropped += written.dropped;
    for (std::string& text : debug_output_capture::lines(written.text)) {
        log.debugLine(id, text);
        const bool thrown = text.rfind(zethHandlerExceptionPrefix, 0) == 0;
        std::string account = thrown ? text.substr(sizeof zethHandlerExceptionPrefix - 1) : "";
        line(entry_kind::debug, std::move(text));
        if (thrown) {
            // The framework's line of a handler's exception: the panel went on as if nothing
            // had happened, with the message handled only up to the throw.
            log.report(id, {violation_kind::exceptionInHandler,
                            "the framework caught an exception from the handler " +
                                std::move(account) + "; the message was handled only up to it",
                            ""});
        }
    }
    if (callEnded && debugDropped > 0) {
        line(entry_kind::note, "the panel wrote " + std::to_string(debugDropped) +
                                   " more bytes of debug output during this call, not shown: a "
                                   "call shows at most " +
                                   std::to_string(debugOutputPerCall) + " bytes");
    }
}

void* desk::command(const void* data) {
    takeDebugOutput(false);
    const std::string text = data != nullptr ? static_cast<const char*>(data) : "";
    log.command(id, text);
    transcript_entry entry;
    entry.kind = entry_kind::command;
    entry.time = clock.now();
    entry.deskNumber = id;
    entry.text = data != nullptr ? text : "(null)";
    if (depth == 0) {
        entry.effect = "ignored: the host was not calling this panel";
        record.add(entry);
        log.report(id, {violation_kind::commandOutsideCall,
                        "\"" + text + "\" arrived between the host's calls", text});
        return nullptr;
    }
    if (const auto late = checker.commandArrives(text)) {
        entry.effect = "ignored: the panel has closed";
        record.add(entry);
        log.report(id, *late);
        return nullptr;
    }
    const command_parse parsed = parseCommand(text);
    if (!parsed.command) {
        entry.effect = "not understood: answered null";
        const std::uint64_t serial = record.add(entry);
        log.report(id, {parsed.problemKind, parsed.problem, entry.text});
        // A panel hands back even a null "RN" reply: that is no second fault.
        checker.issueNullReply(text.substr(0, 2), text, serial);
        return nullptr;
    }
    command_result result = interpreter.execute(id, shown, *parsed.command);
    if (auto answer = interpreter.replies().answerFor(text)) {
        result.effect += (result.effect.empty() ? "" : "; ") +
                         ("answered as the scenario says (the host's own reply: " +
                          text_transcript::replyText(result.reply) + ")");
        result.reply = std::move(*answer);
    }
    entry.reply = result.reply;
    entry.effect = result.effect;
    const std::uint64_t serial = record.add(entry);
    if (parsed.command->name == "AS") {
        checker.closingNoticeArrives();
    }
    if (!result.reply) {
        checker.issueNullReply(parsed.command->name, text, serial);
        return nullptr;
    }
    return checker.issueReply(parsed.command->name, text, *result.reply, serial);
}

void desk::reportForeignCalls() {
    try {
        for (const violation& foreign : threads.takeForeignCalls()) {
            log.report(id, foreign);
        }
    } catch (const std::exception&) {
        // Out of memory while reporting: the run goes on without these lines.
    }
}

void desk::handBack(const void* data) {
    takeDebugOutput(false);
    const contract_checker::hand_back back = checker.handBack(data);
    if (back.breach) {
        log.report(id, *back.breach);
        return;
    }
    if (back.tag != 0 && !record.markHandedBack(back.tag)) {
        line(entry_kind::note, "a reply came back from an earlier call");
    }
}
