// call_monitor: hears of every call the host makes into a panel, so that a watcher can name the
// call in progress when the plug-in crashes, exits or hangs in it.
//
// The desk that makes the call (on the host's thread) says callBegins() just before it enters the
// panel's factory, notify or destructor, and callReturned() once the panel has returned or thrown.
// Calls do not nest. Both are called in the plug-in's own process; what a monitor does with them
// (send them to a supervising process) must not throw.
#pragma once

#include <string>

class call_monitor {
public:
    call_monitor() = default;
    call_monitor(const call_monitor&) = delete;
    call_monitor& operator=(const call_monitor&) = delete;
    virtual ~call_monitor() = default;

    // deskNumber's panel is entered; what names the call: "the factory", "notify code 2
    // (control event Take \"click\")", "the destructor".
    virtual void callBegins(int deskNumber, const std::string& what) = 0;
    virtual void callReturned() = 0;
};
