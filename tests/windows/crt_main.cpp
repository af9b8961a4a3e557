// The entry of the Windows test host when it is built with a C runtime (MSVC): the runtime's
// start-up code calls main. The SDK-less build uses no_crt_runtime.cpp instead.
#include "windows_host_run.h"

int main() {
    return runWindowsHost();
}
