// probe_panel: the smallest concrete panel base. It records which handler ran with what, answers
// queries with a text chosen by the test, and can be told to throw from a handler: std::bad_alloc,
// a std::runtime_error with thrownText when that is set, or an int when thrownInt is set.
#pragma once

#include "zeth_script_helper.h"

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

class probe_panel : public zeth_script_helper {
public:
    using zeth_script_helper::zeth_script_helper;

    void onButton(controlEvent& event) override {
        calls.push_back("button " + std::string(event.panel()) + " " +
                        std::string(event.control()) + " " + std::string(event.command()) + "=" +
                        std::string(event.value()));
        throwIfAsked();
    }
    int onRevertive(revertiveEvent& event) override {
        calls.push_back("revertive " + std::to_string(event.device()) + " " +
                        std::to_string(event.destination()) + " " + std::to_string(event.source()));
        throwIfAsked();
        return 7;
    }
    zeth_string onQuery(queryEvent& query) override {
        calls.push_back("query " + std::string(query.name()) + "=" + std::string(query.value()));
        throwIfAsked();
        return queryAnswer;
    }
    void onTimer(int timerId) override {
        calls.push_back("timer " + std::to_string(timerId));
        throwIfAsked();
    }

    zeth_client_callback* hostObject() const { return host; }
    const zeth_string& path() const { return panelPath; }

    std::vector<std::string> calls;
    zeth_string queryAnswer;
    bool throwFromHandlers = false;
    std::string thrownText;
    bool thrownInt = false;

protected:
    void throwIfAsked() const {
        if (!throwFromHandlers) {
            return;
        }
        if (thrownInt) {
            throw 42;
        }
        if (!thrownText.empty()) {
            throw std::runtime_error(thrownText);
        }
        throw std::bad_alloc();
    }
};
