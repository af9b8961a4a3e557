#include "zeth_script_helper.h"

#include "debug_output.h"
#include "decodePropertyString.h"
#include "decodeZETHString.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

// Holds a reply that must go back to the host with code 5. It is handed back exactly once: by
// handBack(), or by the destructor when an exception leaves the operation first, so that even a
// failed allocation while copying a reply cannot strand it on the panel's side.
class heldReply {
public:
    heldReply(zeth_client_callback* owner, void* held) noexcept : host(owner), reply(held) {}
    heldReply(const heldReply&) = delete;
    heldReply& operator=(const heldReply&) = delete;
    ~heldReply() { handBack(); }

    void handBack() noexcept {
        if (pending) {
            pending = false;
            try {
                host->notify(reply, 5);
            } catch (...) {
                // The host's own failure on a hand-back has nowhere to go but away.
            }
        }
    }

private:
    zeth_client_callback* host;
    void* reply;
    bool pending = true;
};

// Longest numeric command: "RR " + three int32 of 11 characters each + two spaces + " 'ADD'".
constexpr std::size_t numericCommandSize = 3 + 3 * 11 + 2 + 6 + 1;

char* appendText(char* out, const char* text) {
    while (*text != '\0') {
        *out++ = *text++;
    }
    return out;
}

char* appendNumber(char* out, int value) {
    unsigned magnitude =
        value < 0 ? 0U - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    char reversed[10];
    int used = 0;
    do {
        reversed[used++] = static_cast<char>('0' + magnitude % 10U);
        magnitude /= 10U;
    } while (magnitude != 0U);
    if (value < 0) {
        *out++ = '-';
    }
    while (used > 0) {
        *out++ = reversed[--used];
    }
    return out;
}

// Reads a token as atoi does (leading blanks, a sign, digits up to the first other character; 0
// when there are none), except that a number beyond the int range saturates at INT_MAX or
// INT_MIN instead of being undefined behaviour.
int leadingNumber(const char* token) noexcept {
    errno = 0;
    const long value = std::strtol(token, nullptr, 10);
    if (value > INT_MAX || (errno == ERANGE && value > 0)) {
        return INT_MAX;
    }
    if (value < INT_MIN || (errno == ERANGE && value < 0)) {
        return INT_MIN;
    }
    return static_cast<int>(value);
}

} // namespace

zeth_script_helper::zeth_script_helper(zeth_client_callback* hostObject, const char* path)
    : host(hostObject), panelPath(path) {}

zeth_script_helper::~zeth_script_helper() {
    if (host != nullptr) {
        try {
            host->notify(const_cast<char*>("AS"), 0);
        } catch (...) {
            // Nothing may leave a destructor into the host.
        }
    }
}

#if ZETH_MSVC_SHAPED_VTABLE
void* zeth_script_helper::scalarDeletingDestructor(unsigned flags) {
    if ((flags & 1U) != 0U) {
        delete this;
    } else {
        this->~zeth_script_helper();
    }
    return this;
}
#endif

void* zeth_script_helper::notify(void* data, int code) {
    try {
        return dispatch(data, code);
    } catch (...) {
        // A failed allocation or any other failure inside a handler ends that message only.
        return nullptr;
    }
}

void* zeth_script_helper::dispatch(void* data, int code) {
    switch (code) {
    case 1:
        if (data != nullptr) {
            revertiveEvent event(static_cast<const zeth_revertive_record*>(data));
            onRevertive(event);
        }
        return nullptr;
    case 2:
        if (data != nullptr) {
            controlEvent event(static_cast<const zeth_event_record*>(data));
            onButton(event);
        }
        return nullptr;
    case 3: {
        const decodePropertyString parsed(static_cast<const char*>(data));
        queryEvent query(&parsed);
        const zeth_string answer = onQuery(query);
        if (answer.length() == 0) {
            return nullptr;
        }
        outstandingAnswers.reserve(outstandingAnswers.size() + 1);
        const std::size_t size = static_cast<std::size_t>(answer.length()) + 1;
        char* copy = new (std::nothrow) char[size];
        if (copy == nullptr) {
            return nullptr;
        }
        std::memcpy(copy, static_cast<const char*>(answer), size);
        outstandingAnswers.push_back(copy);
        return copy;
    }
    case 4:
        onTimer(static_cast<int>(reinterpret_cast<std::intptr_t>(data)));
        return nullptr;
    case 5:
        releaseAnswer(data);
        return nullptr;
    case 6: {
        void* datum = data;
        onHostEvent6(datum);
        return nullptr;
    }
    case 7: {
        int value = static_cast<int>(reinterpret_cast<std::intptr_t>(data));
        onHostEvent7(value);
        return nullptr;
    }
    default:
        return nullptr;
    }
}

void zeth_script_helper::releaseAnswer(void* answer) noexcept {
    if (answer == nullptr) {
        return;
    }
    const auto found =
        std::find(outstandingAnswers.begin(), outstandingAnswers.end(), static_cast<char*>(answer));
    if (found == outstandingAnswers.end()) {
        return; // not ours, or released already
    }
    outstandingAnswers.erase(found);
    delete[] static_cast<char*>(answer);
}

void zeth_script_helper::onHostEvent7(int& /*value*/) {}

void zeth_script_helper::onHostEvent6(void*& /*data*/) {}

void* zeth_script_helper::send(const char* text) {
    return host->notify(const_cast<char*>(text), 0);
}

void zeth_script_helper::sendNumbers(const char* command, const int* numbers, int count,
                                     const char* tail) {
    if (host == nullptr) {
        return;
    }
    char text[numericCommandSize];
    char* out = appendText(text, command);
    for (int i = 0; i < count; ++i) {
        *out++ = ' ';
        out = appendNumber(out, numbers[i]);
    }
    out = appendText(out, tail);
    *out = '\0';
    send(text);
}

