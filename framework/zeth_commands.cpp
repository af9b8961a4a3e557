#include "zeth_commands.h"

#include "debug_output.h"
#include "decodeZETHString.h"
#include "number_text.h"

#include <cstring>

namespace {

// Holds a reply that must go back to the host with code 5. It is handed back exactly once: by
// handBack(), or by the destructor when an exception leaves the operation first, so that even a
// failed allocation while copying a reply cannot strand it on the panel's side. Without a host
// there is nothing to hand back.
class heldReply {
public:
    heldReply(zeth_client_callback* owner, void* held) noexcept
        : host(owner), reply(held), pending(owner != nullptr) {}
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
    bool pending;
};

} // namespace

zeth_commands::zeth_commands(zeth_client_callback* hostObject, const char* path,
                             const char* panelIdentifier)
    : host(hostObject), panelPath(path), ownPanel(panelIdentifier) {}

void* zeth_commands::send(command_text& text) {
    return send(text.c_str());
}

void zeth_commands::send(const finished_command& command) {
    char text[finished_command::capacity];
    std::memcpy(text, command.c_str(), command.length() + 1);
    send(text);
}

void* zeth_commands::send(const char* text) {
    if (host == nullptr) {
        return nullptr;
    }
    return host->notify(const_cast<char*>(text), 0);
}

void zeth_commands::disableControl(const command_argument& panel, const command_argument& control) {
    command_text text;
    send(command_formats::disableControl(text, panel, control));
}

void zeth_commands::enableControl(const command_argument& panel, const command_argument& control) {
    command_text text;
    send(command_formats::enableControl(text, panel, control));
}

void zeth_commands::textSet(const command_argument& property, const command_argument& value,
                            const command_argument& panel, const command_argument& control) {
    command_text text;
    send(command_formats::textSet(text, property, value, panel, control));
}

void zeth_commands::textSetRaw(const command_argument& message, const command_argument& panel,
                               const command_argument& control) {
    command_text text;
    send(command_formats::textSetRaw(text, message, panel, control));
}

void zeth_commands::textGet(const char* property, const command_argument& panel,
                            const command_argument& control, zeth_string& result) {
    if (property == nullptr) {
        property = "";
    }
    command_text text;
    text.compose("TG '", panel, "' '", control, "' '", property, "'");
    const char* reply = static_cast<const char*>(send(text));
    if (reply == nullptr) {
        result = "";
        return;
    }
    heldReply held(host, const_cast<char*>(reply));
    if (std::strcmp(property, "all") == 0) {
        result = reply;
        return;
    }
    // The reply is read in place: "key=value", or a text without "=" that is all key.
    const char* equals = std::strchr(reply, '=');
    const std::size_t keyLength =
        equals != nullptr ? static_cast<std::size_t>(equals - reply) : std::strlen(reply);
    if (std::strncmp(reply, property, keyLength) == 0 && property[keyLength] == '\0') {
        result = equals != nullptr ? equals + 1 : "";
        return;
    }
    result = "";
    const zeth_string whole(reply);
    held.handBack();
    zeth_string key;
    zeth_string value;
    whole.split('=', key, value);
    debugLog("textGet: value returned \"%1\" was not the value requested \"%2\" (value returned "
             "was \"%3\" from control \"%4\", on panel \"%5\")",
             key, property, whole, command_text().compose(control).c_str(),
             command_text().compose(panel).c_str(), "", "", "", "");
}

bool zeth_commands::showPanel(const command_argument& panel, const command_argument& file,
                              const char* extra) {
    command_text text;
    text.compose("PS '", panel, "' '");
    if (panelPath.length() != 0) {
        text.compose(panelPath, "/");
    }
    text.compose(file, "'");
    if (extra != nullptr && *extra != '\0') {
        text.compose(" '", extra, "'");
    }
    return send(text) != nullptr || host == nullptr;
}

