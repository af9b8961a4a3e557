// The few Windows and C runtime functions the Windows test host calls, declared by hand so that it
// builds without any Windows SDK: the names and calling conventions are those of KERNEL32.dll and
// msvcrt.dll, so the program links against any import library of these two DLLs (MinGW-w64's
// libkernel32.a and libmsvcrt.a here, the SDK's kernel32.lib and the CRT with MSVC).
// Nothing here is owned by the caller beyond what each function's own contract says.
#pragma once

#include <stddef.h>

#define ZETH_WINAPI __stdcall
#define ZETH_IMPORT __declspec(dllimport)

struct zeth_exception_record {
    unsigned long code;
    unsigned long flags;
    zeth_exception_record* nested;
    void* address;
    unsigned long parameterCount;
    size_t information[15];
};

struct zeth_exception_pointers {
    zeth_exception_record* record;
    void* context;
};

using zeth_exception_handler = long(ZETH_WINAPI*)(zeth_exception_pointers* exception);

// Values of the Windows API used by the test host.
constexpr unsigned long zethStdOutputHandle = static_cast<unsigned long>(-11);
constexpr unsigned zethSemFailCriticalErrors = 0x0001;
constexpr unsigned zethSemNoGpFaultErrorBox = 0x0002;
constexpr long zethExceptionContinueSearch = 0;
constexpr long zethExceptionExecuteHandler = 1;
constexpr unsigned long zethDebugPrintException = 0x40010006; // OutputDebugStringA's exception

extern "C" {
ZETH_IMPORT void* ZETH_WINAPI LoadLibraryA(const char* fileName);
ZETH_IMPORT void* ZETH_WINAPI GetProcAddress(void* module, const char* name);
ZETH_IMPORT int ZETH_WINAPI FreeLibrary(void* module);
ZETH_IMPORT unsigned long ZETH_WINAPI GetLastError();
ZETH_IMPORT void* ZETH_WINAPI GetStdHandle(unsigned long which);
ZETH_IMPORT int ZETH_WINAPI WriteFile(void* file, const void* data, unsigned long size,
                                      unsigned long* written, void* overlapped);
ZETH_IMPORT void ZETH_WINAPI ExitProcess(unsigned exitCode);
ZETH_IMPORT unsigned ZETH_WINAPI SetErrorMode(unsigned mode);
ZETH_IMPORT zeth_exception_handler ZETH_WINAPI
SetUnhandledExceptionFilter(zeth_exception_handler filter);
ZETH_IMPORT void* ZETH_WINAPI AddVectoredExceptionHandler(unsigned long first,
                                                          zeth_exception_handler handler);

ZETH_IMPORT void* __cdecl malloc(size_t size);
ZETH_IMPORT void __cdecl free(void* block);
ZETH_IMPORT size_t __cdecl strlen(const char* text);
ZETH_IMPORT int __cdecl strcmp(const char* left, const char* right);
ZETH_IMPORT void* __cdecl memcpy(void* target, const void* source, size_t size);
}
