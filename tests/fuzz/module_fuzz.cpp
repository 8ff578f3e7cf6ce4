// Fuzz target of the board module. It drives the module through the host
// kit's operation engine, as TRELCAP.SYS does: the fuzzer picks the
// operations (every slot of the tables, the reserved ones and
// GetBoardModuleCaps included), the boards, the u32 arguments, the records
// and the contexts, while the host answers every service call as the fuzzer
// says. Findings: any misuse the engine reports for a step (writes past or
// outside the host's records, allocations outside OpenBoard, frees outside
// CloseBoard, leaks, broken trace lines, pool misuse, the device record), a
// status the operation may not return, capabilities that change, and
// allocations left once every context is closed.
//
// Input: [u16 LE length L][L bytes: steps][the rest: the host's answers].
// A step: [operation][board][context][flags][3 arguments][2 records]
//   operation: Op, modulo the count of slots (GetStreamFormatTable only when
//     the byte divided by that count is a multiple of 4, else GetVideoFormats);
//   board: modulo the catalogue's count;
//   context: bit 0: null; else bit 1: one of the open contexts, (byte >> 2)
//     modulo their count, on its own board; else the board's current one.
//     CloseBoard closes the newest open context (or null);
//   flags: bit 0: OpenBoard gets no contextOut; bit 1: the step's first allocation fails;
//   argument: [kind][value]: a signed byte, a property index, one bit, or a u32 LE;
//   record: [bit 0: null pointer, bits 1-3: patch count][fill][patches], a
//     patch [u16 LE word index][argument] overwriting a u32 of the record the
//     host fills as usual (the word index modulo the record's words).
//   OnStartCapture: non-zero arguments ask for the standard, width and height.
// Either stream reads as zeros once exhausted (the host then answers every
// call with success and every read with 0).
//
// With TREL_FUZZ_SEEDS=<dir> in the environment the target writes one input
// per catalogue board there (the host's usual session on it, tuning a channel
// on a tuner board, then every operation case of the board) and exits.
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

#include "engine.h"
#include "session.h"
#include "sim_host.h"

