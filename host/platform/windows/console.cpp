// The Windows part of console. Ctrl-C, Ctrl-Break and the console's closing reach every process
// attached to the console, the child among them: passing them on is the system's own doing here,
// and passInterruptsTo has nothing left to do.
#include "console.h"

#include <windows.h>

#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

std::atomic<std::atomic<bool>*> flag{nullptr};

BOOL WINAPI onInterrupt(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    if (std::atomic<bool>* requested = flag.load()) {
        *requested = true;
    }
    return TRUE;
}

} // namespace

bool standardInputIsTerminal() {
    DWORD mode = 0;
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    return GetFileType(input) == FILE_TYPE_CHAR && GetConsoleMode(input, &mode) != 0;
}

void catchInterrupts(std::atomic<bool>& requested) {
    flag = &requested;
    SetConsoleCtrlHandler(onInterrupt, TRUE);
}

void passInterruptsTo(int /*childId*/) {}

void writeStandardStreamsVerbatim() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}
