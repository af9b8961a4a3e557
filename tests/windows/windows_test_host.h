// windows_test_host: the host side of the Windows test, the object handed to the panel's factory.
// It is built in the host's own C++ ABI (MSVC's), so the panel reaches its notify through slot 1
// of a two-slot table exactly as it reaches the deployed host.
//
// notify(text, 0): records the command text (a copy; the panel's text is not kept) and answers
// from a fixed table of replies. Replies to "TG", "SD" and "RN" are fresh allocations that the
// panel must hand back with code 5 exactly once; the reply to "PS" is a constant the panel must
// never hand back; every other command gets null.
// notify(reply, 5): takes back one reply still out; anything else (null, a reply that is not
// out, a foreign pointer) is a violation. Any other code is a violation.
//
// The scenario drives the panel and then compares, step by step, the commands received since the
// previous step with the exact texts expected; expectStep prints every difference.
// Everything runs on the one thread of the test host. The host never frees what the panel owns.
#pragma once

#include "zeth_client_callback.h"

class windows_test_host : public zeth_client_callback {
public:
    static constexpr int maxCommands = 256;
    static constexpr int maxOutstanding = 16;

    windows_test_host() = default;
    ~windows_test_host() override;

    void* notify(void* data, int code) override;

    // Compares the commands received since the last step with expected (count texts), prints
    // the outcome under the name step, and starts the next step. True when they are the same and
    // no reply of the step is still out.
    bool expectStep(const char* step, const char* const* expected, int count);

    int violations() const { return violationCount; }
    int handBacks() const { return handBackCount; }
    int commandCount() const { return received; }

private:
    const char* replyFor(const char* command) const;
    void* issue(const char* text);
    void takeBack(void* reply);
    void violation(const char* what, const char* detail);

    char* commands[maxCommands] = {};
    int received = 0;
    int stepStart = 0;
    char* outstanding[maxOutstanding] = {};
    int violationCount = 0;
    int handBackCount = 0;
};
