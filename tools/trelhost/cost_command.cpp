// trelhost cost: what each operation of each board costs the host in its
// default session: the stack of the module this program loaded (libTrelBoard.so
// on Linux, TrelBoard.sys as trelhost.exe), service calls, wire time at 100 and
// 400 kHz, and the bytes OpenBoard allocates.
#include <cstdio>
#include <string>

#include "commands.h"
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

int PrintCost(bool tsv) {
    const bool probed = StackProbeAvailable();
    if (tsv) {
        std::printf("board\toperation\tvariant\tstack\tcalls\tbits\tallocated\n");
    } else {
        std::printf("| Board | Operation | Case | Module stack (bytes) | Service calls | Wire bits | "
                    "Wire 100 kHz (us) | Wire 400 kHz (us) |\n");
        std::printf("|---|---|---|---:|---:|---:|---:|---:|\n");
    }
    std::string allocations;
    for (size_t index = 0; index < BoardNames().size(); ++index) {
        const std::string& name = BoardNames()[index];
        size_t allocated = 0;
        MeasureBoard(
            index,
            [&](const SessionStep& done, const Row& row) {
                const std::string stack = probed ? std::to_string(row.stack) : "-";
                if (tsv) {
                    std::printf("%s\t%s\t%s\t%s\t%zu\t%llu\t-\n", name.c_str(), done.operation.c_str(), done.label.c_str(),
                                stack.c_str(), row.calls, static_cast<unsigned long long>(row.bits));
                    return;
                }
                std::printf("| %s | %s | %s | %s | %zu | %llu | %.1f | %.1f |\n", name.c_str(), done.operation.c_str(),
                            done.label.c_str(), stack.c_str(), row.calls, static_cast<unsigned long long>(row.bits),
                            static_cast<double>(WireNanoseconds(row.bits, 100)) / 1000.0,
                            static_cast<double>(WireNanoseconds(row.bits, 400)) / 1000.0);
            },
            allocated);
        if (tsv) {
            std::printf("%s\t-\t-\t-\t-\t-\t%zu\n", name.c_str(), allocated);
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
        std::printf("| Board | Non-paged bytes per open board |\n|---|---:|\n%s", allocations.c_str());
    }
    return kExitOk;
}

}  // namespace

void AddCostCommand(CLI::App& app, int& exitCode) {
    CLI::App* cost =
        app.add_subcommand("cost", "Module stack, service calls and wire time of every operation of every board");
    static bool tsv = false;
    cost->add_flag("--tsv", tsv, "Tab-separated rows (board, operation, case, stack, calls, bits, allocated)");
    cost->callback([&exitCode] { exitCode = PrintCost(tsv); });
}

}  // namespace trelhost
