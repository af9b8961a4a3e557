// Fuzz target for the panel: an R7_DESK talking to the recording host, fed a stream of host
// messages of every code through notify. The records of codes 1 and 2 are real memory on this
// stack, as a host's are, but with hostile contents: null words, odd texts, extreme numbers,
// parsed parameters whose fields are null. Codes 5 and 6 carry arbitrary pointer values (the panel
// never dereferences them), codes 4 and 7 arbitrary numbers, and unknown codes reach notify too.
//
// After the start-up conversation and after every message: the panel invariants
// (panel_invariants.h), the numbers read at start-up unchanged, notify's result null (this panel
// answers every query with the empty text), the recording host's reply-ownership rules kept, with
// nothing but codes 0 and 5 sent to it, and no command outside what a running panel sends.
// Destroying the panel must end with "AS". The run ends by writing how many host messages were
// delivered in all ("stat::host_messages_delivered"), which fuzz/run.sh reports beside executions.
//
// Input layout (fields as in fuzz_input.h):
//   header:   [flags byte: bit 0 null host, bit 1 null panel path] [path text]
//             [reply: "SD" x4, in start-up order] [reply: "TG" x8, in start-up order]
//             [reply: "RN"] [reply: every other command]
//   reply:    [form byte] then the form's fields, see hostReply below
//   messages: repeated [kind byte] then the kind's fields, see deliver below
//   number:   [form byte]; below 128 a choice among the extremes, else an int32 follows
#include "R7_DESK.h"
#include "debug_output.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "panel_invariants.h"
#include "recording_host.h"
#include "zeth_records.h"

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

constexpr int messageLimit = 256;

// Host messages delivered over the whole run, written with libFuzzer's final statistics.
std::uint64_t messagesDelivered = 0;

void reportMessages() {
    std::fprintf(stderr, "stat::host_messages_delivered: %llu\n",
                 static_cast<unsigned long long>(messagesDelivered));
}

int number(fuzz_input& in) {
    static constexpr std::array<int, 16> extremes = {
        0, 1, -1, 2, 3, 4, 5, 10, 12, 101, 201, INT_MAX, INT_MIN, INT_MAX - 1, INT_MIN + 1, 1000};
    const std::uint8_t form = in.byte();
    return form < 128 ? extremes[form % extremes.size()] : in.int32();
}

std::string text(int value) {
    return std::to_string(value);
}

enum class reply_kind { device, property, entry, other };

// A host reply as the recording host will give it. The forms: 0 null; 1 the well-formed reply
// (a device number, "key=number" for the property asked, "video,audio" numbers); 2 free bytes;
// 3 a variant (two numbers, another property's key, no video source); 4 a second variant (a
// leading quote, a free value, no audio source); 5 the empty text.
recording_host::reply hostReply(fuzz_input& in, reply_kind kind, const std::string& key) {
    const std::uint8_t form = in.byte() % 6;
    switch (form) {
    case 0:
        return std::nullopt;
    case 1:
        switch (kind) {
        case reply_kind::device:
        case reply_kind::other:
            return text(number(in));
        case reply_kind::property:
            return key + "=" + text(number(in));
        case reply_kind::entry: {
            const int video = number(in);
            return text(video) + "," + text(number(in));
        }
        }
        return std::nullopt;
    case 2:
        return in.text();
    case 3:
        switch (kind) {
        case reply_kind::device: {
            const int first = number(in);
            return text(first) + " " + text(number(in));
        }
        case reply_kind::property:
            return (key == "video_id" ? "audio_id=" : "video_id=") + text(number(in));
        case reply_kind::entry:
            return "-," + text(number(in));
        case reply_kind::other:
            return in.text();
        }
        return std::nullopt;
    case 4:
        switch (kind) {
        case reply_kind::device:
            return "'" + in.text();
        case reply_kind::property:
            return key + "=" + in.text();
        case reply_kind::entry:
            return text(number(in)) + ",-";
        case reply_kind::other:
            return in.text();
        }
        return std::nullopt;
    default:
        return std::string();
    }
}

