// smoke_main: the main() of a benchmark program that takes "--smoke" beside Google Benchmark's
// own options: registerAll registers the benchmarks, short ones for a smoke run (the ci preset's
// brief test), and every option but "--smoke" goes to Google Benchmark.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <vector>

inline int runBenchmarks(int argc, char** argv,
                         const std::function<void(bool smoke)>& registerAll) {
    std::vector<char*> arguments;
    bool smoke = false;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--smoke") == 0) {
            smoke = true;
        } else {
            arguments.push_back(argv[i]);
        }
    }
    registerAll(smoke);
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data())) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
