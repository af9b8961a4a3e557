// The panel's cost per operation, through the exported factory and notify as the host calls them:
// a timer tick, an operator's pick, pick, Take, start-up (factory to return, then delete), a
// revertive, and a query with its release. Each operation is reported with its time, its heap
// allocations (every allocation of this program is counted) and, where the machine lets a program
// read the CPU's instruction counter, its instructions; bench/instructions.sh counts them under
// callgrind instead.
//
// Side by side, the same command texts go to the same host built by a plain std::ostringstream
// builder ("stream/") and copied whole with memcpy from finished texts ("memcpy/", the limit); the
// run ends with the panel's ratio to each. Before the run, both baselines are checked to send
// exactly the panel's texts.
//
// "--op NAME COUNT" runs one operation COUNT times and nothing else (for instructions.sh);
// "--list" prints the operations' names.
#include "R7_DESK.h"
#include "counting_allocator.h"
#include "load_zeth_client_script.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#if defined(__linux__)
#include <linux/perf_event.h>
#include <sys/ioctl.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// The user-space instructions retired by this thread, where the kernel allows reading them.
class instruction_counter {
public:
    instruction_counter() {
#if defined(__linux__)
        perf_event_attr attributes{};
        attributes.type = PERF_TYPE_HARDWARE;
        attributes.size = sizeof attributes;
        attributes.config = PERF_COUNT_HW_INSTRUCTIONS;
        attributes.exclude_kernel = 1;
        attributes.exclude_hv = 1;
        descriptor = static_cast<int>(syscall(SYS_perf_event_open, &attributes, 0, -1, -1, 0));
#endif
    }
    ~instruction_counter() {
#if defined(__linux__)
        if (descriptor >= 0) {
            close(descriptor);
        }
#endif
    }
    instruction_counter(const instruction_counter&) = delete;
    instruction_counter& operator=(const instruction_counter&) = delete;

    bool available() const {
        return descriptor >= 0;
    }
    long long read() const {
        long long value = 0;
#if defined(__linux__)
        if (descriptor >= 0 && ::read(descriptor, &value, sizeof value) != sizeof value) {
            value = 0;
        }
#endif
        return value;
    }

private:
    int descriptor = -1;
};

instruction_counter& instructions() {
    static instruction_counter counter;
    return counter;
}

// Answers like a small facility from replies it keeps itself, so that the heap figures are the
// panel's alone; hand-backs (code 5) are accepted and ignored. Every command is counted.
class facility_host : public zeth_client_callback {
public:
    void* notify(void* data, int code) override {
        if (code != 0 || data == nullptr) {
            return nullptr;
        }
        ++commands;
        const char* command = static_cast<const char*>(data);
        if (recording) {
            sent.emplace_back(command);
        }
        if (command[0] == 'S' && command[1] == 'D') {
            if (std::strcmp(command, "SD 'R7 SDI Router'") == 0) {
                return reply("20");
            }
            if (std::strcmp(command, "SD 'R7 Audio Router'") == 0) {
                return reply("21");
            }
            return reply("15");
        }
        if (command[0] == 'T' && command[1] == 'G') {
            static const char* const answers[2][5] = {
                {"", "audio_id=101", "audio_id=102", "audio_id=103", "audio_id=104"},
                {"", "video_id=101", "video_id=102", "video_id=103", "video_id=104"}};
            const bool video = std::strstr(command, "'video_id'") != nullptr;
            const int button = command[13] - '0';
            return reply(button >= 1 && button <= 4 ? answers[video ? 1 : 0][button] : "");
        }
        if (command[0] == 'R' && command[1] == 'N') {
            return reply("12,7");
        }
        return nullptr;
    }

    long long commands = 0;
    bool recording = false;
    std::vector<std::string> sent;

private:
    static void* reply(const char* text) { return const_cast<char*>(text); }
};

// The pieces of every command an operation sends, in the panel's order, for the baselines. Each
// builder offers the panel's command operations with the same arguments.
template <typename builder> void startUpCommands(builder& b) {
    b.text("SD '", "R7 Package Names", "'");
    b.text("SD '", "R7 Package XPTS", "'");
    b.text("SD '", "R7 SDI Router", "'");
    b.text("SD '", "R7 Audio Router", "'");
    b.text("PS '1' '", "D:/layouts", "/", "R7_DESK.zeth_ui", "'");
    b.text("CD '", "1", "' '", "Take", "'");
    b.text("CD '", "1", "' '", "Undo", "'");
    for (int n = 1; n <= 4; ++n) {
        b.text("TG '", "1", "' '", "Dest_", n, "' '", "video_id", "'");
        b.text("TG '", "1", "' '", "Dest_", n, "' '", "audio_id", "'");
    }
    for (int router : {20, 21}) {
        for (int n = 1; n <= 4; ++n) {
            b.text("RR ", router, " ", 100 + n, " ", 100 + n, n != 1 ? " 'ADD'" : "");
        }
    }
    for (int router : {20, 21}) {
        for (int n = 1; n <= 4; ++n) {
            b.text("RP ", router, " ", 100 + n, " ", 100 + n);
        }
    }
    b.text("AS");
}