// The numbers the constructor reads; nothing may change them afterwards.
struct start_up_numbers {
    std::array<std::int32_t, 4> devices;
    R7_DESK::per_button videoDest;
    R7_DESK::per_button audioDest;

    explicit start_up_numbers(const R7_DESK& panel)
        : devices{panel.state().packageNamesDevice, panel.state().packageXptsDevice,
                  panel.state().videoRouter, panel.state().audioRouter},
          videoDest(panel.state().videoDest), audioDest(panel.state().audioDest) {}

    bool operator==(const start_up_numbers& other) const {
        return devices == other.devices && videoDest == other.videoDest &&
               audioDest == other.audioDest;
    }
};

// A C text from the stream, or null.
struct optional_text {
    std::string bytes;
    bool null = false;
    const char* get() const { return null ? nullptr : bytes.c_str(); }
};

class panel_session {
public:
    panel_session(fuzz_input& input, recording_host* recorder, R7_DESK& desk)
        : in(input), host(recorder), panel(desk), numbers(desk) {}

    void checkAfter(const std::string& what) {
        checkPanelInvariants(panel, what);
        FUZZ_CHECK(start_up_numbers(panel) == numbers,
                   "after " + what + ": a device or destination number changed");
        if (host != nullptr) {
            const std::vector<std::string> violations = host->violations();
            FUZZ_CHECK(violations.empty(), "after " + what + ": " + violations.front());
            FUZZ_CHECK(host->unexpectedCodes().empty(),
                       "after " + what + ": the panel sent code " +
                           std::to_string(host->unexpectedCodes().front()));
            checkCommands(what);
        }
    }

    void run() {
        for (int i = 0; i < messageLimit && !in.atEnd(); ++i) {
            const std::string what = deliver();
            ++messagesDelivered;
            checkAfter(what);
        }
    }

private:
    // Once started, the panel only switches controls, sets properties, reads package entries,
    // routes and runs its timer: "CD", "CE", "TP", "RN", "RC", "ET", each followed by a space.
    void checkCommands(const std::string& what) {
        static constexpr std::array<const char*, 6> running = {"CD ", "CE ", "TP ",
                                                               "RN ", "RC ", "ET "};
        if (what != "start-up") {
            for (const std::string& command : host->commandsSinceMark()) {
                bool known = false;
                for (const char* prefix : running) {
                    known = known || command.rfind(prefix, 0) == 0;
                }
                FUZZ_CHECK(known, "after " + what + ": the panel sent " + shown(command));
            }
        }
        host->forgetCommands();
    }

    // Form 0 is the null text; any other form reads a text from the stream.
    optional_text streamText(std::uint8_t form) {
        optional_text chosen;
        chosen.null = form == 0;
        if (form == 1) {
            chosen.bytes = in.text();
        }
        return chosen;
    }

    void* notifyExpectingNull(void* data, int code, const std::string& what) {
        void* result = panel.notify(data, code);
        FUZZ_CHECK(result == nullptr, what + ": notify answered " +
                                          std::to_string(reinterpret_cast<std::uintptr_t>(result)));
        return result;
    }

    static void* pointerValue(std::int32_t value) {
        return reinterpret_cast<void*>(static_cast<std::intptr_t>(value));
    }

    std::string revertive() {
        const std::uint8_t deviceForm = in.byte() % 4;
        const std::uint8_t destinationForm = in.byte();
        zeth_revertive_record record{};
        record.device = deviceForm == 0   ? panel.state().videoRouter
                        : deviceForm == 1 ? panel.state().audioRouter
                                          : number(in);
        const std::size_t button = 1 + destinationForm % 4;
        switch ((destinationForm / 4) % 3) {
        case 0:
            record.destination = panel.state().videoDest[button];
            break;
        case 1:
            record.destination = panel.state().audioDest[button];
            break;
        default:
            record.destination = number(in);
            break;
        }
        record.hostWord = in.int32();
        record.source = number(in);
        const std::string what = "revertive " + text(record.device) + " " +
                                 text(record.destination) + " " + text(record.source);
        notifyExpectingNull(&record, 1, what);
        return what;
    }

