// A panel plug-in built only for the host's tests: it does what its controls' names say, and
// breaks the host contract on request, so that every check of zeth-host can be caught in the act.
//
// Start-up: the panel path is "DIRECTORY#MODE", or a mode alone (the directory is then
// "<built-in>"), or a directory alone. The panel shows "DIRECTORY/test.zeth_ui". Modes:
//   null-object, throw-on-create      the factory returns null, or throws
//   crash-in-factory, crash-in-destructor   a write to an unmapped address there
//   no-closing-notice                 deletion sends nothing
//   command-after-closing             deletion sends "AS", then one more command
//   timer-storm                       starts timer 1 every 1 ms, and one more timer on each tick
//   reroute-storm                     listens to "R7 SDI Router" 101 and routes it again on every
//                                     revertive, so that revertives never stop
//   fast-timer                        starts timer 1 every 1 ms, and leaves it running
//   second-layout                     shows a second layout, "/dev/zero", as panel '2'
//
// A click on a control whose name is a command sends that command, and hands back the reply of
// "TG", "SD" and "RN" as a panel must. Controls named "fault:..." break one rule each (see
// misbehave), or end the process the way an unfinished plug-in does (crash, stack-overflow,
// abort, exit, _exit, on Windows ExitProcess, loop, sleep; last-words writes two lines of debug
// output, the second without its line end, before it crashes), or keep the host waiting for 30 ms
// (slow). A query is answered with "answer:" and the query text, except "calling-threads": its
// answer is "calling-threads:N", how many threads have entered the plug-in (its factory, notify,
// destructor) since the first of the panels now alive was created.
// Revertives and ticks are only counted: the host's transcript shows them. A call that arrives
// while the panel is still inside a call from the host sends "XX re-entered", which the host
// reports.
//
// The same source, built with ZETH_SCRIPTED_BUILD defined, is a later build of this plug-in, for
// the tests that swap a rebuilt plug-in in while serve runs: "changed" behaves visibly
// differently (a click on a command control then also disables Take), "crashing" crashes on such
// a click, "hanging" never returns from one, "null-factory" gives no panel.
#include "plugin_object.h"
#include "zeth_records.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

#if defined(ZETH_SCRIPTED_BUILD)
const std::string build = ZETH_SCRIPTED_BUILD;
#else
const std::string build;
#endif

// A write to an address in the never-mapped first page, which the compiler cannot see through:
// a real crash, as from a stray pointer (not null, which UBSan would catch and report first).
void crash() {
    static volatile std::intptr_t nowhere = 16;
    *reinterpret_cast<volatile char*>(nowhere) = 1;
}

// Recursion that only the stack's end stops (the bottom is never reached), kept from being turned
// into a loop by the frame it uses.
int overflowStack(int depth) {
    static volatile int bottom = -1;
    if (depth == bottom) {
        return 0;
    }
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return overflowStack(depth + 1) + frame[0];
}

// Every thread that entered the plug-in, for the host's one-thread rule. Guarded: a host that
// breaks the rule calls from several threads at once.
std::mutex callersGuard;
std::set<std::thread::id> callers;
int panelsAlive = 0;

std::size_t noteCaller() {
    std::lock_guard<std::mutex> lock(callersGuard);
    callers.insert(std::this_thread::get_id());
    return callers.size();
}

// Debug output where the system puts a plug-in's: the debugger's channel on Windows, standard
// error elsewhere.
void writeDebug(const char* text) {
#if defined(_WIN32)
    OutputDebugStringA(text);
#else
    std::fputs(text, stderr);
#endif
}

class scripted_panel : public plugin_object {
public:
    scripted_panel(zeth_client_callback* hostObject, std::string panelMode,
                   const std::string& directory)
        : host(hostObject), mode(std::move(panelMode)) {
        if (mode == "throw-on-create") {
            throw std::runtime_error("the scripted panel refuses to start");
        }
        if (mode == "crash-in-factory") {
            crash();
        }
        {
            std::lock_guard<std::mutex> lock(callersGuard);
            ++panelsAlive;
        }
        send("PS '1' '" + directory + "/test.zeth_ui'");
        if (mode == "timer-storm" || mode == "fast-timer") {
            send("ET 1 1");
        } else if (mode == "second-layout") {
            send("PS '2' '/dev/zero'");
        } else if (mode == "reroute-storm") {
            send("RR 20 101 101");
        }
    }

    ~scripted_panel() override {
        noteCaller();
        {
            std::lock_guard<std::mutex> lock(callersGuard);
            --panelsAlive;
        }
        if (mode == "crash-in-destructor") {
            crash();
        }
        if (mode == "no-closing-notice") {
            return;
        }
        send("AS");
        if (mode == "command-after-closing") {
            send("CD '1' 'Take'");
        }
    }

