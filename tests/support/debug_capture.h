// debug_capture: collects what the framework writes to the debug output while it lives, instead
// of letting it reach standard error. One capture at a time; it restores the platform output.
#pragma once

#include "debug_output.h"

#include <string>
#include <vector>

class debug_capture {
public:
    debug_capture() { setDebugOutputSink(&debug_capture::collect, this); }
    ~debug_capture() { setDebugOutputSink(nullptr, nullptr); }
    debug_capture(const debug_capture&) = delete;
    debug_capture& operator=(const debug_capture&) = delete;

    const std::vector<std::string>& messages() const { return collected; }

private:
    static void collect(const char* text, void* context) noexcept {
        try {
            static_cast<debug_capture*>(context)->collected.emplace_back(text);
        } catch (...) {
        }
    }
    std::vector<std::string> collected;
};