    std::string controlEvent() {
        static constexpr std::array<const char*, 24> controls = {
            "Sources",    "Dest_1",     "Dest_2",          "Dest_3",
            "Dest_4",     "Dest_0",     "Dest_5",          "Dest_-1",
            "Dest_",      "Dest_x",     "Dest_2147483648", "Dest_-2147483649",
            "videolevel", "audiolevel", "Clear",           "Take",
            "Undo",       "take",       "Sources ",        "Dest_3Dest_9",
            "1",          "",           nullptr,           nullptr};
        const std::uint8_t panelForm = in.byte() % 6;
        const std::uint8_t controlForm = in.byte();
        const std::uint8_t parameterForm = in.byte() % 6;

        optional_text panelWord;
        panelWord.bytes = panelForm < 3 ? "1" : panelForm == 3 ? "2" : "";
        panelWord.null = panelForm == 4;
        if (panelForm == 5) {
            panelWord.bytes = in.text();
        }
        optional_text control;
        const std::size_t choice = controlForm % (controls.size() + 1);
        if (choice == controls.size()) {
            control.bytes = in.text();
        } else {
            control.null = controls[choice] == nullptr;
            control.bytes = control.null ? "" : controls[choice];
        }

        // The parsed parameter, built as a host builds it, then made hostile where asked.
        std::string message;
        switch (parameterForm) {
        case 0:
        case 1:
            message = "index=" + text(number(in));
            break;
        case 2:
            message = "index=" + in.text();
            break;
        default:
            message = in.text();
            break;
        }
        decodePropertyString parameter(message.c_str());
        if (parameterForm == 4) {
            parameter.name = nullptr;
        } else if (parameterForm == 5) {
            parameter.value = nullptr;
        }

        zeth_event_record record{pointerValue(in.int32()), pointerValue(in.int32()),
                                 panelWord.get(), control.get(),
                                 parameterForm == 1 ? nullptr : &parameter};
        const std::string what =
            "event of panel " + (panelWord.null ? std::string("null") : shown(panelWord.bytes)) +
            ", control " + (control.null ? std::string("null") : shown(control.bytes)) +
            ", parameter " + (parameterForm == 1 ? std::string("null") : shown(message));
        notifyExpectingNull(&record, 2, what);
        return what;
    }

    std::string query() {
        static constexpr std::array<const char*, 8> properties = {
            "return=all", "return",     "_events",     "_commands",
            "Return=all", "return=All", "_events.x=y", "return.all=all"};
        const std::uint8_t form = in.byte();
        optional_text property = streamText(form % 3);
        if (form % 3 == 2) {
            property.bytes = properties[(form / 3) % properties.size()];
        }
        const std::string what = "query " + (property.null ? "null" : shown(property.bytes));
        void* answer = panel.notify(const_cast<char*>(property.get()), 3);
        // This panel publishes nothing: every answer is the empty text, which reaches the host
        // as null, so the host never has anything to hand back.
        FUZZ_CHECK(answer == nullptr, what + ": answered " + shown(static_cast<char*>(answer)));
        return what;
    }

    std::string tick() {
        const std::uint8_t form = in.byte();
        const int timer = form < 160 ? 1 : number(in);
        const std::string what = "tick of timer " + text(timer);
        notifyExpectingNull(pointerValue(timer), 4, what);
        return what;
    }

    std::string handBack() {
        // Nothing here was ever handed out by the panel, so it must ignore all of it: null, a
        // live text of the host's own (freeing it would be a double free), any pointer value.
        const std::uint8_t form = in.byte() % 3;
        void* data = nullptr;
        if (form == 1) {
            data = hostOwnText.data();
        } else if (form == 2) {
            data = pointerValue(in.int32());
        }
        const std::string what =
            "hand-back of " + std::to_string(reinterpret_cast<std::uintptr_t>(data));
        notifyExpectingNull(data, 5, what);
        return what;
    }

