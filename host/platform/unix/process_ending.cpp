#include "process_ending.h"

#include <cstring>

std::string process_ending::words() const {
    if (!died) {
        return "exited with status " + std::to_string(status);
    }
    const char* name = strsignal(status);
    return "died by signal " + std::to_string(status) +
           (name != nullptr ? " (" + std::string(name) + ")" : std::string());
}

const char* process_ending::dyingWays() {
    return "a signal (a crash, a stack overflow, abort)";
}

const char* process_ending::exitingWays() {
    return "exit, _exit";
}
