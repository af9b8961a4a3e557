#include "inbound_pipe.h"

#include "platform_error.h"
#include "system_reason.h"

#include <atomic>
#include <string>

inbound_pipe makeInboundPipe() {
    static std::atomic<unsigned long> made{0};
    const std::string name = "\\\\.\\pipe\\zeth-host-" + std::to_string(GetCurrentProcessId()) +
                             "-" + std::to_string(++made) + "-" + std::to_string(GetTickCount64());
    inbound_pipe pipe;
    // One instance only, and the first: a pipe of that name made by anyone else is refused.
    pipe.read = CreateNamedPipeA(
        name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 65536,
        65536, 0, nullptr);
    if (pipe.read == INVALID_HANDLE_VALUE) {
        throw platform_error("cannot make a pipe (" + lastSystemReason() + ")");
    }
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    pipe.write = CreateFileA(name.c_str(), GENERIC_WRITE, 0, &inherited, OPEN_EXISTING, 0, nullptr);
    if (pipe.write == INVALID_HANDLE_VALUE) {
        const DWORD why = GetLastError();
        CloseHandle(pipe.read);
        throw platform_error("cannot make a pipe (" + systemReason(why) + ")");
    }
    return pipe;
}
