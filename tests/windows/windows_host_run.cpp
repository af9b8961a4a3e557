// The Windows test host: loads R7_DESK.dll from beside itself as the deployed host does, resolves
// the factory by its plain name and holds one panel's whole life with it: the start-up
// conversation, revertives, a package and a destination selection, a tick of the Take flash, a
// Take, an Undo, queries and the destruction. Every command text and every reply hand-back is
// checked; the textGet mismatch message is caught on its way to the debugger.
//
// It prints one line per step and, last, exactly one marker line: "ZETH WINDOWS HOST: PASSED" with
// exit status 0, or "ZETH WINDOWS HOST: FAILED" with a non-zero status. A crash inside the panel
// (the sign of a virtual table that does not match the host's) is caught by the unhandled-exception
// filter, which prints the exception code and exits with status 3.
#include "windows_host_run.h"
#include "console.h"
#include "host_records.h"
#include "win32_imports.h"
#include "windows_test_host.h"

namespace {

using factory_function = zeth_client_callback*(__cdecl*)(zeth_client_callback*, const char*);

constexpr unsigned crashExitCode = 3;

// The debug output the panel wrote, caught from OutputDebugStringA's exception.
char debugText[512];
int debugMessages = 0;

long ZETH_WINAPI catchDebugOutput(zeth_exception_pointers* exception) {
    const zeth_exception_record* record = exception->record;
    if (record->code == zethDebugPrintException && record->parameterCount >= 2) {
        const char* text = reinterpret_cast<const char*>(record->information[1]);
        size_t length = text != nullptr ? strlen(text) : 0;
        if (length >= sizeof debugText) {
            length = sizeof debugText - 1;
        }
        memcpy(debugText, text, length);
        debugText[length] = '\0';
        ++debugMessages;
    }
    return zethExceptionContinueSearch;
}

long ZETH_WINAPI reportCrash(zeth_exception_pointers* exception) {
    writeText("CRASH: unhandled exception ");
    writeHex(exception->record->code);
    writeText(" at ");
    writeHex(static_cast<unsigned long>(reinterpret_cast<size_t>(exception->record->address)));
    writeLine("");
    writeLine("ZETH WINDOWS HOST: FAILED (crash)");
    ExitProcess(crashExitCode);
    return zethExceptionExecuteHandler;
}

const char* const startUp[] = {
    "SD 'R7 Package Names'",
    "SD 'R7 Package XPTS'",
    "SD 'R7 SDI Router'",
    "SD 'R7 Audio Router'",
    "PS '1' 'R7_DESK.zeth_ui'",
    "CD '1' 'Take'",
    "CD '1' 'Undo'",
    "TG '1' 'Dest_1' 'video_id'",
    "TG '1' 'Dest_1' 'audio_id'",
    "TG '1' 'Dest_2' 'video_id'",
    "TG '1' 'Dest_2' 'audio_id'",
    "TG '1' 'Dest_3' 'video_id'",
    "TG '1' 'Dest_3' 'audio_id'",
    "TG '1' 'Dest_4' 'video_id'",
    "TG '1' 'Dest_4' 'audio_id'",
    "RR 20 101 101",
    "RR 20 102 102 'ADD'",
    "RR 20 103 103 'ADD'",
    "RR 20 104 104 'ADD'",
    "RR 21 201 201",
    "RR 21 202 202 'ADD'",
    "RR 21 203 203 'ADD'",
    "RR 21 0 0 'ADD'",
    "RP 20 101 101",
    "RP 20 102 102",
    "RP 20 103 103",
    "RP 20 104 104",
    "RP 21 201 201",
    "RP 21 202 202",
    "RP 21 203 203",
    "RP 21 0 0",
};
const char mismatchMessage[] =
    "textGet: value returned \"video_id\" was not the value requested \"audio_id\" (value returned "
    "was \"video_id=7\" from control \"Dest_4\", on panel \"1\")";
const char* const destinationArmsTake[] = {
    "CE '1' 'Take'",
    "TP 'statesheet=KX_TakeHigh' '1' 'Take'",
    "ET 1 1000",
};
const char* const firstTick[] = {"TP 'statesheet=KX_TakeLow' '1' 'Take'"};
const char* const take[] = {
    "ET 1",
    "CD '1' 'Take'",
    "TP 'statesheet=KX_TakeHigh' '1' 'Take'",
    "RN 15 0 5",
    "RC 20 12 103 ',' 0",
    "RC 21 7 203 ',' 0",
    "TP 'select=-1' '1' 'Sources'",
    "TP 'index=-1' '1' 'Dest_3'",
    "CE '1' 'Undo'",
};
// Undo routes back what the revertives had reported at Dest_3 before the Take.
const char* const undo[] = {
    "CD '1' 'Undo'",
    "RC 20 4 103 ',' 0",
    "RC 21 9 203 ',' 0",
};
const char* const destruction[] = {"AS"};

// A parsed parameter as the host builds it: every unused field at one empty text.
void fillParameter(host_parsed_parameter& parameter, const char* name, const char* value) {
    static const char empty[] = "";
    parameter.name = name;
    for (const char*& part : parameter.parts) {
        part = empty;
    }
    parameter.value = value;
    parameter.partCount = 0;
    parameter.hasValue = 1;
    parameter.filler[0] = parameter.filler[1] = parameter.filler[2] = 0;
    parameter.buffer = nullptr;
}

void* click(zeth_client_callback* panel, const char* control,
            const host_parsed_parameter* parameter) {
    static const int hostWords[2] = {0x4857, 0x4858};
    const host_event_record event = {&hostWords[0], &hostWords[1], "1", control, parameter};
    return panel->notify(const_cast<host_event_record*>(&event), 2);
}

void* revertive(zeth_client_callback* panel, int device, int destination, int source) {
    const host_revertive_record record = {device, 0x5A5A, destination, source};
    return panel->notify(const_cast<host_revertive_record*>(&record), 1);
}

int countFailure(bool ok) {
    return ok ? 0 : 1;
}

int expectNull(const char* what, const void* answer) {
    if (answer == nullptr) {
        return 0;
    }
    writeText("FAIL ");
    writeText(what);
    writeLine(": the panel answered something instead of null");
    return 1;
}

} // namespace

