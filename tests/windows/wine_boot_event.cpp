// The wineboot.exe of the tests' minimal wine prefix: it only says that the prefix is ready.
//
// Each program that wine starts from Linux first looks for the prefix's start-up: it makes the
// named event below and runs wineboot.exe, or, when the event is there already (another program
// is starting at the same moment), waits for it to be set, for minutes. The real wineboot sets up
// a whole prefix (slow, and not wanted here); with none, the first program drops the event unset
// and the second one waits out the whole time. This one sets the event at once.
#include <windows.h>
#include <winternl.h>

extern "C" NTSTATUS NTAPI NtOpenEvent(PHANDLE event, ACCESS_MASK access,
                                      POBJECT_ATTRIBUTES attributes);
extern "C" NTSTATUS NTAPI NtSetEvent(HANDLE event, PLONG previous);

int main() {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, L"\\KernelObjects\\__wineboot_event");
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &name, 0, nullptr, nullptr);
    HANDLE event = nullptr;
    if (NtOpenEvent(&event, EVENT_MODIFY_STATE, &attributes) != 0) {
        return 1;
    }
    NtSetEvent(event, nullptr);
    NtClose(event);
    return 0;
}