    std::string otherCode(std::uint8_t kind) {
        if (kind == 5) {
            void* data = pointerValue(in.int32());
            notifyExpectingNull(data, 6, "code 6");
            return "code 6";
        }
        if (kind == 6) {
            notifyExpectingNull(pointerValue(number(in)), 7, "code 7");
            return "code 7";
        }
        int code = number(in);
        if (code >= 1 && code <= 7) {
            code = code == 1 ? 0 : 1 - code; // 0 and negative codes instead of the known ones
        }
        const std::string what = "code " + text(code);
        notifyExpectingNull(pointerValue(in.int32()), code, what);
        return what;
    }

    std::string changeReplies(bool entry) {
        const recording_host::reply answer =
            hostReply(in, entry ? reply_kind::entry : reply_kind::other, "");
        if (host != nullptr) {
            if (entry) {
                host->replyPrefix("RN ", answer);
            } else {
                host->replyDefault(answer);
            }
        }
        return entry ? "new package entries" : "new replies to the other commands";
    }

    std::string deliver() {
        const std::uint8_t kind = in.byte() % 10;
        switch (kind) {
        case 0:
            return revertive();
        case 1:
            return controlEvent();
        case 2:
            return query();
        case 3:
            return tick();
        case 4:
            return handBack();
        case 5:
        case 6:
        case 7:
            return otherCode(kind);
        case 8:
            return changeReplies(true);
        default:
            return changeReplies(false);
        }
    }

    fuzz_input& in;
    recording_host* host;
    R7_DESK& panel;
    const start_up_numbers numbers;
    std::string hostOwnText = "a text the host owns";
};

void configureHost(fuzz_input& in, recording_host& host) {
    static constexpr std::array<const char*, 4> devices = {"R7 Package Names", "R7 Package XPTS",
                                                           "R7 SDI Router", "R7 Audio Router"};
    for (const char* device : devices) {
        host.replyExact("SD '" + std::string(device) + "'", hostReply(in, reply_kind::device, ""));
    }
    for (int button = 1; button <= 4; ++button) {
        for (const char* property : {"video_id", "audio_id"}) {
            host.replyExact("TG '1' 'Dest_" + text(button) + "' '" + property + "'",
                            hostReply(in, reply_kind::property, property));
        }
    }
    host.replyPrefix("RN ", hostReply(in, reply_kind::entry, ""));
    host.replyDefault(hostReply(in, reply_kind::other, ""));
}

// textGet's mismatch message would flood the log of a long run: it goes nowhere here.
void discardDebugOutput(const char* /*text*/, void* /*context*/) {}

void runSession(fuzz_input& in) {
    setDebugOutputSink(&discardDebugOutput, nullptr);
    const std::uint8_t flags = in.byte();
    const bool nullHost = (flags & 1U) != 0;
    const std::string pathBytes = in.text();
    const char* path = (flags & 2U) != 0 ? nullptr : pathBytes.c_str();

    recording_host host;
    configureHost(in, host);
    recording_host* recorder = nullHost ? nullptr : &host;

    auto panel = std::make_unique<R7_DESK>(recorder, path);
    if (recorder != nullptr) {
        FUZZ_CHECK(host.commands().size() == 31,
                   "start-up sent " + std::to_string(host.commands().size()) + " commands");
    }
    panel_session session(in, recorder, *panel);
    session.checkAfter("start-up");
    session.run();

    panel.reset();
    if (recorder != nullptr) {
        FUZZ_CHECK(!host.commands().empty() && host.commands().back() == "AS",
                   std::string("the last command was not \"AS\""));
        const std::vector<std::string> violations = host.violations();
        FUZZ_CHECK(violations.empty(), "after destruction: " + violations.front());
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    std::atexit(reportMessages);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz_input in(data, size);
    runSession(in);
    return 0;
}
