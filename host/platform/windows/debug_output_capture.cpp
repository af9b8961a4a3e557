// debug_output_capture on Windows: a plug-in writes its debug output with OutputDebugStringA,
// which raises the exception DBG_PRINTEXCEPTION_C with the text on the thread that writes it. A
// vectored exception handler of this program's own sees that exception before anything else does,
// on that same thread and inside that same call, so what it copies is in the capture before
// OutputDebugStringA returns: taken at a command the panel sends after it, it is always taken
// there. From begin() to end() the handler copies the text into the capture's buffer; outside
// them it copies nothing. Either way it lets the exception go on, so that a debugger attached to
// the process still shows the text. OutputDebugStringW ends in OutputDebugStringA when no debugger
// takes its text, so it is captured too, once.
//
// The buffer is a section of the paging file, made inheritable: on Windows the supervisor's child
// is this program started again (child_process.h), which finds the section's handle in an
// environment variable that the capture sets for its lifetime and the child's first capture
// removes as it takes the section over. The child writes into it, and after the child died the
// supervisor reads what was not taken yet. The section holds at most sectionBytes of text between
// two takes; bytes written beyond that are counted and dropped.
#include "debug_output_capture.h"

#include "handed_down.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr DWORD printException = 0x40010006; // DBG_PRINTEXCEPTION_C
constexpr std::size_t sectionBytes = 1u << 20;

// The section's layout: what is in it since the last take, shared by the processes that map it.
struct section_layout {
    std::uint32_t length;  // bytes of text in text[]
    std::uint64_t dropped; // bytes written since the last take that did not fit
    char text[sectionBytes - 16];
};
static_assert(sizeof(section_layout) <= sectionBytes, "the layout fits the section");

// The mapped section and its lock: writers are the plug-in's threads (the handler), the host's
// thread takes.
struct capture_buffer {
    section_layout* mapped = nullptr;
    CRITICAL_SECTION guard;

    void append(const char* text, std::size_t length) {
        EnterCriticalSection(&guard);
        const std::size_t room = sizeof mapped->text - mapped->length;
        const std::size_t kept = std::min(room, length);
        std::memcpy(mapped->text + mapped->length, text, kept);
        mapped->length += static_cast<std::uint32_t>(kept);
        mapped->dropped += length - kept;
        LeaveCriticalSection(&guard);
    }
};

} // namespace

namespace {

// The capture that copies the debug output of the moment; null outside begin() and end().
std::atomic<capture_buffer*> capturing{nullptr};

LONG WINAPI copyDebugOutput(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD* record = exception->ExceptionRecord;
    capture_buffer* buffer = capturing.load();
    if (buffer != nullptr && record->ExceptionCode == printException &&
        record->NumberParameters >= 2 && record->ExceptionInformation[1] != 0) {
        // The first parameter counts the text's bytes with its terminating NUL.
        const auto* text = reinterpret_cast<const char*>(record->ExceptionInformation[1]);
        const std::size_t counted = record->ExceptionInformation[0];
        const void* end = counted > 0 ? std::memchr(text, '\0', counted) : nullptr;
        buffer->append(text,
                       end != nullptr ? static_cast<const char*>(end) - text : std::strlen(text));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

// The section this process names in the variable for its children, if any.
std::atomic<std::uintptr_t> handedDown{0};

// The section a parent handed down, taken over once: the variable is removed. A section this
// process made itself is not handed down: it has an owner already, and two owners of one handle
// would close it twice (the second time, whatever object has the handle's value by then).
HANDLE inheritedSection() {
    char text[32];
    const DWORD length = GetEnvironmentVariableA(debugOutputVariable, text, sizeof text);
    if (length == 0 || length >= sizeof text) {
        return nullptr;
    }
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    const bool named = end != text && *end == '\0';
    if (named && value == handedDown.load()) {
        return nullptr;
    }
    SetEnvironmentVariableA(debugOutputVariable, nullptr);
    return named ? reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value)) : nullptr;
}

} // namespace

