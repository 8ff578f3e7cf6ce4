// trelhost cost: what each operation of each board costs the host in its
// default session: the stack of the module this program loaded (libTrelBoard.so
// on Linux, TrelBoard.sys as trelhost.exe), service calls, wire time at 100 and
// 400 kHz, and the bytes OpenBoard allocates; with --cpu the CPU time of each
// case and the module's own share of it; with --memory-speed the operations
// that only fill host memory against the platform's memset and memcpy.
#include <cstdio>
#include <string>
#include <vector>

#include "commands.h"
#include "cpu_cost.h"
#include "session.h"
#include "sim_host.h"
#include "stack_probe.h"
#include "wire_time.h"

namespace trelhost {
namespace {

using namespace trel::host;
using trel::u32;

struct Row {
    size_t stack;
    size_t calls;
    uint64_t bits;
};

// One open board's session, every operation measured in the host's order.
template <typename Emit>
void MeasureBoard(size_t index, Emit&& emit, size_t& allocated) {
    SimHost host;
    Kernel::Get().ClearTraces();
    Engine engine(host);
    for (const Step& step : OperationCases(host.Board(index), index)) {
        const size_t liveBefore = Kernel::Get().LiveAllocations().size();
        Row row{};
        const SessionStep done = engine.Run(step, [&](Invoker invoker, Call& call) {
            u32 status = 0;
            if (StackProbeAvailable()) {
                row.stack = ProbeCall(invoker, call, status).module;
            } else {
                status = invoker(call);
            }
            return status;
        });
        row.calls = done.bus.size();
        for (const BusCall& call : done.bus) row.bits += WireBits(call);
        if (step.op == Op::OpenBoard) {
            const auto& live = Kernel::Get().LiveAllocations();
            allocated = 0;
            for (size_t i = liveBefore; i < live.size(); ++i) allocated += live[i].bytes;
        }
        emit(done, row);
    }
    Kernel::Get().ClearTraces();
}

// CPU figures of every case of every board, by board and case index.
using CpuTable = std::vector<std::vector<CpuFigures>>;
CpuTable MeasureCpu() {
    constexpr double kMinimumNs = 20e6;  // per repetition
    constexpr int kRepetitions = 5;
    InstantHost host;
    CpuTable table;
    for (size_t index = 0; index < BoardNames().size(); ++index) {
        const std::vector<Step> cases = OperationCases(host.Sim().Board(index), index);
        table.emplace_back();
        for (size_t c = 0; c < cases.size(); ++c)
            table.back().push_back(MeasureCase(host, cases, c, kMinimumNs, kRepetitions));
    }
    return table;
}

int PrintCost(bool tsv, bool cpu) {
    const bool probed = StackProbeAvailable();
    const CpuTable cpuTable = cpu ? MeasureCpu() : CpuTable();
    if (tsv) {
        std::printf("board\toperation\tvariant\tstack\tcalls\tbits\tallocated%s\n",
                    cpu ? "\tcpu_ns\tmodule_ns\tprints" : "");
    } else {
        std::printf("| Board | Operation | Case | Module stack (bytes) | Service calls | Wire bits | "
                    "Wire 100 kHz (us) | Wire 400 kHz (us) |%s\n",
                    cpu ? " CPU (ns) | Module (ns) |" : "");
        std::printf("|---|---|---|---:|---:|---:|---:|---:|%s\n", cpu ? "---:|---:|" : "");
    }
    std::string allocations;
    for (size_t index = 0; index < BoardNames().size(); ++index) {
        const std::string& name = BoardNames()[index];
        size_t allocated = 0;
        size_t caseIndex = 0;
        MeasureBoard(
            index,
            [&](const SessionStep& done, const Row& row) {
                const std::string stack = probed ? std::to_string(row.stack) : "-";
                std::string figures;
                if (cpu) {
                    const CpuFigures& f = cpuTable[index][caseIndex];
                    char text[96];
                    if (tsv) {
                        std::snprintf(text, sizeof(text), "\t%.1f\t%.1f\t%zu", f.cpuNs, f.moduleNs, f.prints);
                    } else {
                        std::snprintf(text, sizeof(text), " %.1f | %.1f |", f.cpuNs, f.moduleNs);
                    }
                    figures = text;
                }
                ++caseIndex;
                if (tsv) {
                    std::printf("%s\t%s\t%s\t%s\t%zu\t%llu\t-%s\n", name.c_str(), done.operation.c_str(),
                                done.label.c_str(), stack.c_str(), row.calls, static_cast<unsigned long long>(row.bits),
                                figures.c_str());
                    return;
                }
                std::printf("| %s | %s | %s | %s | %zu | %llu | %.1f | %.1f |%s\n", name.c_str(), done.operation.c_str(),
                            done.label.c_str(), stack.c_str(), row.calls, static_cast<unsigned long long>(row.bits),
                            static_cast<double>(WireNanoseconds(row.bits, 100)) / 1000.0,
                            static_cast<double>(WireNanoseconds(row.bits, 400)) / 1000.0, figures.c_str());
            },
            allocated);
        if (tsv) {
            std::printf("%s\t-\t-\t-\t-\t-\t%zu%s\n", name.c_str(), allocated, cpu ? "\t-\t-\t-" : "");
        } else {
            allocations += "| " + name + " | " + std::to_string(allocated) + " |\n";
        }
    }
    if (!tsv) {
        const std::string& path = Module::Get().path;
        const std::string module = path.substr(path.find_last_of("/\\") + 1);
        if (probed) {
            std::printf("\nModule stack: the frames of %s only (with the return address of each call it makes); "
                        "the host's services run on a stack of their own.\n\n",
                        module.c_str());
        } else {
            std::printf("\nModule stack: not measured (%s).\n\n", StackProbeAbsence());
        }
        if (cpu) {
            std::printf("CPU: one call, services answering at once, DbgPrint keeping nothing (median of five runs); "
                        "Module: CPU less a shadow call making as many service and DbgPrint calls.\n\n");
        }
        std::printf("| Board | Non-paged bytes per open board |\n|---|---:|\n%s", allocations.c_str());
    }
    return kExitOk;
}

// Batches of the operation and of memset or memcpy alternate; the ratio of
// their quickest batches and of their median ones.
int PrintMemorySpeed(bool tsv) {
    constexpr int kRounds = 400;
    InstantHost host;
    if (tsv) {
        std::printf("board\toperation\treference\tbytes\toperation_ns\treference_ns\tbest_ratio\tmedian_ratio\n");
    } else {
        std::printf("| Board | Operation | Reference | Bytes | Operation (ns) | Reference (ns) | Ratio, best | "
                    "Ratio, median |\n|---|---|---|---:|---:|---:|---:|---:|\n");
    }
    for (size_t index = 0; index < BoardNames().size(); ++index) {
        for (const MemorySpeed& speed : MeasureMemorySpeed(host, index, kRounds)) {
            std::printf(tsv ? "%s\t%s\t%s\t%zu\t%.1f\t%.1f\t%.2f\t%.2f\n"
                            : "| %s | %s | %s | %zu | %.1f | %.1f | %.2f | %.2f |\n",
                        BoardNames()[index].c_str(), OpName(speed.op), speed.reference, speed.bytes, speed.operationNs,
                        speed.referenceNs, speed.bestRatio, speed.medianRatio);
        }
    }
    return kExitOk;
}

}  // namespace

void AddCostCommand(CLI::App& app, int& exitCode) {
    CLI::App* cost =
        app.add_subcommand("cost", "Module stack, service calls and wire time of every operation of every board");
    static bool tsv = false;
    static bool cpu = false;
    static bool memorySpeed = false;
    cost->add_flag("--tsv", tsv,
                   "Tab-separated rows (board, operation, case, stack, calls, bits, allocated; with --cpu also CPU ns, "
                   "module ns, DbgPrint calls)");
    cost->add_flag("--cpu", cpu,
                   "Also the CPU time of each case with services that answer at once, and the module's own share "
                   "(median of five runs)");
    cost->add_flag("--memory-speed", memorySpeed,
                   "Instead: GetStreamFormatTable and GetVideoFormats against the platform's memset and memcpy "
                   "of as many bytes")
        ->excludes("--cpu");
    cost->callback([&exitCode] { exitCode = memorySpeed ? PrintMemorySpeed(tsv) : PrintCost(tsv, cpu); });
}

}  // namespace trelhost
