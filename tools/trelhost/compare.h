// trelhost compare: what the module sends in a session against what a
// logic analyzer saw on the board's I2C bus.
//
// The session runs with the capture as the chips' side: a read answers what
// the chip answered in the capture, and a call whose address the capture
// shows not acknowledged fails. The module's transactions are then aligned
// with the capture's in order (longest common sequence); what is left over
// is missing (the module sends it, the capture lacks it), extra (the capture
// has it, the module does not send it) or changed (one in place of the
// other), and a transaction matched only because the capture's chip did not
// acknowledge it is counted as not acknowledged.
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "capture.h"
#include "sim_host.h"

namespace trelhost {

// The I2C transaction a bus call puts on the wire (a failed call: its address
// byte not acknowledged); none for calls that are not I2C transfers.
std::optional<WireTransaction> WireOf(const trel::host::BusCall& call);

// The chips' side of a session replayed from a capture (set as the SimHost's
// script): each I2C call is matched with the next capture transaction to the
// same chip that fits it (a few ahead at most), whose read bytes it gets and
// whose not-acknowledged address fails it; a register read the capture lacks
// answers from the host's register file (--answer, the module's writes).
// Failures the scenario injects come first; parameters answer as the scenario
// sets them.
class CaptureAnswers : public trel::host::HostScript {
public:
    CaptureAnswers(trel::host::SimHost& host, const std::vector<WireTransaction>& capture,
                   std::vector<std::pair<std::string, trel::u32>> parameters);
    trel::u32 Result(const trel::host::BusCall& call) override;
    void ReadBytes(trel::u8* bytes, size_t count) override;
    trel::u32 Parameter(const std::string& name) override;
    // The calls (by event number) that failed because the capture's chip did not acknowledge them.
    const std::set<uint64_t>& Refused() const { return refused_; }

private:
    trel::host::SimHost& host_;
    const std::vector<WireTransaction>& capture_;
    std::vector<std::pair<std::string, trel::u32>> parameters_;
    std::vector<size_t> next_;  // per chip address byte: the capture index to look from
    const WireTransaction* answer_ = nullptr;  // the capture transaction matched with the call being made
    std::pair<trel::u8, trel::u16> asked_{};     // its address byte and register
    std::set<uint64_t> refused_;
};

// A transaction the module sent, with the step it belongs to.
struct Expected {
    WireTransaction wire;
    size_t step = 0;         // 1: the session's first step
    std::string operation;   // "InitVideoSource", with the step's label
    size_t call = 0;         // 1: the step's first I2C transaction
    bool refused = false;    // failed because the capture's chip did not acknowledge it
};

struct Comparison {
    enum class Kind { Same, Changed, Missing, Extra, NotAcknowledged };
    struct Row {
        Kind kind;
        std::optional<size_t> expected;  // index into the expected list
        std::optional<size_t> seen;      // index into the capture's list
    };
    std::vector<Row> rows;
    size_t Count(Kind kind) const;
    bool Identical() const;
};
Comparison Compare(const std::vector<Expected>& expected, const std::vector<WireTransaction>& seen);

// "identical, N transactions", or the first divergence with its context and the summary.
void PrintComparison(std::ostream& out, const Comparison& comparison, const std::vector<Expected>& expected,
                     const std::vector<WireTransaction>& seen, uint64_t samplerate);

}  // namespace trelhost