struct debug_output_capture::system_state {
    HANDLE section = nullptr;
    capture_buffer buffer;
    bool redirected = false;
    int calls = 0; // begin() calls not yet ended
    int holds = 0; // hold() calls not yet released

    // Stops copying once no call is in progress and no action holds the capture.
    void stopIfIdle() {
        if (redirected && calls == 0 && holds == 0) {
            redirected = false;
            capture_buffer* own = &buffer;
            capturing.compare_exchange_strong(own, nullptr);
        }
    }
};

debug_output_capture::debug_output_capture() : state(std::make_unique<system_state>()) {
    InitializeCriticalSection(&state->buffer.guard);
    static const PVOID handler = AddVectoredExceptionHandler(1, copyDebugOutput);
    if (handler == nullptr) {
        return;
    }
    bool inherited = true;
    HANDLE section = inheritedSection();
    void* mapped = section != nullptr
                       ? MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sectionBytes)
                       : nullptr;
    if (mapped == nullptr) {
        inherited = false;
        SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        section = CreateFileMappingA(INVALID_HANDLE_VALUE, &inheritable, PAGE_READWRITE, 0,
                                     static_cast<DWORD>(sectionBytes), nullptr);
        mapped = section != nullptr
                     ? MapViewOfFile(section, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, sectionBytes)
                     : nullptr;
    }
    if (mapped == nullptr) {
        if (section != nullptr) {
            CloseHandle(section);
        }
        return;
    }
    state->section = section;
    state->buffer.mapped = static_cast<section_layout*>(mapped);
    if (!inherited) {
        // A fresh section is zero-filled; this process's children find it by the variable.
        handedDown = reinterpret_cast<std::uintptr_t>(section);
        SetEnvironmentVariableA(debugOutputVariable,
                                std::to_string(static_cast<unsigned long long>(
                                                   reinterpret_cast<std::uintptr_t>(section)))
                                    .c_str());
    }
}

debug_output_capture::~debug_output_capture() {
    capture_buffer* own = &state->buffer;
    capturing.compare_exchange_strong(own, nullptr);
    if (state->section != nullptr) {
        // The variable names this section exactly while handedDown does.
        std::uintptr_t mine = reinterpret_cast<std::uintptr_t>(state->section);
        if (handedDown.compare_exchange_strong(mine, 0)) {
            SetEnvironmentVariableA(debugOutputVariable, nullptr);
        }
        UnmapViewOfFile(state->buffer.mapped);
        CloseHandle(state->section);
    }
    DeleteCriticalSection(&state->buffer.guard);
}

bool debug_output_capture::available() const {
    return state->buffer.mapped != nullptr;
}

void debug_output_capture::begin() {
    ++state->calls;
    if (!state->redirected && state->buffer.mapped != nullptr) {
        state->redirected = true;
        capturing.store(&state->buffer);
    }
}

void debug_output_capture::end() {
    if (state->calls > 0) {
        --state->calls;
    }
    state->stopIfIdle();
}

void debug_output_capture::hold() {
    ++state->holds;
}

void debug_output_capture::release() {
    if (state->holds > 0) {
        --state->holds;
    }
    state->stopIfIdle();
}

debug_output_capture::taken debug_output_capture::take(std::size_t keep) {
    taken result;
    if (state->buffer.mapped == nullptr) {
        return result;
    }
    // Uncontended, entering the lock makes no system call.
    EnterCriticalSection(&state->buffer.guard);
    const std::size_t written = state->buffer.mapped->length;
    result.text.assign(state->buffer.mapped->text, std::min(written, keep));
    result.dropped = state->buffer.mapped->dropped + (written - result.text.size());
    state->buffer.mapped->length = 0;
    state->buffer.mapped->dropped = 0;
    LeaveCriticalSection(&state->buffer.guard);
    return result;
}

std::string debug_output_capture::leftOver() {
    if (state->buffer.mapped == nullptr) {
        return std::string();
    }
    // The writer, the child's process, has ended: no lock is needed, and none is there to take.
    const std::size_t written =
        std::min<std::size_t>(state->buffer.mapped->length, sizeof state->buffer.mapped->text);
    return std::string(state->buffer.mapped->text, written);
}
