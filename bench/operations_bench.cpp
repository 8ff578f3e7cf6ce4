// CPU cost of each operation of each board, the host's services answering at
// once (success; reads answer zero) and DbgPrint keeping nothing, so that the
// figure is the module's own work plus the calls into and out of it. Each
// operation runs in the state the host's default session leaves it in: the
// operations before it in the host's order have run once.
//
//   trel_bench [benchmark flags]   CPU time per operation (Google Benchmark);
//                                  host_calls: service calls per operation
//   trel_bench --tsv [flags]       the same as rows: board, operation, case,
//                                  CPU ns, service calls
//   trel_bench --callgrind         under valgrind --tool=callgrind
//                                  --collect-atstart=no: one call of each
//                                  operation collected and dumped, named
//                                  "board|operation|case" (instruction counts)
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define TREL_HAVE_CALLGRIND 1
#endif

#include "operations.h"
#include "sim_host.h"

namespace {

using namespace trel;
using namespace trel::host;

unsigned long g_calls = 0;

u32 Write(void*, u8, u32, u16, u8, u32) {
    ++g_calls;
    return 0;
}
u32 Read(void*, u8, u32, u16, u8* value, u32) {
    ++g_calls;
    if (value != nullptr) *value = 0;
    return 0;
}
u32 WriteBuffer(void*, u8, u32, u16, u32, const u8*, u32) {
    ++g_calls;
    return 0;
}
u32 WriteSubaddress(void*, u32, const u8*, u32, const u8*, u32) {
    ++g_calls;
    return 0;
}
u32 ReadSubaddress(void*, u32, const u8*, u32 length, u8* data, u32) {
    ++g_calls;
    if (data != nullptr) std::memset(data, 0, length);
    return 0;
}
u32 Serial(void*, u32, u8, u32, u16, u32, u16, u32) {
    ++g_calls;
    return 0;
}
u32 Control(void*, u32, u32*, u32*, u32) {
    ++g_calls;
    return 0;
}
u32 Encoder(void*, u16, u8) {
    ++g_calls;
    return 0;
}
u32 Parameter(const char*, u32) {
    ++g_calls;
    return 0;
}

constexpr HostServices kInstant = {Write,   Read,    WriteBuffer, nullptr, WriteSubaddress, ReadSubaddress, Serial,
                                   nullptr, Control, nullptr,     Encoder, nullptr,         Parameter};

SimHost& Host() {
    static SimHost* host = [] {
        auto* h = new SimHost();
        h->RegisterTable(&kInstant);
        Kernel::Get().DiscardTraces(true);
        return h;
    }();
    return *host;
}

struct Case {
    size_t board;
    size_t operation;  // index into Operations()
};
std::vector<Case> g_cases;

bool IsOpen(size_t o) { return o == 0; }
bool IsClose(size_t o) { return o + 1 == Operations().size(); }

// The session up to the operation: every present operation before it, once.
void RunPrefix(OperationState& state, size_t operation) {
    for (size_t o = 0; o < operation; ++o) {
        if (Operations()[o].present(*state.board)) RunOperation(Operations()[o], state);
    }
}

// OpenBoard and CloseBoard are timed in batches of kBatch boards, the timer
// paused for the other one of the pair once per batch; the "batch" counter
// says how many calls one iteration holds.
constexpr size_t kBatch = 64;

void BenchOpenClose(benchmark::State& bench, Case c) {
    SimHost& host = Host();
    const Operation& open = Operations().front();
    const Operation& close = Operations().back();
    std::vector<OperationState> states(kBatch);
    for (OperationState& state : states) {
        state.board = &host.Board(c.board);
        state.device = host.Device();
    }
    // Service calls of one open and of one close.
    unsigned long mark = g_calls;
    RunOperation(open, states[0]);
    const unsigned long openCalls = g_calls - mark;
    mark = g_calls;
    RunOperation(close, states[0]);
    const unsigned long calls = IsOpen(c.operation) ? openCalls : g_calls - mark;
    for (auto _ : bench) {
        if (IsClose(c.operation)) {
            bench.PauseTiming();
            for (OperationState& state : states) RunOperation(open, state);
            bench.ResumeTiming();
            for (OperationState& state : states) RunOperation(close, state);
        } else {
            for (OperationState& state : states) RunOperation(open, state);
            bench.PauseTiming();
            for (OperationState& state : states) RunOperation(close, state);
            bench.ResumeTiming();
        }
        benchmark::ClobberMemory();
    }
    bench.counters["host_calls"] = static_cast<double>(calls);
    bench.counters["batch"] = static_cast<double>(kBatch);
}

void Bench(benchmark::State& bench, Case c) {
    if (IsOpen(c.operation) || IsClose(c.operation)) return BenchOpenClose(bench, c);
    SimHost& host = Host();
    const Operation& operation = Operations()[c.operation];
    OperationState state;
    state.board = &host.Board(c.board);
    state.device = host.Device();
    RunPrefix(state, c.operation);
    // Service calls of one call, counted before timing.
    const unsigned long before = g_calls;
    RunOperation(operation, state);
    const unsigned long calls = g_calls - before;
    for (auto _ : bench) {
        RunOperation(operation, state);
        benchmark::ClobberMemory();
    }
    RunOperation(Operations().back(), state);  // every case ends closed
    bench.counters["host_calls"] = static_cast<double>(calls);
}

std::string CaseName(const Case& c, char separator) {
    const Operation& o = Operations()[c.operation];
    std::string name = BoardNames()[c.board] + separator + o.name;
    if (o.variant[0] != '\0') name += separator + std::string(o.variant);
    return name;
}

void CollectCases() {
    SimHost& host = Host();
    for (size_t b = 0; b < BoardNames().size(); ++b) {
        for (size_t o = 0; o < Operations().size(); ++o) {
            if (Operations()[o].present(host.Board(b))) g_cases.push_back({b, o});
        }
    }
}

// Rows for the cost report.
class TsvReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override {
        std::printf("board\toperation\tvariant\tcpu_ns\tcalls\n");
        return true;
    }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const std::string name = run.benchmark_name();
            for (const Case& c : g_cases) {
                if (CaseName(c, '/') != name) continue;
                const Operation& o = Operations()[c.operation];
                const auto calls = run.counters.find("host_calls");
                const auto batch = run.counters.find("batch");
                const double perIteration =
                    run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) * 1e9;
                std::printf("%s\t%s\t%s\t%.1f\t%.0f\n", BoardNames()[c.board].c_str(), o.name, o.variant,
                            perIteration / (batch != run.counters.end() ? batch->second.value : 1.0),
                            calls != run.counters.end() ? calls->second.value : 0.0);
                break;
            }
        }
    }
};

