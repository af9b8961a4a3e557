#include "exception_codes.h"

namespace {

struct named_code {
    unsigned long code;
    const char* name;
};

// The exceptions that end a program's process, and the statuses the system ends one with.
constexpr named_code names[] = {
    {0x80000002UL, "datatype misalignment"},
    {0x80000003UL, "breakpoint"},
    {0x80000004UL, "single step"},
    {abortCode, "fatal application exit: abort()"},
    {0xC0000005UL, "access violation"},
    {0xC0000006UL, "in-page error"},
    {0xC0000008UL, "invalid handle"},
    {0xC000001DUL, "illegal instruction"},
    {0xC0000025UL, "noncontinuable exception"},
    {0xC0000026UL, "invalid disposition"},
    {0xC000008CUL, "array bounds exceeded"},
    {0xC000008DUL, "floating-point denormal operand"},
    {0xC000008EUL, "floating-point division by zero"},
    {0xC000008FUL, "floating-point inexact result"},
    {0xC0000090UL, "floating-point invalid operation"},
    {0xC0000091UL, "floating-point overflow"},
    {0xC0000092UL, "floating-point stack check"},
    {0xC0000093UL, "floating-point underflow"},
    {0xC0000094UL, "integer division by zero"},
    {0xC0000095UL, "integer overflow"},
    {0xC0000096UL, "privileged instruction"},
    {0xC00000FDUL, "stack overflow"},
    {0xC0000135UL, "a DLL was not found"},
    {0xC0000139UL, "an entry point was not found"},
    {0xC0000142UL, "a DLL failed to initialise"},
    {0xC000013AUL, "Ctrl-C"},
    {0xC0000374UL, "heap corruption"},
    {0xC0000409UL, "stack buffer overrun or fail-fast exit"},
    {0xC0000417UL, "invalid C runtime parameter"},
    {0xE06D7363UL, "a C++ exception of the MSVC runtime that nothing caught"},
    {endedByThisProcess, "ended by zeth-host"},
};

} // namespace

bool isExceptionCode(unsigned long code) {
    constexpr unsigned long severity = 0xC0000000UL;
    constexpr unsigned long customer = 0x20000000UL;
    return ((code & severity) == severity && (code & customer) == 0) ||
           !exceptionName(code).empty();
}

std::string exceptionName(unsigned long code) {
    for (const named_code& each : names) {
        if (each.code == code) {
            return each.name;
        }
    }
    return {};
}
