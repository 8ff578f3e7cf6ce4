// trelhost cost: what each operation of each board costs the host, in its
// default session: module stack, service calls, wire time at 100 and 400 kHz,
// and the bytes OpenBoard allocates.
#include <cstdio>
#include <string>

#include "commands.h"
#include "operations.h"
#include "sim_host.h"
#include "stack_probe.h"
#include "wire_time.h"

namespace trelhost {
namespace {

int PrintCost() {
    using namespace trel::host;
    std::printf("| Board | Operation | Module stack (bytes) | Service calls | Wire bits | Wire 100 kHz (us) | Wire 400 kHz (us) |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|\n");
    std::string allocations;
    for (size_t index = 0; index < BoardNames().size(); ++index) {
        SimHost host;
        Kernel::Get().ClearTraces();
        OperationState state;
        state.board = &host.Board(index);
        state.device = host.Device();
        for (const Operation& operation : Operations()) {
            if (!operation.present(*state.board)) continue;
            size_t liveBytes = 0;
            for (const auto& a : Kernel::Get().LiveAllocations()) liveBytes -= a.bytes;
            host.ClearLog();
            StackUse use;
            if (StackProbeAvailable()) {
                use = ProbeStack([&] { operation.call(state); });
            } else {
                operation.call(state);
            }
            uint64_t bits = 0;
            for (const BusCall& call : host.Log()) bits += WireBits(call);
            std::printf("| %s | %s | %zu | %zu | %llu | %.1f | %.1f |\n", BoardNames()[index].c_str(), operation.name,
                        use.module, host.Log().size(), static_cast<unsigned long long>(bits),
                        static_cast<double>(WireNanoseconds(bits, 100)) / 1000.0,
                        static_cast<double>(WireNanoseconds(bits, 400)) / 1000.0);
            if (std::string(operation.name) == "OpenBoard") {
                for (const auto& a : Kernel::Get().LiveAllocations()) liveBytes += a.bytes;
                allocations += "| " + BoardNames()[index] + " | " + std::to_string(liveBytes) + " |\n";
            }
        }
    }
    std::printf("\nStack figures: the module's frames only; the host's share below a service call (%zu bytes) "
                "and the call glue (%zu bytes) are measured separately and subtracted.\n\n",
                StackProbeHostShare(), StackProbeGlue());
    std::printf("| Board | Non-paged bytes per open board |\n|---|---:|\n%s", allocations.c_str());
    return kExitOk;
}

}  // namespace

void AddCostCommand(CLI::App& app, int& exitCode) {
    CLI::App* cost = app.add_subcommand("cost", "Stack, service calls and wire time of every operation of every board");
    cost->callback([&exitCode] { exitCode = PrintCost(); });
}

}  // namespace trelhost