void zeth_script_helper::disableControl(const zeth_string& panel, const zeth_string& control) {
    if (host != nullptr) {
        send("CD '" + panel + "' '" + control + "'");
    }
}

void zeth_script_helper::enableControl(const zeth_string& panel, const zeth_string& control) {
    if (host != nullptr) {
        send("CE '" + panel + "' '" + control + "'");
    }
}

void zeth_script_helper::textSet(const zeth_string& property, const zeth_string& value,
                                 const zeth_string& panel, const zeth_string& control) {
    if (host != nullptr) {
        send("TP '" + property + "=" + value + "' '" + panel + "' '" + control + "'");
    }
}

void zeth_script_helper::textSetRaw(const zeth_string& message, const zeth_string& panel,
                                    const zeth_string& control) {
    if (host != nullptr) {
        send("TP '" + message + "' '" + panel + "' '" + control + "'");
    }
}

void zeth_script_helper::textGet(const zeth_string& property, const zeth_string& panel,
                                 const zeth_string& control, zeth_string& result) {
    if (host == nullptr) {
        result = "";
        return;
    }
    void* reply = send("TG '" + panel + "' '" + control + "' '" + property + "'");
    if (reply == nullptr) {
        result = "";
        return;
    }
    heldReply held(host, reply);
    const zeth_string whole(static_cast<const char*>(reply));
    held.handBack();

    if (property == "all") {
        result = whole;
        return;
    }
    zeth_string key;
    zeth_string value;
    whole.split('=', key, value);
    if (std::strcmp(key, property) == 0) {
        result = value;
        return;
    }
    result = "";
    debugLog("textGet: value returned \"%1\" was not the value requested \"%2\" (value returned "
             "was \"%3\" from control \"%4\", on panel \"%5\")",
             key, property, whole, control, panel, "", "", "", "");
}

bool zeth_script_helper::showPanel(const zeth_string& panel, const zeth_string& file,
                                   const zeth_string& extra) {
    if (host == nullptr) {
        return true;
    }
    zeth_string text = "PS '" + panel + "' '";
    if (panelPath.length() != 0) {
        text += panelPath;
        text += "/";
    }
    text += file;
    text += "'";
    if (extra.length() != 0) {
        text += " '";
        text += extra;
        text += "'";
    }
    return send(text) != nullptr;
}

bool zeth_script_helper::lookupDevice(zeth_string name, int* device, int* secondNumber) {
    if (device != nullptr) {
        *device = 0;
    }
    if (secondNumber != nullptr) {
        *secondNumber = 0;
    }
    if (host == nullptr) {
        return false;
    }
    void* reply = send(fillMarkers("SD '%1'", {&name}));
    if (reply == nullptr) {
        return false;
    }
    heldReply held(host, reply);
    {
        const decodeZETHString tokens(static_cast<const char*>(reply), '\'');
        if (device != nullptr) {
            *device = leadingNumber(tokens.tokens[0]);
        }
        if (secondNumber != nullptr) {
            *secondNumber = leadingNumber(tokens.tokens[1]);
        }
    }
    held.handBack();
    return true;
}

void zeth_script_helper::readDatabaseName(int device, int database, int index,
                                          zeth_string& result) {
    if (host == nullptr) {
        return;
    }
    const zeth_string deviceText(device, 0, 0, 10);
    const zeth_string databaseText(database, 0, 0, 10);
    const zeth_string indexText(index, 0, 0, 10);
    void* reply = send(fillMarkers("RN %1 %2 %3", {&deviceText, &databaseText, &indexText}));
    heldReply held(host, reply); // handed back also when null
    if (reply != nullptr) {
        result = static_cast<const char*>(reply);
    }
    held.handBack();
}

void zeth_script_helper::makeCrosspoint(int device, int source, int destination,
                                        const zeth_string& suffix, bool flag) {
    if (host == nullptr) {
        return;
    }
    const zeth_string deviceText(device, 0, 0, 10);
    const zeth_string sourceText(source, 0, 0, 10);
    const zeth_string destinationText(destination, 0, 0, 10);
    const zeth_string flagText(flag ? 1 : 0, 0, 0, 10);
    send(fillMarkers("RC %1 %2 %3 ',%4' %5",
                     {&deviceText, &sourceText, &destinationText, &suffix, &flagText}));
}

void zeth_script_helper::registerRevertives(int device, int firstDestination, int lastDestination,
                                            bool add) {
    const int numbers[] = {device, firstDestination, lastDestination};
    sendNumbers("RR", numbers, 3, add ? " 'ADD'" : "");
}

void zeth_script_helper::pollRevertives(int device, int firstDestination, int lastDestination) {
    const int numbers[] = {device, firstDestination, lastDestination};
    sendNumbers("RP", numbers, 3, "");
}

void zeth_script_helper::startTimer(int timerId, int interval) {
    const int numbers[] = {timerId, interval};
    sendNumbers("ET", numbers, interval != 0 ? 2 : 1, "");
}

void zeth_script_helper::stopTimer(int timerId) {
    sendNumbers("ET", &timerId, 1, "");
}

void zeth_script_helper::debugLog(const zeth_string& format, const zeth_string& a1,
                                  const zeth_string& a2, const zeth_string& a3,
                                  const zeth_string& a4, const zeth_string& a5,
                                  const zeth_string& a6, const zeth_string& a7,
                                  const zeth_string& a8, const zeth_string& a9) {
    const zeth_string message = fillMarkers(format, {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9});
    writeDebugOutput(message);
}
