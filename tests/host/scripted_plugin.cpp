// A panel plug-in built only for the host's tests: it does what its controls' names say, and
// breaks the host contract on request, so that every check of zeth-host can be caught in the act.
//
// Start-up: the panel path selects the mode. "null-object" makes the factory return null,
// "throw-on-create" throws out of the factory; otherwise the panel shows "<built-in>/test.zeth_ui"
// and sends nothing else. Deletion sends "AS", except in the modes "no-closing-notice" (nothing)
// and "command-after-closing" ("AS", then one more command).
//
// A click on a control whose name is a command sends that command, and hands back the reply of
// "TG", "SD" and "RN" as a panel must. Controls named "fault:..." break one rule each (see
// misbehave). A query is answered with "answer:" and the query text. Revertives and ticks are
// only counted: the host's transcript shows them. A call that arrives while the panel is still
// inside a call from the host sends "XX re-entered", which the host reports.
#include "zeth_client_callback.h"
#include "zeth_records.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

class scripted_panel : public zeth_client_callback {
public:
    scripted_panel(zeth_client_callback* hostObject, std::string panelMode)
        : host(hostObject), mode(std::move(panelMode)) {
        if (mode == "throw-on-create") {
            throw std::runtime_error("the scripted panel refuses to start");
        }
        send("PS '1' '<built-in>/test.zeth_ui'");
    }

    ~scripted_panel() override {
        if (mode == "no-closing-notice") {
            return;
        }
        send("AS");
        if (mode == "command-after-closing") {
            send("CD '1' 'Take'");
        }
    }

    void* notify(void* data, int code) override {
        if (depth > 0) {
            send("XX re-entered");
            return nullptr;
        }
        ++depth;
        void* result = nullptr;
        try {
            result = dispatch(data, code);
        } catch (...) {
            --depth;
            throw;
        }
        --depth;
        return result;
    }

private:
    void* dispatch(void* data, int code) {
        switch (code) {
        case 2: {
            const auto* event = static_cast<const zeth_event_record*>(data);
            click(event->control);
            return nullptr;
        }
        case 3: {
            const std::string answer = std::string("answer:") + static_cast<const char*>(data);
            char* copy = new char[answer.size() + 1];
            std::memcpy(copy, answer.c_str(), answer.size() + 1);
            return copy;
        }
        case 5:
            delete[] static_cast<char*>(data);
            return nullptr;
        default:
            return nullptr;
        }
    }

    void* send(const std::string& command) {
        return host->notify(const_cast<char*>(command.c_str()), 0);
    }

    void click(const std::string& control) {
        if (control.rfind("fault:", 0) == 0) {
            misbehave(control.substr(6));
            return;
        }
        void* reply = send(control);
        const std::string name = control.substr(0, 2);
        if (name == "RN" || (reply != nullptr && (name == "TG" || name == "SD"))) {
            host->notify(reply, 5);
        }
    }

    void misbehave(const std::string& fault) {
        if (fault == "keep-reply") {
            send("SD 'R7 SDI Router'");
        } else if (fault == "double-hand-back") {
            void* reply = send("SD 'R7 SDI Router'");
            host->notify(reply, 5);
            host->notify(reply, 5);
        } else if (fault == "foreign-hand-back") {
            // Heap memory of the plug-in's own, which the host never handed out. (A static array
            // here lets GCC, guessing that host is this very class, warn of a delete[] on it.)
            foreignText = std::make_unique<char[]>(sizeof "not the host's");
            std::memcpy(foreignText.get(), "not the host's", sizeof "not the host's");
            host->notify(foreignText.get(), 5);
        } else if (fault == "kept-reply-handed-back") {
            host->notify(send("PS '1' '<built-in>/test.zeth_ui'"), 5);
        } else if (fault == "unmatched-null-hand-back") {
            host->notify(nullptr, 5);
        } else if (fault == "unknown-message-code") {
            host->notify(const_cast<char*>("CD '1' 'Take'"), 9);
        } else if (fault == "null-command") {
            host->notify(nullptr, 0);
        } else if (fault == "throw") {
            throw std::runtime_error("the scripted panel throws on purpose");
        } else if (fault == "keep-null-rn") {
            send("RN 11 0 99");
        }
    }

    zeth_client_callback* host;
    std::string mode;
    std::unique_ptr<char[]> foreignText;
    int depth = 0;
};

} // namespace

extern "C" __attribute__((visibility("default"))) zeth_client_callback*
load_zeth_client_script(zeth_client_callback* host, const char* panelPath) {
    const std::string mode = panelPath != nullptr ? panelPath : "";
    if (mode == "null-object") {
        return nullptr;
    }
    return new scripted_panel(host, mode);
}
