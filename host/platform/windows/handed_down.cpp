#include "handed_down.h"

#include <windows.h>

#include <cstring>

const char childPipeVariable[] = "ZETH_HOST_CHILD_PIPE";
const char debugOutputVariable[] = "ZETH_HOST_DEBUG_OUTPUT";

namespace {

// Names compare without regard to case, as the system compares them.
bool names(const char* entry, const char* variable) {
    const std::size_t length = std::strlen(variable);
    return _strnicmp(entry, variable, length) == 0 && entry[length] == '=';
}

} // namespace

std::string environmentForAnotherProgram() {
    std::string block;
    char* const strings = GetEnvironmentStringsA();
    if (strings != nullptr) {
        for (const char* entry = strings; *entry != '\0'; entry += std::strlen(entry) + 1) {
            if (!names(entry, childPipeVariable) && !names(entry, debugOutputVariable)) {
                block.append(entry, std::strlen(entry) + 1);
            }
        }
        FreeEnvironmentStringsA(strings);
    }
    // An empty environment is two NULs.
    block += block.empty() ? std::string(2, '\0') : std::string(1, '\0');
    return block;
}
