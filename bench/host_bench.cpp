// zeth-host's cost per operator cycle over a long run: the real R7_DESK plug-in on the built-in
// facility, the text transcript on, cycle after cycle of select a package, click a destination,
// Take, Undo. The time per cycle must not grow with the run's length: a host that rescans its
// history on every call shows here as a time per cycle that rises from 25,000 to 100,000 cycles.
// Memory is reported as the heap's peak growth during the cycles (every allocation is counted)
// and the process's peak resident size.
//
// hostMessages pushes host messages through the real plug-in, the transcript off (no writer
// attached) and on (the text transcript): rounds of a revertive burst, timer ticks and an operator
// cycle, reported as messages (calls into the panel) per second. One round is counted first with a
// call monitor, which then stays off so that the timed rounds pay nothing for it.
//
// desksStartUp and crosspointHeardByAll show how a facility of 10, 100 and 1,000 desks starts and
// hears one crosspoint change, with the transcript off. stateAfterAnAction (where zeth-host has
// its serve command) compares what a served page is sent after an action at 1,000 desks: the whole
// state document, or the action's change.
//
// "--smoke" runs one short run of each only (the ci preset's brief test); otherwise 25,000,
// 50,000 and 100,000 cycles, one run each, and 20,000 rounds of messages.
#include "builtin_files.h"
#include "call_monitor.h"
#include "counting_allocator.h"
#include "emulator.h"
#include "smoke_main.h"
#if defined(ZETH_HOST_SERVE)
#include "state_changes.h"
#include "state_document.h"
#endif
#include "text_transcript.h"
#include "transcript.h"

#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <atomic>
#include <cstdlib>
#include <limits>
#include <new>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

