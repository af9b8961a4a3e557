// The panel's work per host message, through notify as the host calls it: revertives (which a
// busy facility sends in bursts), timer ticks, and a whole operator cycle of select, Take, Undo.
#include "R7_DESK.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace {

// Answers the start-up questions like a small facility and ignores everything else.
class facility_host : public zeth_client_callback {
public:
    void* notify(void* data, int code) override {
        if (code != 0) {
            return nullptr;
        }
        const char* command = static_cast<const char*>(data);
        if (std::strncmp(command, "SD 'R7 SDI Router'", 18) == 0) {
            return copy("20");
        }
        if (std::strncmp(command, "SD 'R7 Audio Router'", 20) == 0) {
            return copy("21");
        }
        if (std::strncmp(command, "SD ", 3) == 0) {
            return copy("15");
        }
        if (std::strncmp(command, "TG ", 3) == 0) {
            const bool video = std::strstr(command, "'video_id'") != nullptr;
            const int button = command[13] - '0';
            return copy((video ? "video_id=" : "audio_id=") + std::to_string(100 + button));
        }
        if (std::strncmp(command, "RN ", 3) == 0) {
            return copy("12,7");
        }
        return nullptr;
    }

private:
    static void* copy(const std::string& text) {
        char* reply = new char[text.size() + 1];
        std::memcpy(reply, text.c_str(), text.size() + 1);
        return reply;
    }
};

// Frees the replies that the panel hands back with code 5.
class hand_back_host : public facility_host {
public:
    void* notify(void* data, int code) override {
        if (code == 5) {
            delete[] static_cast<char*>(data);
            return nullptr;
        }
        return facility_host::notify(data, code);
    }
};

void revertive(benchmark::State& state) {
    hand_back_host host;
    R7_DESK panel(&host, "");
    zeth_revertive_record record{20, 0, 104, 0};
    for (auto _ : state) {
        ++record.source;
        panel.notify(&record, 1);
    }
    benchmark::DoNotOptimize(panel.state().videoTally[4]);
}
BENCHMARK(revertive);

void timerTick(benchmark::State& state) {
    hand_back_host host;
    R7_DESK panel(&host, "");
    for (auto _ : state) {
        panel.notify(reinterpret_cast<void*>(std::intptr_t{1}), 4);
    }
}
BENCHMARK(timerTick);

void operatorCycle(benchmark::State& state) {
    hand_back_host host;
    R7_DESK panel(&host, "");
    const decodePropertyString listIndex("index=5");
    const decodePropertyString click("");
    zeth_event_record selectPackage{nullptr, nullptr, "1", "Sources", &listIndex};
    zeth_event_record selectButton{nullptr, nullptr, "1", "Dest_3", &click};
    zeth_event_record takeClick{nullptr, nullptr, "1", "Take", &click};
    zeth_event_record undoClick{nullptr, nullptr, "1", "Undo", &click};
    for (auto _ : state) {
        panel.notify(&selectPackage, 2);
        panel.notify(&selectButton, 2);
        panel.notify(&takeClick, 2);
        panel.notify(&undoClick, 2);
    }
}
BENCHMARK(operatorCycle);

void startUpAndShutDown(benchmark::State& state) {
    hand_back_host host;
    for (auto _ : state) {
        R7_DESK panel(&host, "D:/layouts");
        benchmark::DoNotOptimize(panel.state().audioDest[4]);
    }
}
BENCHMARK(startUpAndShutDown);

} // namespace
