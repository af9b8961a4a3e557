// The Windows part of child_program. The program is started with CreateProcess, suspended, put in
// a job object of its own and then resumed, so that it and every process it starts can be ended
// together at the deadline, and none outlives this call. It inherits exactly three handles, named
// in the start-up's handle list: the null device as standard input and the write ends of two
// pipes as standard output and error; it gets this process's environment without the variables
// that hand handles down (handed_down.h). Both pipes are read overlapped, on the calling thread,
// with one wait for whichever has data, until both ended or the deadline passed.
#include "child_program.h"

#include "command_line.h"
#include "exception_codes.h"
#include "handed_down.h"
#include "inbound_pipe.h"
#include "output_limit.h"
#include "platform_error.h"
#include "system_reason.h"

#include <windows.h>

#include <algorithm>
#include <vector>

namespace {

// Closes the handles it was given, whatever leaves the scope.
class handles {
public:
    HANDLE keep(HANDLE handle) {
        held.push_back(handle);
        return handle;
    }
    void closeNow(HANDLE handle) {
        held.erase(std::remove(held.begin(), held.end(), handle), held.end());
        CloseHandle(handle);
    }
    ~handles() {
        for (HANDLE handle : held) {
            if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
                CloseHandle(handle);
            }
        }
    }

private:
    std::vector<HANDLE> held;
};

// One of the program's output streams, read with one overlapped read at a time.
struct stream_reading {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE done = nullptr; // the read's event
    OVERLAPPED overlapped{};
    bool pending = false;
    bool open = true;
    std::string* kept = nullptr;
    char buffer[65536];

    stream_reading() = default;
    stream_reading(const stream_reading&) = delete;
    stream_reading& operator=(const stream_reading&) = delete;
    // A read still running is cancelled and waited for: the buffer is not written after this.
    ~stream_reading() {
        if (pending) {
            CancelIoEx(pipe, &overlapped);
            DWORD got = 0;
            GetOverlappedResult(pipe, &overlapped, &got, TRUE);
        }
    }
};

// Starts the next read, unless one is running; a pipe that has ended is closed for reading.
void startRead(stream_reading& stream) {
    if (!stream.open || stream.pending) {
        return;
    }
    stream.overlapped = OVERLAPPED{};
    stream.overlapped.hEvent = stream.done;
    if (ReadFile(stream.pipe, stream.buffer, sizeof stream.buffer, nullptr, &stream.overlapped) !=
            0 ||
        GetLastError() == ERROR_IO_PENDING) {
        stream.pending = true; // its event is set when it completes, at once or later
    } else {
        stream.open = false; // ERROR_BROKEN_PIPE: every writer has gone
    }
}

// Takes the result of a read whose event is set.
void finishRead(stream_reading& stream, const child_program& run, child_outcome& outcome) {
    DWORD got = 0;
    stream.pending = false;
    if (GetOverlappedResult(stream.pipe, &stream.overlapped, &got, FALSE) == 0) {
        stream.open = GetLastError() == ERROR_MORE_DATA;
    }
    keepWithinLimit(*stream.kept, stream.buffer, got, run.outputLimit, outcome.truncated);
}

DWORD millisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() <= 0 ? 0
                             : static_cast<DWORD>(std::min<long long>(left.count(), 0x7FFFFFFF));
}

} // namespace

