// The pieces of a C++ runtime that the Windows test host needs when it is built without any
// Windows SDK or C runtime start-up code (clang for i686-pc-windows-msvc, lld-link /nodefaultlib):
// the entry point, the handler of a call to a pure virtual function and operator delete. A build
// with MSVC and its own runtime uses crt_main.cpp instead of this file.
#include "console.h"
#include "win32_imports.h"
#include "windows_host_run.h"

extern "C" int __cdecl _purecall() {
    writeLine("CRASH: pure virtual function called");
    writeLine("ZETH WINDOWS HOST: FAILED (crash)");
    ExitProcess(4);
    return 0;
}

void operator delete(void* block) noexcept {
    free(block);
}
void operator delete(void* block, size_t /*size*/) noexcept {
    free(block);
}

// The process entry point: no static constructors to run, no arguments to parse.
extern "C" void __cdecl zethHostEntry() {
    ExitProcess(static_cast<unsigned>(runWindowsHost()));
}
