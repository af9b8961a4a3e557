#include "debug_output.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdio>
#endif

namespace {
debugOutputSink installedSink = nullptr;
void* installedContext = nullptr;
} // namespace

void setDebugOutputSink(debugOutputSink sink, void* context) noexcept {
    installedSink = sink;
    installedContext = context;
}

void writeDebugOutput(const char* text) noexcept {
    if (text == nullptr) {
        return;
    }
    if (installedSink != nullptr) {
        installedSink(text, installedContext);
        return;
    }
#if defined(_WIN32)
    OutputDebugStringA(text);
#else
    std::fputs(text, stderr);
    std::fputc('\n', stderr);
#endif
}