bool zeth_commands::lookupDevice(const command_argument& name, int* device, int* secondNumber) {
    if (device != nullptr) {
        *device = 0;
    }
    if (secondNumber != nullptr) {
        *secondNumber = 0;
    }
    command_text text;
    text.compose("SD '", name, "'");
    void* reply = send(text);
    if (reply == nullptr) {
        return false;
    }
    heldReply held(host, reply);
    {
        const decodeZETHString tokens(static_cast<const char*>(reply), '\'');
        if (device != nullptr) {
            *device = leadingDecimal(tokens.tokens[0]);
        }
        if (secondNumber != nullptr) {
            *secondNumber = leadingDecimal(tokens.tokens[1]);
        }
    }
    held.handBack();
    return true;
}

void zeth_commands::readDatabaseName(int device, int database, int index, zeth_string& result) {
    command_text text;
    text.compose("RN ", device, " ", database, " ", index);
    void* reply = send(text);
    heldReply held(host, reply); // handed back also when null
    if (reply != nullptr) {
        result = static_cast<const char*>(reply);
    }
    held.handBack();
}

void zeth_commands::makeCrosspoint(int device, int source, int destination,
                                   const command_argument& suffix, bool flag) {
    command_text text;
    text.compose("RC ", device, " ", source, " ", destination, " ',", suffix, flag ? "' 1" : "' 0");
    send(text);
}

void zeth_commands::registerRevertives(int device, int firstDestination, int lastDestination,
                                       bool add) {
    command_text text;
    text.compose("RR ", device, " ", firstDestination, " ", lastDestination);
    if (add) {
        text.compose(" 'ADD'");
    }
    send(text);
}

void zeth_commands::registerRevertives(int device, std::initializer_list<int> destinations,
                                       revertive_registration how) {
    registerRevertives(device, destinations.begin(), destinations.size(), how);
}

void zeth_commands::registerRevertives(int device, const int* destinations, std::size_t count,
                                       revertive_registration how) {
    bool add = how == revertive_registration::add;
    for (std::size_t at = 0; destinations != nullptr && at < count; ++at) {
        registerRevertives(device, destinations[at], destinations[at], add);
        add = true;
    }
}

void zeth_commands::pollRevertives(int device, int firstDestination, int lastDestination) {
    command_text text;
    text.compose("RP ", device, " ", firstDestination, " ", lastDestination);
    send(text);
}

void zeth_commands::pollRevertives(int device, std::initializer_list<int> destinations) {
    pollRevertives(device, destinations.begin(), destinations.size());
}

void zeth_commands::pollRevertives(int device, const int* destinations, std::size_t count) {
    for (std::size_t at = 0; destinations != nullptr && at < count; ++at) {
        pollRevertives(device, destinations[at], destinations[at]);
    }
}

void zeth_commands::startTimer(int timerId, int interval) {
    command_text text;
    send(command_formats::startTimer(text, timerId, interval));
}

void zeth_commands::stopTimer(int timerId) {
    command_text text;
    send(command_formats::startTimer(text, timerId, 0));
}

void zeth_commands::debugLog(const zeth_string& format, const zeth_string& a1,
                             const zeth_string& a2, const zeth_string& a3, const zeth_string& a4,
                             const zeth_string& a5, const zeth_string& a6, const zeth_string& a7,
                             const zeth_string& a8, const zeth_string& a9) {
    writeDebugText(fillMarkers(format, {&a1, &a2, &a3, &a4, &a5, &a6, &a7, &a8, &a9}));
}

void zeth_commands::writeDebugText(const zeth_string& text) noexcept {
    writeDebugOutput(text);
}

void zeth_commands::disableControl(const command_argument& control) {
    disableControl(ownPanel, control);
}

void zeth_commands::enableControl(const command_argument& control) {
    enableControl(ownPanel, control);
}

void zeth_commands::textSet(const command_argument& property, const command_argument& value,
                            const command_argument& control) {
    textSet(property, value, ownPanel, control);
}

void zeth_commands::textSetRaw(const command_argument& message, const command_argument& control) {
    textSetRaw(message, ownPanel, control);
}

void zeth_commands::textGet(const char* property, const command_argument& control,
                            zeth_string& result) {
    textGet(property, ownPanel, control, result);
}

bool zeth_commands::showPanel(const command_argument& file) {
    return showPanel(ownPanel, file, "");
}
