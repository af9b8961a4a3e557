#include "windows_test_host.h"

#include "console.h"
#include "win32_imports.h"

namespace {

struct reply_rule {
    const char* command;
    const char* reply;
};

// The facility the panel meets: four devices, four buttons with video destinations 101 to 104
// and audio destinations 201 to 203; Dest_4 answers its audio read with another property, so the
// panel's mismatch message goes to the debug output and that destination stays 0. Package 5 of
// the crosspoint database routes video source 12 and audio source 7.
constexpr reply_rule replies[] = {
    {"SD 'R7 Package Names'", "11"},
    {"SD 'R7 Package XPTS'", "15"},
    {"SD 'R7 SDI Router'", "20"},
    {"SD 'R7 Audio Router'", "21"},
    {"TG '1' 'Dest_1' 'video_id'", "video_id=101"},
    {"TG '1' 'Dest_1' 'audio_id'", "audio_id=201"},
    {"TG '1' 'Dest_2' 'video_id'", "video_id=102"},
    {"TG '1' 'Dest_2' 'audio_id'", "audio_id=202"},
    {"TG '1' 'Dest_3' 'video_id'", "video_id=103"},
    {"TG '1' 'Dest_3' 'audio_id'", "audio_id=203"},
    {"TG '1' 'Dest_4' 'video_id'", "video_id=104"},
    {"TG '1' 'Dest_4' 'audio_id'", "video_id=7"},
    {"RN 15 0 5", "12,7"},
};

// The reply to "PS" stays the host's: a constant that a wrong hand-back cannot free.
const char layoutShown[] = "shown";

bool returnable(const char* command) {
    return (command[0] == 'T' && command[1] == 'G') || (command[0] == 'S' && command[1] == 'D') ||
           (command[0] == 'R' && command[1] == 'N');
}

char* copyOf(const char* text) {
    const size_t size = strlen(text) + 1;
    char* copy = static_cast<char*>(malloc(size));
    if (copy != nullptr) {
        memcpy(copy, text, size);
    }
    return copy;
}

} // namespace

windows_test_host::~windows_test_host() {
    for (int i = 0; i < received; ++i) {
        free(commands[i]);
    }
    for (char* reply : outstanding) {
        free(reply);
    }
}

void* windows_test_host::notify(void* data, int code) {
    if (code == 5) {
        takeBack(data);
        return nullptr;
    }
    if (code != 0) {
        violation("a message code the host does not take:", "");
        return nullptr;
    }
    if (data == nullptr) {
        violation("a null command text", "");
        return nullptr;
    }
    const char* text = static_cast<const char*>(data);
    if (received == maxCommands) {
        violation("too many commands; dropped", text);
        return nullptr;
    }
    commands[received++] = copyOf(text);
    if (text[0] == 'P' && text[1] == 'S') {
        return const_cast<char*>(layoutShown);
    }
    const char* reply = replyFor(text);
    if (reply == nullptr) {
        return nullptr;
    }
    if (!returnable(text)) {
        return const_cast<char*>(reply);
    }
    return issue(reply);
}

const char* windows_test_host::replyFor(const char* command) const {
    for (const reply_rule& rule : replies) {
        if (strcmp(rule.command, command) == 0) {
            return rule.reply;
        }
    }
    return nullptr;
}

void* windows_test_host::issue(const char* text) {
    for (char*& slot : outstanding) {
        if (slot == nullptr) {
            slot = copyOf(text);
            return slot;
        }
    }
    violation("too many replies out at once; answered null", text);
    return nullptr;
}

void windows_test_host::takeBack(void* reply) {
    if (reply == nullptr) {
        violation("a null hand-back, though no reply was null", "");
        return;
    }
    for (char*& slot : outstanding) {
        if (slot == reply) {
            // Overwritten before it is freed: a panel that still reads it reads no command text.
            slot[0] = '#';
            free(slot);
            slot = nullptr;
            ++handBackCount;
            return;
        }
    }
    violation("a hand-back of a text that is not an outstanding reply", "");
}

void windows_test_host::violation(const char* what, const char* detail) {
    ++violationCount;
    writeText("  VIOLATION: ");
    writeText(what);
    writeText(" ");
    writeLine(detail);
}

bool windows_test_host::expectStep(const char* step, const char* const* expected, int count) {
    bool same = received - stepStart == count;
    for (int i = 0; same && i < count; ++i) {
        same =
            commands[stepStart + i] != nullptr && strcmp(commands[stepStart + i], expected[i]) == 0;
    }
    int stillOut = 0;
    for (const char* slot : outstanding) {
        stillOut += slot != nullptr ? 1 : 0;
    }
    writeText(same && stillOut == 0 ? "ok   " : "FAIL ");
    writeText(step);
    writeText(": ");
    writeDecimal(received - stepStart);
    writeLine(" commands");
    if (!same) {
        writeLine("  expected:");
        for (int i = 0; i < count; ++i) {
            writeText("    ");
            writeLine(expected[i]);
        }
        writeLine("  received:");
        for (int i = stepStart; i < received; ++i) {
            writeText("    ");
            writeLine(commands[i] != nullptr ? commands[i] : "(lost)");
        }
    }
    if (stillOut != 0) {
        writeText("  replies not handed back: ");
        writeDecimal(stillOut);
        writeLine("");
    }
    stepStart = received;
    return same && stillOut == 0;
}
