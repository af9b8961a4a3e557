// Throughput of the two decoders on the texts they meet in service: "SD" replies and the parsed
// parameters of control events and queries.
#include "decodePropertyString.h"
#include "decodeZETHString.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void tokeniseReply(benchmark::State& state, const char* reply) {
    for (auto _ : state) {
        const decodeZETHString decoded(reply, '\'');
        benchmark::DoNotOptimize(decoded.tokens[1]);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(std::char_traits<char>::length(reply)));
}
BENCHMARK_CAPTURE(tokeniseReply, device_number, "12");
BENCHMARK_CAPTURE(tokeniseReply, quoted_words, "12 'R7 SDI Router' 'video level' 64 32");

void tokeniseManyWords(benchmark::State& state) {
    std::string reply;
    for (int i = 0; i < state.range(0); ++i) {
        reply += "word" + std::to_string(i) + ' ';
    }
    tokeniseReply(state, reply.c_str());
}
BENCHMARK(tokeniseManyWords)->Arg(8)->Arg(32)->Arg(256);

void parseProperty(benchmark::State& state, const char* text) {
    for (auto _ : state) {
        const decodePropertyString parsed(text);
        benchmark::DoNotOptimize(parsed.value);
    }
}
BENCHMARK_CAPTURE(parseProperty, list_index, "index=3");
BENCHMARK_CAPTURE(parseProperty, query, "return=all");
BENCHMARK_CAPTURE(parseProperty, dotted, "a.b.c.d.e.f=some value");

} // namespace
