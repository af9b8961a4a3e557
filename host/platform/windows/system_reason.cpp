#include "system_reason.h"

#include <windows.h>

std::string systemReason(unsigned long error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, MAKELANGID(LANG_ENGLISH, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text),
        0, nullptr);
    std::string reason = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) {
        LocalFree(text);
    }
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' ||
                               reason.back() == ' ' || reason.back() == '.')) {
        reason.pop_back();
    }
    // The system's texts have inserts for what the caller would name ("%1 is not a valid Win32
    // application"); the callers name it around the reason, so an insert reads "it".
    for (std::size_t at = reason.find('%'); at != std::string::npos; at = reason.find('%', at)) {
        std::size_t end = at + 1;
        while (end < reason.size() && reason[end] >= '0' && reason[end] <= '9') {
            ++end;
        }
        reason.replace(at, end - at, end > at + 1 ? "it" : "%");
        ++at;
    }
    return reason.empty() ? "error " + std::to_string(error) : reason;
}

std::string lastSystemReason() {
    return systemReason(GetLastError());
}