namespace {

// A stream that formats everything and keeps nothing.
class discarding_buffer : public std::streambuf {
protected:
    int overflow(int c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

// A transcript whose text is written in full, as for a user, and thrown away; with written
// false, nothing is attached and the transcript only keeps its log.
struct discarded_transcript {
    explicit discarded_transcript(bool written = true) {
        if (written) {
            record.attach(text);
        }
    }
    discarding_buffer nowhere;
    std::ostream discard{&nowhere};
    text_transcript text{discard};
    transcript record;
};

void operatorCycles(benchmark::State& state) {
    const auto cycles = static_cast<int>(state.range(0));
    const char* packages[] = {"Camera 1", "Camera 2", "Studio A", "Replay"};
    for (auto _ : state) {
        state.PauseTiming();
        discarded_transcript output;
        transcript& record = output.record;
        emulator_options options;
        // Every cycle falls at the same instant of the clock: no runaway limit on the deliveries.
        options.messageLimit = std::numeric_limits<std::int64_t>::max();
        emulator host(builtinFacility(), builtinLayouts(), options, record);
        host.start(1);
        const std::size_t before = counting_allocator::liveBytes();
        counting_allocator::resetPeak();
        state.ResumeTiming();

        for (int cycle = 0; cycle < cycles; ++cycle) {
            host.selectNamed(1, "Sources", packages[cycle % 4]);
            host.click(1, "Dest_1");
            host.click(1, "Take");
            host.click(1, "Undo");
        }

        state.PauseTiming();
        state.counters["peak_heap_growth"] =
            benchmark::Counter(static_cast<double>(counting_allocator::peakBytes() - before),
                               benchmark::Counter::kDefaults, benchmark::Counter::OneK::kIs1024);
        // The process's peak resident size so far: runs go from short to long, so it is this run's.
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        state.counters["peak_rss"] =
            benchmark::Counter(static_cast<double>(usage.ru_maxrss) * 1024.0,
                               benchmark::Counter::kDefaults, benchmark::Counter::OneK::kIs1024);
        if (host.log().unexpectedViolations() != 0) {
            state.SkipWithError("the panel broke its contract during the run");
        }
        host.finish();
        state.ResumeTiming();
    }
    state.counters["per_cycle"] =
        benchmark::Counter(static_cast<double>(cycles) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Counts the calls into the panels.
class counting_monitor : public call_monitor {
public:
    void callBegins(int, const std::string&) override { ++calls; }
    void callReturned() override {}
    long long calls = 0;
};

// One round: a burst of 16 revertives, an operator's pick and button, three flash ticks, Take and
// Undo (each with the revertives of its crosspoints).
void messageRound(emulator& host, int round) {
    for (int n = 0; n < 16; ++n) {
        host.injectRevertive(20, 101 + n % 4, 1 + (round + n) % 32);
    }
    host.select(1, "Sources", 1 + round % 8);
    host.click(1, "Dest_2");
    host.advance(3000);
    host.click(1, "Take");
    host.click(1, "Undo");
}

void hostMessages(benchmark::State& state) {
    const bool transcriptOn = state.range(0) != 0;
    const auto rounds = static_cast<int>(state.range(1));
    long long perRound = 0;
    {
        counting_monitor counter;
        emulator_options options;
        options.calls = &counter;
        transcript quiet;
        emulator host(builtinFacility(), builtinLayouts(), options, quiet);
        host.start(1);
        messageRound(host, 0);
        const long long before = counter.calls;
        messageRound(host, 1);
        perRound = counter.calls - before;
        host.finish();
    }
    for (auto _ : state) {
        state.PauseTiming();
        discarded_transcript output(transcriptOn);
        transcript& record = output.record;
        emulator host(builtinFacility(), builtinLayouts(), emulator_options{}, record);
        host.start(1);
        state.ResumeTiming();

        for (int round = 0; round < rounds; ++round) {
            messageRound(host, round);
        }

        state.PauseTiming();
        if (host.log().unexpectedViolations() != 0) {
            state.SkipWithError("the panel broke its contract during the run");
        }
        host.finish();
        state.ResumeTiming();
    }
    state.counters["messages"] = static_cast<double>(perRound) * rounds;
    state.counters["messages_per_second"] = benchmark::Counter(
        static_cast<double>(perRound) * rounds * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}

// A large facility, the transcript off: the start-up of range(0) desks, and one crosspoint change
// made behind the desks' back, which every desk (all registered for the destination) must hear.
void desksStartUp(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        transcript quiet;
        emulator host(builtinFacility(), builtinLayouts(), emulator_options{}, quiet);
        state.ResumeTiming();
        host.start(count);
        state.PauseTiming();
        if (host.log().unexpectedViolations() != 0) {
            state.SkipWithError("a panel broke its contract during start-up");
        }
        host.finish();
        state.ResumeTiming();
    }
}

void crosspointHeardByAll(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    transcript quiet;
    emulator_options options;
    // The changes all happen at one instant of the clock: no runaway limit on their deliveries.
    options.messageLimit = std::numeric_limits<std::int64_t>::max();
    emulator host(builtinFacility(), builtinLayouts(), options, quiet);
    host.start(count);
    int source = 1;
    for (auto _ : state) {
        source = source % 32 + 1;
        host.routeBehind(20, 101, source);
    }
    state.counters["deliveries_per_second"] =
        benchmark::Counter(static_cast<double>(count) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    if (host.log().unexpectedViolations() != 0) {
        state.SkipWithError("a panel broke its contract");
    }
    host.finish();
}

#if defined(ZETH_HOST_SERVE)
// What a served page is sent after an action on a large facility: the whole state document
// (range(1) == 0) or the action's change (range(1) == 1), each built and written as one line, at
// range(0) desks; the action itself (a click that lights a Monitor of desk 1) is not timed.
void stateAfterAnAction(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    const bool change = state.range(1) == 1;
    transcript record;
    emulator_options options;
    options.messageLimit = std::numeric_limits<std::int64_t>::max();
    emulator host(builtinFacility(), builtinLayouts(), options, record);
    state_changes changes([&host]() -> const emulator& { return host; });
    record.attach(changes);
    host.start(count);
    changes.take(stateFields(host, true, 1));
    std::size_t bytes = 0;
    int step = 0;
    for (auto _ : state) {
        state.PauseTiming();
        host.click(1, step++ % 2 == 0 ? "Dest_1" : "Dest_2");
        state.ResumeTiming();
        const std::string line = change ? changes.take(stateFields(host, true, 1))->dump()
                                        : stateDocument(host, true, 1).dump();
        bytes = line.size();
        benchmark::DoNotOptimize(line.data());
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    host.finish();
}
#endif

} // namespace

int main(int argc, char** argv) {
    return runBenchmarks(argc, argv, [](bool smoke) {
        auto* registered = benchmark::RegisterBenchmark("operatorCycles", operatorCycles)
                               ->Unit(benchmark::kMillisecond)
                               ->Iterations(1);
        if (smoke) {
            registered->Arg(50);
        } else {
            registered->Arg(25000)->Arg(50000)->Arg(100000);
        }
        auto* messages = benchmark::RegisterBenchmark("hostMessages", hostMessages)
                             ->Unit(benchmark::kMillisecond)
                             ->Iterations(1)
                             ->ArgNames({"transcript", "rounds"});
        const int rounds = smoke ? 20 : 20000;
        messages->Args({0, rounds})->Args({1, rounds});
        auto* startUp = benchmark::RegisterBenchmark("desksStartUp", desksStartUp)
                            ->Unit(benchmark::kMillisecond)
                            ->ArgName("desks");
        auto* heard = benchmark::RegisterBenchmark("crosspointHeardByAll", crosspointHeardByAll)
                          ->Unit(benchmark::kMicrosecond)
                          ->ArgName("desks");
        if (smoke) {
            startUp->Arg(10)->Iterations(1);
            heard->Arg(10)->Iterations(1);
        } else {
            startUp->Arg(10)->Arg(100)->Arg(1000)->Iterations(3);
            heard->Arg(10)->Arg(100)->Arg(1000);
        }
#if defined(ZETH_HOST_SERVE)
        auto* served = benchmark::RegisterBenchmark("stateAfterAnAction", stateAfterAnAction)
                           ->Unit(benchmark::kMicrosecond)
                           ->ArgNames({"desks", "change"});
        if (smoke) {
            served->Args({10, 0})->Args({10, 1})->Iterations(2);
        } else {
            served->Args({1000, 0})->Args({1000, 1});
        }
#endif
    });
}