template <typename builder> void tickCommands(builder& b) {
    b.text("TP '", "statesheet", "=", "KX_TakeLow", "' '", "1", "' '", "Take", "'");
}

template <typename builder> void pickPickTakeCommands(builder& b) {
    b.text("CD '", "1", "' '", "Undo", "'");
    b.text("CE '", "1", "' '", "Take", "'");
    b.text("TP '", "statesheet", "=", "KX_TakeHigh", "' '", "1", "' '", "Take", "'");
    b.text("ET ", 1, " ", 1000);
    b.text("ET ", 1);
    b.text("CD '", "1", "' '", "Take", "'");
    b.text("TP '", "statesheet", "=", "KX_TakeHigh", "' '", "1", "' '", "Take", "'");
    b.text("RN ", 15, " ", 0, " ", 5);
    b.text("RC ", 20, " ", 12, " ", 103, " ',", "", "' ", 0);
    b.text("RC ", 21, " ", 7, " ", 103, " ',", "", "' ", 0);
    b.text("TP '", "select=-1", "' '", "1", "' '", "Sources", "'");
    b.text("TP '", "index=-1", "' '", "1", "' '", "Dest_", 3, "'");
    b.text("CE '", "1", "' '", "Undo", "'");
}

// What a user would write instead: each command built in a std::ostringstream and sent, the
// replies handed back as the panel does.
class stream_builder {
public:
    explicit stream_builder(zeth_client_callback& to) : host(to) {}
    template <typename... pieces> void text(const pieces&... all) {
        std::ostringstream command;
        (command << ... << all);
        const std::string finished = command.str();
        void* reply = host.notify(const_cast<char*>(finished.c_str()), 0);
        if (reply != nullptr) {
            host.notify(reply, 5);
        }
    }

private:
    zeth_client_callback& host;
};

// The limit: the finished texts copied whole into a buffer on the stack and sent, the replies
// handed back as the panel does.
void sendCopies(zeth_client_callback& host, const std::vector<std::string>& finished) {
    for (const std::string& text : finished) {
        char command[256];
        std::memcpy(command, text.c_str(), text.size() + 1);
        void* reply = host.notify(command, 0);
        if (reply != nullptr) {
            host.notify(reply, 5);
        }
    }
}

// One operation on its own panel: set up once, then run as often as asked.
struct operation {
    std::string name;
    std::function<void(facility_host&, zeth_client_callback*&)> setUp;
    std::function<void(facility_host&, zeth_client_callback*&)> run;
};

const decodePropertyString listIndex("index=5");
const decodePropertyString click("");
zeth_event_record selectPackage{nullptr, nullptr, "1", "Sources", &listIndex};
zeth_event_record selectButton{nullptr, nullptr, "1", "Dest_3", &click};
zeth_event_record takeClick{nullptr, nullptr, "1", "Take", &click};

void startPanel(facility_host& host, zeth_client_callback*& panel) {
    panel = load_zeth_client_script(&host, "D:/layouts");
    if (panel == nullptr) {
        std::fprintf(stderr, "the factory returned null\n");
        std::exit(1);
    }
}

void noSetUp(facility_host&, zeth_client_callback*&) {}

const std::vector<operation>& panelOperations() {
    static const std::vector<operation> all = {
        {"panel/tick", startPanel,
         [](facility_host&, zeth_client_callback*& panel) {
             panel->notify(reinterpret_cast<void*>(std::intptr_t{1}), 4);
         }},
        {"panel/pickPickTake",
         [](facility_host& host, zeth_client_callback*& panel) {
             startPanel(host, panel);
             // One cycle first, so that every measured cycle starts with Undo available.
             panel->notify(&selectPackage, 2);
             panel->notify(&selectButton, 2);
             panel->notify(&takeClick, 2);
         },
         [](facility_host&, zeth_client_callback*& panel) {
             panel->notify(&selectPackage, 2);
             panel->notify(&selectButton, 2);
             panel->notify(&takeClick, 2);
         }},
        {"panel/startUp", noSetUp,
         [](facility_host& host, zeth_client_callback*& panel) {
             panel = load_zeth_client_script(&host, "D:/layouts");
             delete panel;
             panel = nullptr;
         }},
        {"panel/revertive", startPanel,
         [](facility_host&, zeth_client_callback*& panel) {
             static zeth_revertive_record record{20, 0, 104, 0};
             ++record.source;
             panel->notify(&record, 1);
         }},
        {"panel/query", startPanel,
         [](facility_host&, zeth_client_callback*& panel) {
             void* answer = panel->notify(const_cast<char*>("return=all"), 3);
             panel->notify(answer, 5);
         }},
    };
    return all;
}

// The texts the panel sends for one run of an operation, after its set-up.
std::vector<std::string> panelTexts(const operation& op) {
    facility_host host;
    zeth_client_callback* panel = nullptr;
    op.setUp(host, panel);
    host.recording = true;
    op.run(host, panel);
    delete panel;
    return host.sent;
}