namespace trel::fuzz {
namespace {

using host::BusCall;
using host::Engine;
using host::Kernel;
using host::Op;
using host::SessionStep;
using host::SimHost;
using host::Step;

constexpr size_t kMaxSteps = 256;

[[noreturn]] void Finding(const std::string& what) {
    std::fprintf(stderr, "module_fuzz finding: %s\n", what.c_str());
    std::abort();
}

[[noreturn]] void Finding(const SessionStep& s, const std::string& what) {
    Finding(s.operation + " on board " + std::to_string(s.board) + " (status " + s.StatusText() + "): " + what);
}

// Sequential little-endian reader; zeros once exhausted.
class Bytes {
public:
    Bytes() = default;
    Bytes(const u8* data, size_t size) : data_(data), size_(size) {}
    u8 U8() { return at_ < size_ ? data_[at_++] : 0; }
    u32 Le(u32 bytes) {  // a little-endian value of `bytes` bytes
        u32 value = 0;
        for (u32 i = 0; i < bytes; ++i) value |= static_cast<u32>(U8()) << (8 * i);
        return value;
    }
    bool Empty() const { return at_ >= size_; }

private:
    const u8* data_ = nullptr;
    size_t size_ = 0;
    size_t at_ = 0;
};

// The host side of every service call, from the fuzzer's second stream: one
// control byte per call (0xF0 and up: the call fails with the low nibble, or
// with the u32 that follows when the nibble is 0), then the bytes a read
// returns; "50Hz" answers the next u32.
class FuzzHost : public host::HostScript {
public:
    void Reset(Bytes stream) { stream_ = stream; }
    u32 Result(const BusCall&) override {
        const u8 control = stream_.U8();
        if (control < 0xF0) return 0;
        const u32 result = (control & 0x0F) != 0 ? control & 0x0Fu : stream_.Le(4);
        return result != 0 ? result : 1;
    }
    void ReadBytes(u8* bytes, size_t count) override {
        for (size_t i = 0; i < count; ++i) bytes[i] = stream_.U8();
    }
    u32 Parameter(const std::string&) override { return stream_.Le(4); }

private:
    Bytes stream_;
};

enum ArgKind : u8 { kArgSmall, kArgPropertyIndex, kArgBit, kArgFull, kArgKindCount };

u32 Arg(Bytes& in) {
    switch (in.U8() % kArgKindCount) {
        case kArgSmall: return static_cast<u32>(static_cast<s32>(static_cast<int8_t>(in.U8())));
        case kArgPropertyIndex: return 0x1000u + (in.U8() & 7u);
        case kArgBit: return 1u << (in.U8() % 32);
        default: return in.Le(4);
    }
}

struct Patch {
    u16 word;
    u32 value;
};

// A step as the fuzzer asks for it.
struct FuzzStep {
    Step step;
    bool failAllocation = false;
    std::array<std::vector<Patch>, 2> patches;
};

FuzzStep Decode(Bytes& in, const Engine& engine, size_t boards) {
    FuzzStep f;
    Step& s = f.step;
    const u8 selector = in.U8();
    s.op = static_cast<Op>(selector % host::kOpCount);
    // The stream format table (tens of kilobytes rebuilt and copied) a quarter as often.
    if (s.op == Op::GetStreamFormatTable && selector / host::kOpCount % 4 != 0) s.op = Op::GetVideoFormats;
    s.board = in.U8() % boards;
    const u8 context = in.U8();
    const auto& open = engine.OpenContexts();
    if ((context & 1) != 0) {
        s.context = host::kNullContext;
    } else if (!open.empty() && (s.op == Op::CloseBoard || (context & 2) != 0)) {
        // The engine counts what stays live after a close against what was live at
        // its open: contexts close newest first.
        const size_t i = s.op == Op::CloseBoard ? open.size() - 1 : (context >> 2) % open.size();
        s.context = static_cast<int>(i);
        s.board = open[i].board;
    }
    const u8 flags = in.U8();
    s.contextOut = (flags & 1) == 0;
    f.failAllocation = (flags & 2) != 0;
    for (u32& arg : s.args) arg = Arg(in);
    for (size_t i = 0; i < 2; ++i) {
        const u8 control = in.U8();
        s.records[i].null = (control & 1) != 0;
        s.records[i].fill = in.U8();
        for (int n = (control >> 1) & 7; n > 0; --n)  // a braced list reads in order
            f.patches[i].push_back({static_cast<u16>(in.Le(2)), Arg(in)});
    }
    if (s.op == Op::OnStartCapture) {
        const auto asked = [](u32 v) { return v != 0 ? std::optional<u32>(v) : std::nullopt; };
        s.capture = {asked(s.args[0]), asked(s.args[1]), asked(s.args[2])};
    }
    return f;
}

// The codes an operation may return, besides the result of a host call that
// failed while it ran.
bool Allowed(Op op, u32 status) {
    const auto any = [status](std::initializer_list<u32> codes) {
        return std::find(codes.begin(), codes.end(), status) != codes.end();
    };
    switch (op) {
        case Op::OpenBoard: return any({kStatusSuccess, kStatusInvalid, kStatusNoMemory});
        case Op::CloseBoard:
        case Op::VideoReserved5:
        case Op::VideoReserved7:
        case Op::AudioReserved3: return status == kStatusSuccess;
        case Op::GetVideoInputType: return status < 8 || any({kStatusInvalid, kStatusBusFailure});
        case Op::GetAudioInputType: return status < 8 || status == kStatusInvalid;
        case Op::GetVideoFormats:
        case Op::OnStartCapture:
        case Op::SetCurrentVideoInputId:
        case Op::SetCurrentAudioInputId: return any({kStatusSuccess, kStatusInvalid});
        case Op::InitVideoSource:
        case Op::InitAudio: return any({kStatusSuccess, kStatusInvalid, kStatusBusFailure});
        default: return any({kStatusSuccess, kStatusInvalid, kStatusBusFailure, kStatusNotSupported});
    }
}

class Target {
public:
    Target() { host_.SetScript(&script_); }

    void Run(const u8* data, size_t size) {
        const size_t length = size < 2 ? 0 : std::min<size_t>(data[0] | data[1] << 8, size - 2);
        const size_t hostAt = std::min(size, 2 + length);
        Bytes steps(data + std::min<size_t>(size, 2), length);
        script_.Reset(Bytes(data + hostAt, size - hostAt));
        Kernel::Get().ClearTraces();
        host_.ClearLog();
        host_.Register();
        Engine engine(host_, [this](const SessionStep& s) { Check(s); });
        for (size_t n = 0; n < kMaxSteps && !steps.Empty(); ++n) {
            const FuzzStep f = Decode(steps, engine, host_.CatalogueCount());
            if (!host::HasSlot(host_.Board(f.step.board), f.step.op)) continue;
            RunStep(engine, f);
        }
        engine.CloseAll();
        if (!Kernel::Get().LiveAllocations().empty()) Finding("allocations left after every context was closed");
    }

private:
    // Prepares the step, lays the patches over the records the host filled,
    // and makes the call.
    static void RunStep(Engine& engine, const FuzzStep& f) {
        std::unique_ptr<Engine::Prepared> prepared = engine.Prepare(f.step);
        for (size_t i = 0; i < 2; ++i) {
            std::vector<u8>& bytes = prepared->handed[i];
            const size_t words = bytes.size() / sizeof(u32);
            for (const Patch& patch : f.patches[i])
                if (words != 0) std::memcpy(&bytes[patch.word % words * sizeof(u32)], &patch.value, sizeof(u32));
        }
        Engine::Refill(*prepared);
        if (f.failAllocation) Kernel::Get().FailAllocation(1);
        const u32 status = host::InvokerOf(f.step.op)(Engine::CallOf(*prepared));
        Kernel::Get().FailAllocation(0);
        engine.Finish(std::move(prepared), status);
    }