    void* ZETH_THISCALL notify(void* data, int code) override {
        const std::size_t threads = noteCaller();
        if (depth > 0) {
            send("XX re-entered");
            return nullptr;
        }
        ++depth;
        void* result = nullptr;
        try {
            result = dispatch(data, code, threads);
        } catch (...) {
            --depth;
            throw;
        }
        --depth;
        return result;
    }

private:
    void* dispatch(void* data, int code, std::size_t threads) {
        switch (code) {
        case 2: {
            const auto* event = static_cast<const zeth_event_record*>(data);
            click(event->control);
            return nullptr;
        }
        case 3: {
            const std::string query = static_cast<const char*>(data);
            const std::string answer = query == "calling-threads"
                                           ? query + ":" + std::to_string(threads)
                                           : "answer:" + query;
            char* copy = new char[answer.size() + 1];
            std::memcpy(copy, answer.c_str(), answer.size() + 1);
            return copy;
        }
        case 5:
            delete[] static_cast<char*>(data);
            return nullptr;
        case 1:
            if (mode == "reroute-storm") {
                const auto* revertive = static_cast<const zeth_revertive_record*>(data);
                send("RC 20 " + std::to_string(revertive->source % 32 + 1) + " 101 ',' 0");
            }
            return nullptr;
        case 4:
            if (mode == "timer-storm") {
                send("ET " + std::to_string(++timers + 1) + " 1");
            }
            return nullptr;
        default:
            return nullptr;
        }
    }

    void* send(const std::string& command) {
        return host->notify(const_cast<char*>(command.c_str()), 0);
    }

    void click(const std::string& control) {
        if (control.rfind("fault:", 0) == 0) {
            misbehave(control.substr(6));
            return;
        }
        if (build == "crashing") {
            crash();
        } else if (build == "hanging") {
            misbehave("sleep");
        }
        void* reply = send(control);
        const std::string name = control.substr(0, 2);
        if (name == "RN" || (reply != nullptr && (name == "TG" || name == "SD"))) {
            host->notify(reply, 5);
        }
        if (build == "changed") {
            send("CD '1' 'Take'");
        }
    }

    void misbehave(const std::string& fault) {
        if (fault == "keep-reply") {
            send("SD 'R7 SDI Router'");
        } else if (fault == "double-hand-back") {
            void* reply = send("SD 'R7 SDI Router'");
            host->notify(reply, 5);
            host->notify(reply, 5);
        } else if (fault == "foreign-hand-back") {
            // Heap memory of the plug-in's own, which the host never handed out. (A static array
            // here lets GCC, guessing that host is this very class, warn of a delete[] on it.)
            foreignText = std::make_unique<char[]>(sizeof "not the host's");
            std::memcpy(foreignText.get(), "not the host's", sizeof "not the host's");
            host->notify(foreignText.get(), 5);
        } else if (fault == "kept-reply-handed-back") {
            host->notify(send("PS '1' '<built-in>/test.zeth_ui'"), 5);
        } else if (fault == "unmatched-null-hand-back") {
            host->notify(nullptr, 5);
        } else if (fault == "unknown-message-code") {
            host->notify(const_cast<char*>("CD '1' 'Take'"), 9);
        } else if (fault == "null-command") {
            host->notify(nullptr, 0);
        } else if (fault == "throw") {
            throw std::runtime_error("the scripted panel throws on purpose");
        } else if (fault == "keep-null-rn") {
            send("RN 11 0 99");
        } else if (fault == "crash") {
            crash();
        } else if (fault == "last-words") {
            writeDebug("the last words\n");
            writeDebug("unfinished");
            crash();
        } else if (fault == "stack-overflow") {
            overflowStack(0);
        } else if (fault == "abort") {
            std::abort();
        } else if (fault == "exit") {
            std::exit(0);
        } else if (fault == "_exit") {
            _exit(0);
#if defined(_WIN32)
        } else if (fault == "ExitProcess") {
            ExitProcess(0);
#endif
        } else if (fault == "loop") {
            for (volatile bool forever = true; forever;) {
            }
        } else if (fault == "slow") {
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        } else if (fault == "sleep") {
            std::this_thread::sleep_for(std::chrono::hours(1));
        }
    }

    zeth_client_callback* host;
    std::string mode;
    std::unique_ptr<char[]> foreignText;
    int depth = 0;
    int timers = 0;
};

} // namespace

extern "C" TEST_PLUGIN_EXPORT zeth_client_callback*
load_zeth_client_script(zeth_client_callback* host, const char* panelPath) {
    {
        std::lock_guard<std::mutex> lock(callersGuard);
        if (panelsAlive == 0) {
            callers.clear();
        }
    }
    noteCaller();
    const std::string path = panelPath != nullptr ? panelPath : "";
    const std::size_t mark = path.find('#');
    std::string directory = "<built-in>";
    std::string mode;
    if (mark != std::string::npos) {
        directory = path.substr(0, mark);
        mode = path.substr(mark + 1);
    } else if (path.rfind("<built-in>", 0) == 0 || path.find('/') != std::string::npos) {
        directory = path;
    } else {
        mode = path;
    }
    // Without a host the panel could not say a word: null, as every panel should answer.
    if (mode == "null-object" || build == "null-factory" || host == nullptr) {
        return nullptr;
    }
    return new scripted_panel(host, mode, directory);
}