// The baselines for the panel's operations that send commands, checked against the panel's texts.
std::vector<operation> baselineOperations() {
    std::vector<operation> all;
    const std::map<std::string, std::function<void(stream_builder&)>> recipes = {
        {"tick", tickCommands<stream_builder>},
        {"pickPickTake", pickPickTakeCommands<stream_builder>},
        {"startUp", startUpCommands<stream_builder>}};
    for (const operation& op : panelOperations()) {
        const std::string name = op.name.substr(op.name.find('/') + 1);
        const auto recipe = recipes.find(name);
        if (recipe == recipes.end()) {
            continue;
        }
        std::vector<std::string> expected = panelTexts(op);
        if (name != "startUp") {
            expected.pop_back(); // the closing notice of panelTexts' own delete
        }
        facility_host check;
        check.recording = true;
        stream_builder builder(check);
        recipe->second(builder);
        if (check.sent != expected) {
            std::fprintf(stderr, "the baseline of %s does not send the panel's texts\n",
                         name.c_str());
            std::exit(1);
        }
        const auto build = recipe->second;
        all.push_back(
            {"stream/" + name, noSetUp, [build](facility_host& host, zeth_client_callback*&) {
                 stream_builder b(host);
                 build(b);
             }});
        all.push_back(
            {"memcpy/" + name, noSetUp, [expected](facility_host& host, zeth_client_callback*&) {
                 sendCopies(host, expected);
             }});
    }
    return all;
}

} // namespace

namespace {

std::vector<operation> allOperations() {
    std::vector<operation> all = panelOperations();
    for (operation& baseline : baselineOperations()) {
        all.push_back(std::move(baseline));
    }
    return all;
}

void measure(benchmark::State& state, const operation& op) {
    facility_host host;
    zeth_client_callback* panel = nullptr;
    op.setUp(host, panel);
    const std::size_t allocationsBefore = counting_allocator::allocations();
    const long long commandsBefore = host.commands;
    const long long instructionsBefore = instructions().read();
    for (auto _ : state) {
        op.run(host, panel);
    }
    const long long instructionsAfter = instructions().read();
    const auto runs = static_cast<double>(state.iterations());
    state.counters["allocs"] =
        static_cast<double>(counting_allocator::allocations() - allocationsBefore) / runs;
    state.counters["commands"] = static_cast<double>(host.commands - commandsBefore) / runs;
    if (instructions().available()) {
        state.counters["instructions"] =
            static_cast<double>(instructionsAfter - instructionsBefore) / runs;
    }
    delete panel;
}

// Keeps each run's time per operation for the ratios printed at the end.
class ratio_reporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            nanoseconds[run.benchmark_name()] = run.GetAdjustedCPUTime();
            const auto counted = run.counters.find("instructions");
            if (counted != run.counters.end()) {
                counts[run.benchmark_name()] = counted->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        std::printf("\n%-14s %14s %14s %14s %14s\n", "operation", "time/stream", "time/memcpy",
                    "instr/stream", "instr/memcpy");
        for (const char* name : {"tick", "pickPickTake", "startUp"}) {
            const std::string key(name);
            std::printf("%-14s %14s %14s %14s %14s\n", name,
                        ratio(nanoseconds, "panel/" + key, "stream/" + key).c_str(),
                        ratio(nanoseconds, "panel/" + key, "memcpy/" + key).c_str(),
                        ratio(counts, "panel/" + key, "stream/" + key).c_str(),
                        ratio(counts, "panel/" + key, "memcpy/" + key).c_str());
        }
        if (counts.empty()) {
            std::printf("(no instruction counter here: bench/instructions.sh counts them)\n");
        }
    }

private:
    static std::string ratio(const std::map<std::string, double>& figures, const std::string& a,
                             const std::string& b) {
        const auto top = figures.find(a);
        const auto bottom = figures.find(b);
        if (top == figures.end() || bottom == figures.end() || bottom->second <= 0) {
            return "-";
        }
        char text[32];
        std::snprintf(text, sizeof text, "%.2fx", top->second / bottom->second);
        return text;
    }

    std::map<std::string, double> nanoseconds;
    std::map<std::string, double> counts;
};

} // namespace

int main(int argc, char** argv) {
    const std::vector<operation> all = allOperations();
    if (argc == 2 && std::strcmp(argv[1], "--list") == 0) {
        for (const operation& op : all) {
            std::printf("%s\n", op.name.c_str());
        }
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "--op") == 0) {
        for (const operation& op : all) {
            if (op.name == argv[2]) {
                facility_host host;
                zeth_client_callback* panel = nullptr;
                op.setUp(host, panel);
                const long count = std::strtol(argv[3], nullptr, 10);
                for (long i = 0; i < count; ++i) {
                    op.run(host, panel);
                }
                delete panel;
                return 0;
            }
        }
        std::fprintf(stderr, "no operation %s\n", argv[2]);
        return 1;
    }
    for (const operation& op : all) {
        benchmark::RegisterBenchmark(op.name.c_str(), measure, op);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    ratio_reporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
