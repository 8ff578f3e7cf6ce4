// CPU cost of each operation of each board under Google Benchmark, timed by
// the host kit's CaseTimer (cpu_cost.h: services that answer at once, DbgPrint
// keeping nothing, the module's own share against a shadow operation), and
// the instruction counts under callgrind. The cost report takes its CPU
// figures of both binaries from trelhost cost --cpu, which times the same way.
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

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#define TREL_HAVE_CALLGRIND 1
#endif

#include "cpu_cost.h"
#include "session.h"

namespace {

using namespace trel;
using namespace trel::host;

InstantHost& Host() {
    static InstantHost* host = new InstantHost();
    return *host;
}

struct Case {
    size_t board;
    size_t step;  // index into the board's OperationCases()
};
std::vector<Case> g_cases;
std::vector<std::vector<Step>> g_steps;  // OperationCases() of each board

const Step& StepOf(const Case& c) { return g_steps[c.board][c.step]; }

// A round is a batch of the operation and a batch of its shadow (cpu_cost.h).
void Bench(benchmark::State& bench, Case c) {
    CaseTimer timer(Host(), g_steps[c.board], c.step);
    for (auto _ : bench) timer.Round();
    const CpuFigures figures = timer.Figures();
    bench.counters["cpu_ns"] = figures.cpuNs;
    bench.counters["module_ns"] = figures.moduleNs;
    bench.counters["host_calls"] = static_cast<double>(figures.services);
    bench.counters["prints"] = static_cast<double>(figures.prints);
}

std::string CaseName(const Case& c, char separator) {
    const Step& step = StepOf(c);
    std::string name = BoardNames()[c.board] + separator + OpName(step.op);
    if (!step.label.empty()) name += separator + step.label;
    return name;
}

void CollectCases() {
    SimHost& host = Host().Sim();
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
    for (const Case& c : g_cases) {
        Engine engine(Host().Sim());
        RunCasesBefore(engine, g_steps[c.board], c.step);
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
