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
#include <memory>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define TREL_HAVE_CALLGRIND 1
#endif

#include "frame/kernel.h"
#include "session.h"
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
    size_t step;  // index into the board's OperationCases()
};
std::vector<Case> g_cases;
std::vector<std::vector<Step>> g_steps;  // OperationCases() of each board

const Step& StepOf(const Case& c) { return g_steps[c.board][c.step]; }

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
// (with the host's refilling of the records it hands over) and every service
// and DbgPrint call, quick as they are. Its shadow is the same harness round a
// call with no work of its own that makes as many service and DbgPrint calls,
// by the same paths (the table and the function read from memory each time,
// as the module does). Batches of the operation and of its shadow alternate,
// so that both see the same machine; the module's own CPU is the difference.
CallCount g_shadowCalls;
const HostServices* volatile g_table = &kInstant;

u32 ShadowCall(Call& call) {
    const CallCount calls = g_shadowCalls;
    for (unsigned long i = 0; i < calls.services; ++i) {
        const HostServices* table = g_table;
        table->I2cWrite(call.device, 0x40, 1, 0x0A, 0x99, 0);
    }
    for (size_t i = 0; i < calls.prints; ++i) DbgPrint("\n");
    return 0;
}
Invoker volatile g_shadow = ShadowCall;

// The session up to the case: every case of the board before it, once.
void RunPrefix(Engine& engine, const Case& c) {
    for (size_t s = 0; s < c.step; ++s) engine.Run(g_steps[c.board][s]);
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

// Refills the records the host hands over, then makes the call.
inline u32 Make(Invoker invoker, Engine::Prepared& prepared) {
    Engine::Refill(prepared);
    return invoker(Engine::CallOf(prepared));
}

void BenchOpenClose(benchmark::State& bench, const Case& c, Engine& engine, double& operationNs, double& shadowNs,
                    CallCount& calls) {
    const Step& step = StepOf(c);
    const bool open = step.op == Op::OpenBoard;
    const Step& openStep = g_steps[c.board].front();
    const Step& closeStep = g_steps[c.board].back();
    std::vector<std::unique_ptr<Engine::Prepared>> opens;
    std::vector<std::unique_ptr<Engine::Prepared>> closes;
    for (size_t i = 0; i < kBatch; ++i) {
        opens.push_back(engine.Prepare(openStep));
        closes.push_back(engine.Prepare(closeStep));
    }
    const Invoker openInvoker = InvokerOf(Op::OpenBoard);
    const Invoker closeInvoker = InvokerOf(Op::CloseBoard);
    const auto openAll = [&] {
        for (size_t i = 0; i < kBatch; ++i) Make(openInvoker, *opens[i]);
    };
    const auto closeAll = [&] {
        for (size_t i = 0; i < kBatch; ++i) {
            Call& close = Engine::CallOf(*closes[i]);
            close.context = *Engine::CallOf(*opens[i]).contextOut;
            closeInvoker(close);
        }
    };
    const CallCount openCalls = CountCalls([&] { Make(openInvoker, *opens[0]); });
    Engine::CallOf(*closes[0]).context = *Engine::CallOf(*opens[0]).contextOut;
    const CallCount closeCalls = CountCalls([&] { closeInvoker(Engine::CallOf(*closes[0])); });
    calls = open ? openCalls : closeCalls;
    g_shadowCalls = calls;
    for (auto _ : bench) {
        if (open) {
            operationNs += BatchNs(openAll);
            closeAll();
        } else {
            openAll();
            operationNs += BatchNs(closeAll);
        }
        shadowNs += BatchNs([&] {
            for (size_t i = 0; i < kBatch; ++i) Make(g_shadow, *opens[0]);
        });
    }
}

void Bench(benchmark::State& bench, Case c) {
    SimHost& host = Host();
    Engine engine(host);
    const Step& step = StepOf(c);
    double operationNs = 0;
    double shadowNs = 0;
    CallCount calls;
    if (step.op == Op::OpenBoard || step.op == Op::CloseBoard) {
        BenchOpenClose(bench, c, engine, operationNs, shadowNs, calls);
    } else {
        RunPrefix(engine, c);
        std::unique_ptr<Engine::Prepared> prepared = engine.Prepare(step);
        const Invoker invoker = InvokerOf(step.op);
        calls = CountCalls([&] { Make(invoker, *prepared); });
        g_shadowCalls = calls;
        for (auto _ : bench) {
            operationNs += BatchNs([&] {
                for (size_t i = 0; i < kBatch; ++i) Make(invoker, *prepared);
            });
            shadowNs += BatchNs([&] {
                for (size_t i = 0; i < kBatch; ++i) Make(g_shadow, *prepared);
            });
        }
        engine.Finish(std::move(prepared), 0);
        engine.CloseAll();  // every case ends closed
    }
    const double timedCalls = static_cast<double>(bench.iterations()) * kBatch;
    bench.counters["cpu_ns"] = operationNs / timedCalls;
    bench.counters["module_ns"] = (operationNs - shadowNs) / timedCalls;
    bench.counters["host_calls"] = static_cast<double>(calls.services);
    bench.counters["prints"] = static_cast<double>(calls.prints);
}

std::string CaseName(const Case& c, char separator) {
    const Step& step = StepOf(c);
    std::string name = BoardNames()[c.board] + separator + OpName(step.op);
    if (!step.label.empty()) name += separator + step.label;
    return name;
}

void CollectCases() {
    SimHost& host = Host();
    for (size_t b = 0; b < host.CatalogueCount(); ++b) {
        g_steps.push_back(OperationCases(host.Board(b), b));
        for (size_t s = 0; s < g_steps[b].size(); ++s) g_cases.push_back({b, s});
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
                const Step& step = StepOf(c);
                std::printf("%s\t%s\t%s\t%.1f\t%.1f\t%.0f\t%.0f\n", BoardNames()[c.board].c_str(), OpName(step.op),
                            step.label.c_str(),
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
        Engine engine(host);
        RunPrefix(engine, c);
        const Step& step = StepOf(c);
        std::unique_ptr<Engine::Prepared> prepared = engine.Prepare(step);
        const Invoker invoker = InvokerOf(step.op);
        Call& call = Engine::CallOf(*prepared);
        CALLGRIND_ZERO_STATS;
        CALLGRIND_TOGGLE_COLLECT;
        const u32 status = invoker(call);
        CALLGRIND_TOGGLE_COLLECT;
        const std::string name = CaseName(c, '|');
        CALLGRIND_DUMP_STATS_AT(name.c_str());
        engine.Finish(std::move(prepared), status);
        engine.CloseAll();
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
