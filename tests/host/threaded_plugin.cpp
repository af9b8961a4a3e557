// A panel plug-in built only for the host's tests: it calls the host from threads of its own, so
// that the host's thread check can be caught in the act (and run under ThreadSanitizer).
//
// It shows "DIRECTORY/test.zeth_ui" like the scripted plug-in, its panel path being
// "DIRECTORY#MODE" or a mode alone (DIRECTORY is then "<built-in>"). A click on "hammer", or the
// mode "hammer" at start-up, starts four threads. Each sends rounds of a command that would
// disable Take, a command with a reply, a hand-back of a pointer of its own and a null hand-back:
// the first rounds while the host's call is still running (the call waits for them), the rest
// once the call is about to return, so that they race with the host's work after it. Every
// thread is joined before the next click is handled and before the destructor sends "AS". A click
// on any other control asks for its statesheet ("TG") and hands the reply back.
#include "plugin_object.h"
#include "zeth_records.h"

#include <array>
#include <atomic>
#include <string>
#include <thread>

namespace {

constexpr int threadCount = 4;
constexpr int roundsDuringCall = 25;
constexpr int roundsAfterCall = 25;

class threaded_panel : public plugin_object {
public:
    threaded_panel(zeth_client_callback* hostObject, const std::string& path) : host(hostObject) {
        const std::size_t mark = path.find('#');
        const std::string mode = mark == std::string::npos ? path : path.substr(mark + 1);
        send("PS '1' '" + (mark == std::string::npos ? "<built-in>" : path.substr(0, mark)) +
             "/test.zeth_ui'");
        if (mode == "hammer") {
            hammer();
        }
    }

    ~threaded_panel() override {
        join();
        send("AS");
    }

    void* ZETH_THISCALL notify(void* data, int code) override {
        if (code == 2) {
            join();
            const std::string control = static_cast<const zeth_event_record*>(data)->control;
            if (control == "hammer") {
                hammer();
            } else if (void* reply = send("TG '1' '" + control + "' 'statesheet'")) {
                host->notify(reply, 5);
            }
        }
        return nullptr;
    }

private:
    void* send(const std::string& command) {
        return host->notify(const_cast<char*>(command.c_str()), 0);
    }

    // Starts the threads, waits until each has sent its first rounds, and lets them go on as the
    // call returns.
    void hammer() {
        started.store(0);
        callReturning.store(false);
        for (std::thread& each : threads) {
            each = std::thread([this] { hammering(); });
        }
        while (started.load() < threadCount) {
            std::this_thread::yield();
        }
        callReturning.store(true);
    }

    void hammering() {
        char own[] = "not the host's";
        char take[] = "CD '1' 'Take'";
        char device[] = "SD 'R7 SDI Router'";
        const auto round = [&] {
            host->notify(take, 0);
            host->notify(device, 0);
            host->notify(own, 5);
            host->notify(nullptr, 5);
        };
        for (int i = 0; i < roundsDuringCall; ++i) {
            round();
        }
        started.fetch_add(1);
        while (!callReturning.load()) {
            std::this_thread::yield();
        }
        for (int i = 0; i < roundsAfterCall; ++i) {
            round();
        }
    }

    void join() {
        for (std::thread& each : threads) {
            if (each.joinable()) {
                each.join();
            }
        }
    }

    zeth_client_callback* const host;
    std::array<std::thread, threadCount> threads;
    std::atomic<int> started{0};
    std::atomic<bool> callReturning{false};
};

} // namespace

extern "C" TEST_PLUGIN_EXPORT zeth_client_callback*
load_zeth_client_script(zeth_client_callback* host, const char* panelPath) {
    try {
        return new threaded_panel(host, panelPath != nullptr ? panelPath : "");
    } catch (...) {
        return nullptr;
    }
}