int RunCallgrind() {
#ifdef TREL_HAVE_CALLGRIND
    if (!RUNNING_ON_VALGRIND) {
        std::fprintf(stderr, "trel_bench --callgrind: run under valgrind --tool=callgrind --collect-atstart=no\n");
        return 2;
    }
    SimHost& host = Host();
    for (const Case& c : g_cases) {
        const Operation& operation = Operations()[c.operation];
        OperationState state;
        state.board = &host.Board(c.board);
        state.device = host.Device();
        RunPrefix(state, c.operation);
        if (operation.prepare != nullptr) operation.prepare(state);
        CALLGRIND_ZERO_STATS;
        CALLGRIND_TOGGLE_COLLECT;
        operation.call(state);
        CALLGRIND_TOGGLE_COLLECT;
        const std::string name = CaseName(c, '|');
        CALLGRIND_DUMP_STATS_AT(name.c_str());
        if (operation.finish != nullptr) operation.finish(state);
        if (!IsClose(c.operation)) RunOperation(Operations().back(), state);
    }
    return 0;
#else
    std::fprintf(stderr, "trel_bench: built without valgrind/callgrind.h\n");
    return 2;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    bool tsv = false;
    bool callgrind = false;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        if (std::strcmp(argv[i], "--tsv") == 0) {
            tsv = true;
        } else if (std::strcmp(argv[i], "--callgrind") == 0) {
            callgrind = true;
        } else {
            args.push_back(argv[i]);
        }
    }
    CollectCases();
    if (callgrind) return RunCallgrind();
    for (const Case& c : g_cases) {
        benchmark::RegisterBenchmark(CaseName(c, '/').c_str(), [c](benchmark::State& s) { Bench(s, c); });
    }
    int count = static_cast<int>(args.size());
    benchmark::Initialize(&count, args.data());
    if (tsv) {
        TsvReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}
