// CPU cost of each operation of each board, the host's services answering at
// once (success; reads answer zero) and DbgPrint keeping nothing, so that the
// figure is the module's own work plus the calls into and out of it. Each
// operation runs in the state the host's default session leaves it in: the
// cases before it (OperationCases) have run once.
//
// The module's own share is that time less the time of a shadow operation:
// the same harness (the host refilling the records it hands over) round a
// call that does no work of its own but makes as many service and DbgPrint
// calls, by the same paths (the table and the function read from memory each
// time, as the module does). Batches of the operation and of its shadow
// alternate, so that both see the same machine.
//
// The same timing runs in both builds of the host kit: libTrelBoard.so on
// Linux (trel_bench, trelhost cost --cpu) and TrelBoard.sys under Wine
// (trelhost.exe cost --cpu), so the two binaries' figures compare.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

#include "engine.h"
#include "sim_host.h"

namespace trel::host {

// A host whose services answer at once and count their calls, and whose
// DbgPrint keeps nothing, while it lives.
class InstantHost {
public:
    InstantHost();
    ~InstantHost();
    InstantHost(const InstantHost&) = delete;
    InstantHost& operator=(const InstantHost&) = delete;
    SimHost& Sim() { return host_; }

private:
    SimHost host_;
};

struct CpuFigures {
    double cpuNs = 0;     // one call, with the host's preparation of its records
    double moduleNs = 0;  // cpuNs less the shadow's time (may dip below 0 by noise)
    size_t services = 0;  // service calls of one call
    size_t prints = 0;    // DbgPrint calls of one call
};

// The cases of the board before `index`, each run once (the state `index` starts from).
void RunCasesBefore(Engine& engine, const std::vector<Step>& cases, size_t index);

// One case of OperationCases timed round by round, each round a batch of the
// operation and a batch of its shadow (calls enough for two microseconds, so
// that a coarse clock, as Windows' 100 ns one, still times it closely).
// OpenBoard and CloseBoard work on a batch of 64 boards, each batch preceded
// or followed, untimed, by the other one of the pair.
class CaseTimer {
public:
    CaseTimer(InstantHost& host, const std::vector<Step>& cases, size_t index);
    ~CaseTimer();
    CaseTimer(const CaseTimer&) = delete;
    CaseTimer& operator=(const CaseTimer&) = delete;

    void Round();
    // Per call, from the median batch of each over the rounds so far: a
    // batch the machine interrupted only takes longer, and falls aside.
    CpuFigures Figures() const;

private:
    struct State;
    std::unique_ptr<State> state_;
    std::vector<double> operationNs_;  // per batch
    std::vector<double> shadowNs_;
};

// The case timed `repetitions` times for at least `minimumNs` each: the
// median of each figure.
CpuFigures MeasureCase(InstantHost& host, const std::vector<Step>& cases, size_t index, double minimumNs,
                       int repetitions);

// An operation that only writes host memory against the platform's own
// routine writing as many bytes, in the same process, batches alternating:
// GetStreamFormatTable against memset of the table, GetVideoFormats against
// memcpy of the records and count it writes.
struct MemorySpeed {
    Op op = Op::GetStreamFormatTable;
    const char* reference = "memset";
    size_t bytes = 0;
    double operationNs = 0;  // one call, median batch
    double referenceNs = 0;  // one memset or memcpy, median batch
    double bestRatio = 0;    // operation / reference, their quickest batches
    double medianRatio = 0;  // operation / reference, their median batches
};
// For the board's GetStreamFormatTable (when it returns a table) and
// GetVideoFormats; none when the board has neither. A round is a batch of
// each.
std::vector<MemorySpeed> MeasureMemorySpeed(InstantHost& host, size_t board, int rounds);

}  // namespace trel::host
