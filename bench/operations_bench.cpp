// CPU cost of each operation of each board, the host's services answering at
// once (success; reads answer zero) and DbgPrint keeping nothing, so that the
// figure is the module's own work plus the calls into and out of it. Each
// operation runs in the state the host's default session leaves it in: the
// operations before it in the host's order have run once.
//
// The module's own share is that time less the time of a shadow operation
// making as many service and DbgPrint calls (see below).
//
//   trel_bench [benchmark flags]   per operation (Google Benchmark counters):
//                                  cpu_ns, module_ns (the module's own),
//                                  host_calls (service calls), prints
//                                  (DbgPrint calls); the benchmark's own time
//                                  column covers a batch and its shadow
//   trel_bench --tsv [flags]       the same as rows: board, operation, case,
//                                  CPU ns, module ns, service calls, DbgPrint
//                                  calls (the median where repetitions are
//                                  asked for)
//   trel_bench --callgrind         under valgrind --tool=callgrind
//                                  --collect-atstart=no: one call of each
//                                  operation collected and dumped, named
//                                  "board|operation|case" (instruction counts)
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define TREL_HAVE_CALLGRIND 1
#endif

#include "frame/kernel.h"
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

// Service and DbgPrint calls made by `run`.
struct CallCount {
    unsigned long services = 0;
    size_t prints = 0;
};
template <typename Run>
CallCount CountCalls(Run&& run) {
    const unsigned long services = g_calls;
    const size_t prints = Kernel::Get().DiscardedCalls();
    run();
    return {g_calls - services, Kernel::Get().DiscardedCalls() - prints};
}

// ---- The host's share
// An operation's time holds the host's work too: the harness around the call
// (with the host's preparation of the arguments and its use of the results)
// and every service and DbgPrint call, quick as they are. Its shadow is the
// same harness round a call with no work of its own that makes as many
// service and DbgPrint calls, by the same paths (the table and the function
// read from memory each time, as the module does). Batches of the operation
// and of its shadow alternate, so that both see the same machine; the
// module's own CPU is the difference.
CallCount g_shadowCalls;
const HostServices* volatile g_table = &kInstant;

void ShadowCall(OperationState& state) {
    const CallCount calls = g_shadowCalls;
    for (unsigned long i = 0; i < calls.services; ++i) {
        const HostServices* table = g_table;
        table->I2cWrite(state.device, 0x40, 1, 0x0A, 0x99, 0);
    }
    for (size_t i = 0; i < calls.prints; ++i) DbgPrint("\n");
}
Operation g_shadowOperation = {"shadow", "", nullptr, nullptr, ShadowCall, nullptr};
Operation* volatile g_shadow = &g_shadowOperation;

bool IsOpen(size_t o) { return o == 0; }
bool IsClose(size_t o) { return o + 1 == Operations().size(); }

// The session up to the operation: every present operation before it, once.
void RunPrefix(OperationState& state, size_t operation) {
    for (size_t o = 0; o < operation; ++o) {
        if (Operations()[o].present(*state.board)) RunOperation(Operations()[o], state);
    }
}

// Calls are timed in batches of kBatch, the clock read around each batch.
// OpenBoard and CloseBoard work on kBatch boards, each batch preceded or
// followed, untimed, by the other one of the pair.
constexpr size_t kBatch = 64;

template <typename Body>
double BatchNs(Body&& body) {
    const auto start = std::chrono::steady_clock::now();
    body();
    benchmark::ClobberMemory();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
}

void Bench(benchmark::State& bench, Case c) {
    SimHost& host = Host();
    const Operation& operation = Operations()[c.operation];
    const Operation& open = Operations().front();
    const Operation& close = Operations().back();
    const bool openClose = IsOpen(c.operation) || IsClose(c.operation);
    std::vector<OperationState> states(openClose ? kBatch : 1);
    for (OperationState& state : states) {
        state.board = &host.Board(c.board);
        state.device = host.Device();
    }
    // Calls of one call, counted before timing.
    CallCount calls;
    if (openClose) {
        const CallCount openCalls = CountCalls([&] { RunOperation(open, states[0]); });
        const CallCount closeCalls = CountCalls([&] { RunOperation(close, states[0]); });
        calls = IsOpen(c.operation) ? openCalls : closeCalls;
    } else {
        RunPrefix(states[0], c.operation);
        calls = CountCalls([&] { RunOperation(operation, states[0]); });
    }
    g_shadowCalls = calls;
    g_shadowOperation.prepare = operation.prepare;
    g_shadowOperation.finish = openClose ? nullptr : operation.finish;
    double operationNs = 0;
    double shadowNs = 0;
    for (auto _ : bench) {
        if (openClose) {
            if (IsClose(c.operation)) {
                for (OperationState& state : states) RunOperation(open, state);
            }
            operationNs += BatchNs([&] {
                for (OperationState& state : states) RunOperation(operation, state);
            });
            if (IsOpen(c.operation)) {
                for (OperationState& state : states) RunOperation(close, state);
            }
        } else {
            operationNs += BatchNs([&] {
                for (size_t i = 0; i < kBatch; ++i) RunOperation(operation, states[0]);
            });
        }
        shadowNs += BatchNs([&] {
            for (size_t i = 0; i < kBatch; ++i) RunOperation(*g_shadow, states[0]);
        });
    }
    if (!openClose) RunOperation(close, states[0]);  // every case ends closed
    const double timedCalls = static_cast<double>(bench.iterations()) * kBatch;
    bench.counters["cpu_ns"] = operationNs / timedCalls;
    bench.counters["module_ns"] = (operationNs - shadowNs) / timedCalls;
    bench.counters["host_calls"] = static_cast<double>(calls.services);
    bench.counters["prints"] = static_cast<double>(calls.prints);
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
        std::printf("board\toperation\tvariant\tcpu_ns\tmodule_ns\tcalls\tprints\n");
        return true;
    }
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // With repetitions, only the median.
            if (run.run_type == Run::RT_Aggregate ? run.aggregate_name != "median" : run.repetitions > 1) continue;
            const std::string name = run.run_name.str();
            for (const Case& c : g_cases) {
                if (CaseName(c, '/') != name) continue;
                const Operation& o = Operations()[c.operation];
                std::printf("%s\t%s\t%s\t%.1f\t%.1f\t%.0f\t%.0f\n", BoardNames()[c.board].c_str(), o.name, o.variant,
                            Counter(run, "cpu_ns"), Counter(run, "module_ns"), Counter(run, "host_calls"),
                            Counter(run, "prints"));
                break;
            }
        }
    }

private:
    static double Counter(const Run& run, const char* name) {
        const auto counter = run.counters.find(name);
        return counter != run.counters.end() ? counter->second.value : 0.0;
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
