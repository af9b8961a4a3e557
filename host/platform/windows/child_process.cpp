// The Windows part of child_process. The child is this program started again with the caller's
// arguments. It learns that it is the child, and which pipe goes to its parent, from one
// environment variable that the parent sets for the instant of CreateProcess and the child removes
// as it reads it: the first child_process the child constructs runs its body there instead of
// starting a process. The pipe is a named pipe of this process's own: the parent reads it
// overlapped (timed_input), the child has the write end, inherited by handle, which is, with the
// standard streams and the section of a debug_output_capture, the only handle made inheritable. The
// child is put in a job object before it runs a single instruction of its own; the job ends it when
// its last handle closes, which is when the parent ends, however that happens.
#include "child_process.h"

#include "command_line.h"
#include "exception_codes.h"
#include "handed_down.h"
#include "inbound_pipe.h"
#include "platform_error.h"
#include "program_location.h"
#include "system_reason.h"

#include <windows.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// The one byte the child writes once it has reached its body, before anything the body writes.
constexpr char reachedBody = 'R';

[[noreturn]] void failWith(const std::string& step) {
    throw platform_error(step + " (" + lastSystemReason() + ")");
}

// An exception that nothing handles ends the child at once with its code, as a signal ends a
// POSIX process: no debugger starts, no dialog waits for a person.
LONG WINAPI endOnUnhandledException(EXCEPTION_POINTERS* exception) {
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_EXECUTE_HANDLER;
}

extern "C" void endOnAbort(int) {
    TerminateProcess(GetCurrentProcess(), abortCode);
}

// The pipe to the parent, when this process is a child that has not reached its body yet; the
// variable is removed, so that the question is answered once.
std::optional<HANDLE> inheritedPipe() {
    char text[32];
    const DWORD length = GetEnvironmentVariableA(childPipeVariable, text, sizeof text);
    if (length == 0 || length >= sizeof text) {
        return std::nullopt;
    }
    SetEnvironmentVariableA(childPipeVariable, nullptr);
    char* end = nullptr;
    const unsigned long long value = std::strtoull(text, &end, 10);
    const HANDLE pipe = reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(value));
    if (end == text || *end != '\0' || GetFileType(pipe) != FILE_TYPE_PIPE) {
        return std::nullopt;
    }
    return pipe;
}

[[noreturn]] void runInChild(HANDLE pipe, const child_process::body& run) {
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    SetUnhandledExceptionFilter(endOnUnhandledException);
    // Room on the stack for the filter after a stack overflow.
    ULONG reserve = 64 * 1024;
    SetThreadStackGuarantee(&reserve);
    std::signal(SIGABRT, endOnAbort);
    int status = 2;
    try {
        parent_pipe parent(reinterpret_cast<std::intptr_t>(pipe));
        if (parent.write(&reachedBody, 1)) {
            status = run(parent);
        }
    } catch (...) {
        status = 2;
    }
    endThisProcessNow(status);
}

// Each standard stream, made inheritable so that the child writes where this process writes.
HANDLE inheritableStandard(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
        SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    }
    return handle;
}

} // namespace

struct child_process::system_process {
    HANDLE process = nullptr;
    HANDLE job = nullptr;

    ~system_process() {
        if (process != nullptr) {
            CloseHandle(process);
        }
        if (job != nullptr) {
            CloseHandle(job); // ends the child, if it still runs
        }
    }
};

bool parent_pipe::write(const char* bytes, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
        const DWORD piece = static_cast<DWORD>(std::min<std::size_t>(count - done, 1U << 20));
        DWORD wrote = 0;
        if (WriteFile(reinterpret_cast<HANDLE>(handle), bytes + done, piece, &wrote, nullptr) ==
                0 ||
            wrote == 0) {
            return false;
        }
        done += wrote;
    }
    return true;
}

child_process::child_process(const body& run, const std::vector<std::string>& restart)
    : pipe(reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE), false),
      system(std::make_shared<system_process>()) {
    if (const std::optional<HANDLE> parent = inheritedPipe()) {
        runInChild(*parent, run);
    }
    if (restart.empty()) {
        throw platform_error("cannot start the plug-in's process: this system cannot copy a "
                             "process, and nothing says how this program reaches the same work");
    }
    const std::string program = programFile().string();
    if (program.empty()) {
        failWith("cannot find this program's file");
    }
    std::string line = commandLine(program, restart);
    const inbound_pipe made = makeInboundPipe();
    // Owned from here on: a failure below closes the read end with this object's members.
    pipe = timed_input(reinterpret_cast<std::intptr_t>(made.read), true);
    const HANDLE writeEnd = made.write;

    system->job = CreateJobObjectA(nullptr, nullptr);
    if (system->job == nullptr) {
        CloseHandle(writeEnd);
        failWith("cannot make a job object");
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE | JOB_OBJECT_LIMIT_DIE_ON_UNHANDLED_EXCEPTION;
    SetInformationJobObject(system->job, JobObjectExtendedLimitInformation, &limits, sizeof limits);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = inheritableStandard(STD_INPUT_HANDLE);
    startup.hStdOutput = inheritableStandard(STD_OUTPUT_HANDLE);
    startup.hStdError = inheritableStandard(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    // The variable is this process's for the instant of CreateProcess, which copies the
    // environment into the child; no other thread runs that could start a process meanwhile.
    SetEnvironmentVariableA(
        childPipeVariable,
        std::to_string(static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(writeEnd)))
            .c_str());
    const BOOL created = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE,
                                        CREATE_SUSPENDED, nullptr, nullptr, &startup, &started);
    const DWORD why = GetLastError();
    SetEnvironmentVariableA(childPipeVariable, nullptr);
    CloseHandle(writeEnd);
    if (created == 0) {
        throw platform_error("cannot start a process (" + systemReason(why) + ")");
    }
    system->process = started.hProcess;
    processId = static_cast<int>(started.dwProcessId);
    // Where the system refuses (a job of the parent's own that allows no other), the child runs
    // without one: it is still ended with this object, only not with a parent that was killed.
    AssignProcessToJobObject(system->job, started.hProcess);
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);

    char reached = 0;
    const input_piece first = pipe.read(&reached, 1, std::nullopt);
    if (first.status != input_status::data || reached != reachedBody) {
        const process_ending how = wait();
        throw platform_error("this program, started again to run the plug-in, " + how.words() +
                             " before it reached the plug-in's work");
    }
}

bool child_process::copiesThisProcess() {
    return false;
}

child_process::~child_process() {
    if (!ended) {
        end();
        wait();
    }
}

void child_process::end() {
    if (!ended && system->process != nullptr) {
        TerminateProcess(system->process, endedByThisProcess);
    }
}

process_ending child_process::wait() {
    if (ended) {
        return *ended;
    }
    pipe.close();
    process_ending how;
    DWORD code = 2;
    if (system->process != nullptr) {
        WaitForSingleObject(system->process, INFINITE);
        GetExitCodeProcess(system->process, &code);
    }
    how.died = isExceptionCode(code);
    how.status = static_cast<int>(code);
    ended = how;
    return how;
}

void endThisProcessNow(int status) {
    // Not ExitProcess: the libraries' detach code and the C runtime's exit handlers stay unrun.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(status));
    std::abort(); // not reached
}