    void Check(const SessionStep& s) {
        if (!s.problems.empty()) Finding(s, s.problems.front());
        if (s.streamTable) {  // the module fills three sections; the rest is the host's and stays zero
            const StreamFormatTable& t = *s.streamTable;
            const auto zero = [](u8 b) { return b == 0; };
            if (t.frameSizeCount > kMaxFrameSizeEntries || t.frameRateCount > kMaxFrameRateEntries ||
                t.optionCount > kMaxStreamOptionEntries || !std::all_of(t.hostArea, std::end(t.hostArea), zero) ||
                !std::all_of(t.tail, std::end(t.tail), zero))
                Finding(s, "stream format table: counts out of range or the host's bytes written");
        }
        if (!s.status) return;
        const u32 status = *s.status;
        if (s.op == Op::GetVideoSourceCaps || s.op == Op::GetAudioSourceCaps || s.op == Op::GetVideoInputs) {
            const auto [first, inserted] = capabilities_.try_emplace({s.op, s.board}, status);
            if (first->second != status) Finding(s, "the board's capabilities changed");
            return;
        }
        if (Allowed(s.op, status)) return;
        for (const BusCall& call : s.bus)
            if (call.injected && call.result == status) return;
        Finding(s, "a status the operation may not return");
    }

    SimHost host_;
    FuzzHost script_;
    std::map<std::pair<Op, size_t>, u32> capabilities_;  // the first answer per board
};

// ---------------------------------------------------------------------------
// Seeds, in the input format above.
void Encode(std::vector<u8>& out, const Step& s) {
    const auto full = [&out](u32 value) {
        out.push_back(kArgFull);
        for (u32 i = 0; i < 4; ++i) out.push_back(static_cast<u8>(value >> (8 * i)));
    };
    const u8 context = s.context == host::kNullContext ? 1 : 0;
    out.insert(out.end(), {static_cast<u8>(s.op), static_cast<u8>(s.board), context, static_cast<u8>(!s.contextOut)});
    std::array<u32, 3> args = s.args;
    if (s.op == Op::OnStartCapture)
        args = {s.capture.standard.value_or(0), s.capture.width.value_or(0), s.capture.height.value_or(0)};
    for (u32 arg : args) full(arg);
    for (const host::RecordArg& record : s.records) {
        const size_t words = (record.bytes.size() + 3) / 4;
        if (words > 7 || record.size != 0) Finding("a seed record the input format cannot carry");
        out.push_back(static_cast<u8>((record.null ? 1 : 0) | words << 1));
        out.push_back(record.fill);
        for (size_t w = 0; w < words; ++w) {
            u32 value = 0;
            std::memcpy(&value, record.bytes.data() + 4 * w, std::min<size_t>(4, record.bytes.size() - 4 * w));
            out.push_back(static_cast<u8>(w)), out.push_back(0), full(value);
        }
    }
}

void WriteSeeds(const std::string& directory) {
    SimHost host;
    const host::SessionOptions options{.tvFrequency = 175'250'000, .tvAudioMode = 0x02};  // stereo
    for (u32 b = 0; b < host.CatalogueCount(); ++b) {
        std::vector<u8> steps;
        std::vector<Step> session = host::UsualSession(host.Board(b), b, options);
        const std::vector<Step> cases = host::OperationCases(host.Board(b), b);
        session.insert(session.end(), cases.begin(), cases.end());
        for (const Step& step : session) Encode(steps, step);
        std::vector<u8> input = {static_cast<u8>(steps.size()), static_cast<u8>(steps.size() >> 8)};
        input.insert(input.end(), steps.begin(), steps.end());
        const std::string path = directory + "/board" + std::to_string(b);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(input.data()), static_cast<std::streamsize>(input.size()));
        if (!out) Finding("cannot write " + path);
    }
}

Target* g_target = nullptr;

}  // namespace
}  // namespace trel::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* seeds = std::getenv("TREL_FUZZ_SEEDS")) {
        trel::fuzz::WriteSeeds(seeds);
        std::exit(0);
    }
    trel::fuzz::g_target = new trel::fuzz::Target();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trel::fuzz::g_target->Run(data, size);
    return 0;
}