int runWindowsHost() {
    SetErrorMode(zethSemFailCriticalErrors | zethSemNoGpFaultErrorBox);
    SetUnhandledExceptionFilter(reportCrash);
    AddVectoredExceptionHandler(1, catchDebugOutput);

    void* library = LoadLibraryA("R7_DESK.dll");
    if (library == nullptr) {
        writeText("FAIL LoadLibraryA(\"R7_DESK.dll\"), error ");
        writeDecimal(static_cast<long>(GetLastError()));
        writeLine("");
        writeLine("ZETH WINDOWS HOST: FAILED");
        return 1;
    }
    const auto factory =
        reinterpret_cast<factory_function>(GetProcAddress(library, "load_zeth_client_script"));
    if (factory == nullptr) {
        writeLine("FAIL GetProcAddress(\"load_zeth_client_script\")");
        writeLine("ZETH WINDOWS HOST: FAILED");
        return 1;
    }
    writeLine("ok   R7_DESK.dll loaded, load_zeth_client_script resolved");

    int failures = 0;
    windows_test_host host;
    zeth_client_callback* panel = factory(&host, "");
    if (panel == nullptr) {
        writeLine("FAIL the factory returned null");
        writeLine("ZETH WINDOWS HOST: FAILED");
        return 1;
    }
    failures += countFailure(host.expectStep("start-up", startUp, 31));
    const bool messageRight = debugMessages == 1 && strcmp(debugText, mismatchMessage) == 0;
    writeText(messageRight ? "ok   " : "FAIL ");
    writeText("debug output: ");
    writeLine(debugMessages == 0 ? "(none caught)" : debugText);
    failures += countFailure(messageRight);

    // The tally that Undo will route back: video source 4 and audio source 9 at Dest_3.
    failures += expectNull("revertive", revertive(panel, 20, 103, 4));
    failures += expectNull("revertive", revertive(panel, 21, 203, 9));
    failures += countFailure(host.expectStep("revertives", nullptr, 0));

    host_parsed_parameter chosen;
    fillParameter(chosen, "index", "5");
    failures += expectNull("Sources", click(panel, "Sources", &chosen));
    failures += countFailure(host.expectStep("package 5 chosen", nullptr, 0));
    failures += expectNull("Dest_3", click(panel, "Dest_3", nullptr));
    failures += countFailure(host.expectStep("Dest_3 chosen", destinationArmsTake, 3));
    failures += expectNull("tick", panel->notify(reinterpret_cast<void*>(size_t{1}), 4));
    failures += countFailure(host.expectStep("flash tick", firstTick, 1));
    failures += expectNull("Take", click(panel, "Take", nullptr));
    failures += countFailure(host.expectStep("Take", take, 9));
    failures += expectNull("Undo", click(panel, "Undo", nullptr));
    failures += countFailure(host.expectStep("Undo", undo, 3));

    char query[] = "return=all";
    failures += expectNull("query return=all", panel->notify(query, 3));
    char events[] = "_events";
    failures += expectNull("query _events", panel->notify(events, 3));
    failures += expectNull("code 5 with null", panel->notify(nullptr, 5));
    failures += expectNull("code 8", panel->notify(nullptr, 8));
    failures += countFailure(host.expectStep("queries and unknown codes", nullptr, 0));

    // The host's delete: slot 0 of the panel's table with flags 1.
    delete panel;
    failures += countFailure(host.expectStep("destruction", destruction, 1));

    const bool handBacksRight = host.handBacks() == 4 + 8 + 1;
    writeText(handBacksRight ? "ok   " : "FAIL ");
    writeText("hand-backs: ");
    writeDecimal(host.handBacks());
    writeLine(" (4 SD, 8 TG, 1 RN expected)");
    failures += countFailure(handBacksRight);
    failures += host.violations();
    if (FreeLibrary(library) == 0) {
        writeLine("FAIL FreeLibrary");
        ++failures;
    }

    writeText("commands received: ");
    writeDecimal(host.commandCount());
    writeLine("");
    if (failures != 0) {
        writeText("ZETH WINDOWS HOST: FAILED (");
        writeDecimal(failures);
        writeLine(" problems)");
        return 1;
    }
    writeLine("ZETH WINDOWS HOST: PASSED");
    return 0;
}
