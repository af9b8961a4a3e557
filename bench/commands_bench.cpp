// Cost of building and sending each kind of command to a host that only looks at the text; every
// command is composed in one buffer on the stack (command_text).
#include "quiet_panel.h"
#include "zeth_script_helper.h"

#include <benchmark/benchmark.h>

namespace {

class counting_host : public zeth_client_callback {
public:
    void* notify(void* data, int code) override {
        if (code == 0) {
            benchmark::DoNotOptimize(static_cast<const char*>(data)[0]);
        }
        return nullptr;
    }
};

void registerRevertives(benchmark::State& state) {
    counting_host host;
    quiet_panel panel(&host, "");
    for (auto _ : state) {
        panel.registerRevertives(12, 101, 101, true);
    }
}
BENCHMARK(registerRevertives);

void startTimer(benchmark::State& state) {
    counting_host host;
    quiet_panel panel(&host, "");
    for (auto _ : state) {
        panel.startTimer(1, 1000);
    }
}
BENCHMARK(startTimer);

void textSet(benchmark::State& state) {
    counting_host host;
    quiet_panel panel(&host, "");
    const zeth_string property("statesheet");
    const zeth_string value("KX_TakeHigh");
    const zeth_string panelName("1");
    const zeth_string control("Take");
    for (auto _ : state) {
        panel.textSet(property, value, panelName, control);
    }
}
BENCHMARK(textSet);

void makeCrosspoint(benchmark::State& state) {
    counting_host host;
    quiet_panel panel(&host, "");
    const zeth_string suffix;
    for (auto _ : state) {
        panel.makeCrosspoint(20, 12, 101, suffix, false);
    }
}
BENCHMARK(makeCrosspoint);

} // namespace