child_outcome runChildProgram(const child_program& run) {
    if (GetFileAttributesA(run.program.c_str()) == INVALID_FILE_ATTRIBUTES) {
        throw platform_error("cannot start " + run.program + " (" + lastSystemReason() + ")");
    }
    handles owned;
    const inbound_pipe out = makeInboundPipe();
    owned.keep(out.read);
    owned.keep(out.write);
    const inbound_pipe err = makeInboundPipe();
    owned.keep(err.read);
    owned.keep(err.write);
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE nothing =
        owned.keep(CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                               OPEN_EXISTING, 0, nullptr));
    if (nothing == INVALID_HANDLE_VALUE) {
        throw platform_error("cannot open the null device (" + lastSystemReason() + ")");
    }
    const HANDLE job = owned.keep(CreateJobObjectA(nullptr, nullptr));
    if (job == nullptr) {
        throw platform_error("cannot make a job object (" + lastSystemReason() + ")");
    }
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);

    // Only these three are inherited, whatever else this process holds inheritable at the time
    // (another thread's pipes for a program it starts at the same moment, say).
    HANDLE inheritedHandles[3] = {nothing, out.write, err.write};
    SIZE_T listSize = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &listSize);
    std::vector<unsigned char> listBytes(listSize);
    auto* const attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(listBytes.data());
    if (InitializeProcThreadAttributeList(attributes, 1, 0, &listSize) == 0) {
        throw platform_error("cannot start " + run.program + " (" + lastSystemReason() + ")");
    }
    const bool listed =
        UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                  inheritedHandles, sizeof inheritedHandles, nullptr, nullptr) != 0;
    STARTUPINFOEXA startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = nothing;
    startup.StartupInfo.hStdOutput = out.write;
    startup.StartupInfo.hStdError = err.write;
    startup.lpAttributeList = listed ? attributes : nullptr;
    std::string line = commandLine(run.program, run.arguments);
    std::string environment = environmentForAnotherProgram();
    PROCESS_INFORMATION started{};
    const BOOL created =
        CreateProcessA(run.program.c_str(), line.data(), nullptr, nullptr, TRUE,
                       CREATE_SUSPENDED | (listed ? EXTENDED_STARTUPINFO_PRESENT : 0),
                       environment.data(), nullptr, &startup.StartupInfo, &started);
    const DWORD why = GetLastError();
    DeleteProcThreadAttributeList(attributes);
    owned.closeNow(out.write);
    owned.closeNow(err.write);
    owned.closeNow(nothing);
    if (created == 0) {
        throw platform_error("cannot start " + run.program + " (" + systemReason(why) + ")");
    }
    const HANDLE process = owned.keep(started.hProcess);
    // Where the system refuses (a job of this process's own that allows no other), the program
    // runs without one: it is still ended at the deadline, only its own children are not.
    const bool inJob = AssignProcessToJobObject(job, process) != 0;
    ResumeThread(started.hThread);
    CloseHandle(started.hThread);

    child_outcome outcome;
    const auto deadline = std::chrono::steady_clock::now() + run.deadline;
    stream_reading streams[2];
    std::string* kept[2] = {&outcome.output, &outcome.error};
    const HANDLE reads[2] = {out.read, err.read};
    for (int i = 0; i < 2; ++i) {
        streams[i].pipe = reads[i];
        streams[i].kept = kept[i];
        streams[i].done = owned.keep(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        if (streams[i].done == nullptr) {
            streams[i].open = false; // this stream goes unread; the deadline still holds
        }
    }
    while (true) {
        HANDLE waits[2];
        stream_reading* waiting[2];
        DWORD count = 0;
        for (stream_reading& stream : streams) {
            startRead(stream);
            if (stream.pending) {
                waits[count] = stream.done;
                waiting[count++] = &stream;
            }
        }
        if (count == 0) {
            break;
        }
        const DWORD woke = WaitForMultipleObjects(count, waits, FALSE, millisecondsLeft(deadline));
        if (woke >= WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + count) {
            finishRead(*waiting[woke - WAIT_OBJECT_0], run, outcome);
            continue;
        }
        outcome.killed = true; // the deadline, or a wait the system cannot do
        break;
    }
    // A program may close its streams and run on: the deadline holds for its end as well.
    if (!outcome.killed &&
        WaitForSingleObject(process, millisecondsLeft(deadline)) != WAIT_OBJECT_0) {
        outcome.killed = true;
    }
    if (outcome.killed) {
        if (!inJob || TerminateJobObject(job, endedByThisProcess) == 0) {
            TerminateProcess(process, endedByThisProcess);
        }
        WaitForSingleObject(process, INFINITE);
    }
    DWORD code = 2;
    GetExitCodeProcess(process, &code);
    outcome.ending.died = isExceptionCode(code);
    outcome.ending.status = static_cast<int>(code);
    // Whatever the program left running ends with the job, as this call returns.
    return outcome;
}
