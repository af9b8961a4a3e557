#include "process_ending.h"

#include "exception_codes.h"

#include <cstdio>

std::string process_ending::words() const {
    if (!died) {
        return "exited with status " + std::to_string(status);
    }
    const unsigned long code = static_cast<unsigned long>(static_cast<unsigned int>(status));
    if (code == endedByThisProcess) {
        return "was ended by zeth-host";
    }
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08lX", code);
    const std::string name = exceptionName(code);
    return "died by exception " + std::string(hex) + (name.empty() ? "" : " (" + name + ")");
}

const char* process_ending::dyingWays() {
    return "an exception it did not handle (an access violation, a stack overflow, abort)";
}

const char* process_ending::exitingWays() {
    return "exit, _exit, ExitProcess";
}
