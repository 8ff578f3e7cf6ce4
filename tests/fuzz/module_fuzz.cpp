// Fuzz target of the board module. It drives the module only as TRELCAP.SYS
// does: GetBoardModuleCaps, the catalogue and the operation tables, with
// operations, boards, u32 arguments and host records chosen by the fuzzer,
// while the host answers every read, fails calls and answers "50Hz" as the
// fuzzer says. After every operation it checks what the host relies on: no
// write outside the host's records, a status the operation may return, trace
// messages as prefix/message/newline, contexts as the only allocations, each
// freed with its tag by CloseBoard.
//
// Input: [u16 LE length L][L bytes: operations][the rest: the host's answers].
// Either stream reads as zeros once exhausted (the host then answers every
// call with success and every read with 0).
//
// With TREL_FUZZ_SEEDS=<dir> in the environment the target writes one input
// per board there (the host's default session on that board) and exits.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "frame/host_interface.h"
#include "session.h"
#include "sim_host.h"

namespace trel::fuzz {
namespace {

using host::BusCall;
using host::Kernel;
using host::Service;
using host::SimHost;

[[noreturn]] void Finding(const std::string& what) {
    std::fprintf(stderr, "module_fuzz finding: %s\n", what.c_str());
    std::abort();
}

// Sequential little-endian reader; zeros once exhausted.
class Bytes {
public:
    Bytes() = default;
    Bytes(const u8* data, size_t size) : data_(data), size_(size) {}
    u8 U8() { return at_ < size_ ? data_[at_++] : 0; }
    u32 U32() {
        u32 value = 0;
        for (u32 i = 0; i < 4; ++i) value |= static_cast<u32>(U8()) << (8 * i);
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
        const u32 result = (control & 0x0F) != 0 ? control & 0x0Fu : stream_.U32();
        return result != 0 ? result : 1;
    }
    void ReadBytes(u8* bytes, size_t count) override {
        for (size_t i = 0; i < count; ++i) bytes[i] = stream_.U8();
    }
    u32 Parameter(const std::string&) override { return stream_.U32(); }

private:
    Bytes stream_;
};

// A host record of `size` bytes followed by guard bytes; ASan sees its exact end.
constexpr u8 kGuardFill = 0xA5;
constexpr size_t kGuardSize = 32;
class Record {
public:
    Record(size_t size, u8 fill) : size_(size), bytes_(size + kGuardSize, kGuardFill) {
        std::memset(bytes_.data(), fill, size);
    }
    template <typename T>
    T* As() { return reinterpret_cast<T*>(bytes_.data()); }
    u8* Data() { return bytes_.data(); }
    bool GuardIntact() const {
        for (size_t i = size_; i < bytes_.size(); ++i)
            if (bytes_[i] != kGuardFill) return false;
        return true;
    }
    std::vector<u8> Contents() const { return {bytes_.begin(), bytes_.begin() + static_cast<ptrdiff_t>(size_)}; }

private:
    size_t size_;
    std::vector<u8> bytes_;
};

enum Op : u8 {
    kOpen,
    kClose,
    kVideoSourceCaps,
    kStreamFormatTable,
    kVideoFormats,
    kDefaultProperties,
    kInitVideo,
    kStartCapture,
    kSetProperty,
    kGetProperty,
    kAudioSourceCaps,
    kChipConfig,
    kInitAudio,
    kVideoInputs,
    kVideoInputType,
    kAudioInputType,
    kSetVideoInput,
    kSetAudioInput,
    kGetTuner,
    kSetTuner,
    kReserved,
    kRegister,
    kOpCount,
};

// The operation a selector byte picks: every operation three times, except
// the stream format table, whose rebuild (tens of kilobytes) would otherwise
// take most of the run, and re-registration, once each.
constexpr Op kOpBySelector[] = {
    kOpen,           kClose,          kVideoSourceCaps, kVideoFormats,   kDefaultProperties, kInitVideo,
    kStartCapture,   kSetProperty,    kGetProperty,     kAudioSourceCaps, kChipConfig,       kInitAudio,
    kVideoInputs,    kVideoInputType, kAudioInputType,  kSetVideoInput,  kSetAudioInput,     kGetTuner,
    kSetTuner,       kReserved,       kStreamFormatTable, kRegister,
    kOpen,           kClose,          kVideoSourceCaps, kVideoFormats,   kDefaultProperties, kInitVideo,
    kStartCapture,   kSetProperty,    kGetProperty,     kAudioSourceCaps, kChipConfig,       kInitAudio,
    kVideoInputs,    kVideoInputType, kAudioInputType,  kSetVideoInput,  kSetAudioInput,     kGetTuner,
    kSetTuner,       kReserved,
    kOpen,           kClose,          kVideoSourceCaps, kVideoFormats,   kDefaultProperties, kInitVideo,
    kStartCapture,   kSetProperty,    kGetProperty,     kAudioSourceCaps, kChipConfig,       kInitAudio,
    kVideoInputs,    kVideoInputType, kAudioInputType,  kSetVideoInput,  kSetAudioInput,     kGetTuner,
    kSetTuner,       kReserved,
};
constexpr size_t kSelectors = sizeof(kOpBySelector) / sizeof(kOpBySelector[0]);

u8 SelectorOf(Op op) {
    for (size_t i = 0; i < kSelectors; ++i)
        if (kOpBySelector[i] == op) return static_cast<u8>(i);
    return 0;
}

// Argument kinds: the fuzzer picks a kind byte, then the value.
enum ArgKind : u8 { kArgSmall, kArgPropertyIndex, kArgBit, kArgFull, kArgKindCount };

u32 Arg(Bytes& in) {
    switch (in.U8() % kArgKindCount) {
        case kArgSmall: return static_cast<u32>(static_cast<s32>(static_cast<int8_t>(in.U8())));
        case kArgPropertyIndex: return 0x1000u + (in.U8() & 7u);
        case kArgBit: return 1u << (in.U8() % 32);
        default: return in.U32();
    }
}

constexpr size_t kMaxLive = 6;
constexpr u32 kBoards = kBoardCount;

// The status codes an operation may return (besides a host result it hands
// back): a bit per code.
enum CodeBit : u32 { kSuccessBit = 1, kInvalidBit = 2, kBusFailureBit = 4, kNotSupportedBit = 8 };
u32 CodesOf(Op op) {
    switch (op) {
        case kVideoFormats:
        case kStartCapture:
        case kSetVideoInput:
        case kSetAudioInput: return kSuccessBit | kInvalidBit;
        case kInitVideo:
        case kInitAudio: return kSuccessBit | kInvalidBit | kBusFailureBit;
        default: return kSuccessBit | kInvalidBit | kBusFailureBit | kNotSupportedBit;
    }
}
bool Allowed(u32 status, u32 codes) {
    return (status == kStatusSuccess && (codes & kSuccessBit) != 0) ||
           (status == kStatusInvalid && (codes & kInvalidBit) != 0) ||
           (status == kStatusBusFailure && (codes & kBusFailureBit) != 0) ||
           (status == kStatusNotSupported && (codes & kNotSupportedBit) != 0);
}

// Tuner records by property id: mode capabilities, frequency, status; others unused.
size_t TunerRecordFields(u32 id) {
    switch (id) {
        case 1: return kTunerModeCapsFields;
        case 4: return kTunerFrequencyFields;
        case 6: return kTunerStatusFields;
        default: return 0;
    }
}

struct Live {
    u32 board;
    void* context;
};

struct Target {
    u32 board;
    void* context;
};

// Operations that hand a failed host call's own result back: the picture
// controls of every decoder board (the status of the last register write as
// the host gave it) and the CCD camera's capture start.
bool PassesHostResult(u32 board, Op op) {
    constexpr u32 kDecoderBoards[] = {2, 3, 4, 5, 6, 8};  // Heron I to Bittern, Kestrel
    constexpr u32 kSwift = 9;
    if (op == kStartCapture) return board == kSwift;
    if (op != kSetProperty) return false;
    for (u32 b : kDecoderBoards)
        if (b == board) return true;
    return false;
}

class Driver {
public:
    Driver() {
        host_.SetScript(&script_);
        for (u32 b = 0; b < kBoards; ++b) {
            const BoardDescriptor& board = host_.Board(b);
            if (board.boardOps == nullptr || board.videoOps == nullptr) Finding("board without board or video table");
            videoCaps_[b] = board.videoOps->GetVideoSourceCaps();
            audioCaps_[b] = board.audioOps != nullptr ? board.audioOps->GetAudioSourceCaps() : 0;
            inputs_[b] = board.inputOps != nullptr ? board.inputOps->GetVideoInputs() : 0;
        }
    }

    void Run(const u8* data, size_t size) {
        const size_t opLength = size < 2 ? 0 : std::min<size_t>(data[0] | data[1] << 8, size - 2);
        Bytes ops(data + 2, opLength);
        const size_t hostAt = std::min(size, 2 + opLength);
        script_.Reset(Bytes(data + hostAt, size - hostAt));
        Kernel::Get().ClearTraces();
        Kernel::Get().ClearPoolErrors();
        host_.ClearLog();
        host_.Register();

        size_t count = 0;
        while (!ops.Empty() && count++ < 256) Step(ops);
        while (!live_.empty()) {
            const Live l = live_.back();
            live_.pop_back();
            Checked(kClose, l.board, [&] { return host_.Board(l.board).boardOps->CloseBoard(l.context); });
        }
        if (!Kernel::Get().LiveAllocations().empty()) Finding("allocations left after every context was closed");
    }

private:
    const BoardDescriptor& Board(u32 b) { return host_.Board(b); }

    Target PickTarget(Bytes& in) {
        const u8 s = in.U8();
        if ((s & 0x80) != 0 && !live_.empty()) {
            const Live& l = live_[(s & 0x7F) % live_.size()];
            return {l.board, l.context};
        }
        return {static_cast<u32>(s % kBoards), nullptr};
    }

    // Runs one operation and checks what every operation must keep to.
    template <typename Call>
    u32 Checked(Op op, u32 board, Call call) {
        const size_t allocationsBefore = Kernel::Get().AllocationCount();
        const size_t freesBefore = Kernel::Get().FreeCount();
        host_.ClearLog();
        const u32 status = call();
        const Kernel& kernel = Kernel::Get();
        if (!kernel.TraceErrors().empty()) Finding("trace: " + kernel.TraceErrors().front());
        if (!kernel.PoolErrors().empty()) Finding("pool: " + kernel.PoolErrors().front());
        if (!host_.DeviceGuardIntact()) Finding("device record written past its end");
        const size_t allocated = kernel.AllocationCount() - allocationsBefore;
        const size_t freed = kernel.FreeCount() - freesBefore;
        if (op != kOpen && allocated != 0) Finding("allocation outside OpenBoard");
        if (op == kOpen && allocated > 1) Finding("OpenBoard allocated twice");
        if (op != kClose && freed != 0) Finding("free outside CloseBoard");
        CheckStatus(op, board, status);
        Kernel::Get().ClearTraces();
        return status;
    }

    void CheckStatus(Op op, u32 board, u32 status) {
        switch (op) {
            case kVideoSourceCaps:
                if (status != videoCaps_[board]) Finding("video source capabilities changed");
                return;
            case kAudioSourceCaps:
                if (status != audioCaps_[board]) Finding("audio source capabilities changed");
                return;
            case kVideoInputs:
                if (status != inputs_[board]) Finding("input count changed");
                return;
            case kVideoInputType:
                if (status < 8 || status == kStatusInvalid || status == kStatusBusFailure) return;
                Finding("video input type " + std::to_string(status));
            case kAudioInputType:
                if (status < 8 || status == kStatusInvalid) return;
                Finding("audio input type " + std::to_string(status));
            case kClose:
            case kReserved:
                if (status != kStatusSuccess) Finding("CloseBoard or a reserved slot returned non-zero");
                return;
            case kOpen:
                if (status == kStatusSuccess || status == kStatusInvalid || status == kStatusNoMemory) return;
                Finding("OpenBoard status " + std::to_string(status));
            default:
                break;
        }
        if (Allowed(status, CodesOf(op))) return;
        if (PassesHostResult(board, op)) {
            for (const BusCall& call : host_.Log())
                if (call.injected && call.result == status) return;
        }
        char text[160];
        std::snprintf(text, sizeof(text), "board %u operation %u returned 0x%08X", board, static_cast<unsigned>(op),
                      status);
        Finding(text);
    }

    void Step(Bytes& in) {
        const Op op = kOpBySelector[in.U8() % kSelectors];
        switch (op) {
            case kOpen: return Open(in);
            case kClose: return Close(in);
            case kRegister:
                host_.Register();
                return;
            default: break;
        }
        const Target t = PickTarget(in);
        const BoardDescriptor& board = Board(t.board);
        const VideoOps& video = *board.videoOps;
        void* device = host_.Device();
        const u8 nulls = in.U8();  // bit i: pass null for the operation's i-th pointer
        switch (op) {
            case kVideoSourceCaps:
                Checked(op, t.board, [&] { return video.GetVideoSourceCaps(); });
                return;
            case kStreamFormatTable: {
                const StreamFormatTable* table = nullptr;
                Checked(op, t.board, [&] {
                    table = video.GetStreamFormatTable();
                    return 0u;
                });
                if (table != nullptr) CheckStreamTable(*table);
                return;
            }
            case kVideoFormats: {
                Record count(sizeof(u32), 0);
                Record formats(kMaxVideoFormats * sizeof(VideoFormat), in.U8());
                const u32 status = Checked(op, t.board, [&] {
                    return video.GetVideoFormats(t.context, device, (nulls & 1) ? nullptr : count.As<u32>(),
                                                 (nulls & 2) ? nullptr : formats.As<VideoFormat>());
                });
                if (!count.GuardIntact() || !formats.GuardIntact()) Finding("GetVideoFormats wrote past a record");
                if (status == kStatusSuccess && *count.As<u32>() > kMaxVideoFormats) Finding("format count");
                return;
            }
            case kDefaultProperties: {
                Record properties(sizeof(VideoPropertySet), in.U8());
                Checked(op, t.board, [&] {
                    video.GetDefaultVideoProperties(t.context, device,
                                                    (nulls & 1) ? nullptr : properties.As<VideoPropertySet>());
                    return 0u;
                });
                if (!properties.GuardIntact()) Finding("GetDefaultVideoProperties wrote past the record");
                return;
            }
            case kInitVideo: {
                const u32 standard = Arg(in);
                const u32 source = Arg(in);
                Record properties(sizeof(VideoPropertySet), 0);
                for (u32 i = 0; i < kVideoPropertyCount; ++i) properties.As<VideoPropertySet>()->value[i] = Arg(in);
                const auto before = properties.Contents();
                Checked(op, t.board, [&] {
                    return video.InitVideoSource(t.context, device, standard, source,
                                                 (nulls & 1) ? nullptr : properties.As<VideoPropertySet>());
                });
                if (!properties.GuardIntact() || properties.Contents() != before)
                    Finding("InitVideoSource wrote to the host's properties");
                return;
            }
            case kStartCapture: {
                Record config(sizeof(CaptureConfig), in.U8());
                CaptureConfig* c = config.As<CaptureConfig>();
                c->standardMask = Arg(in);
                c->captureWidth = Arg(in);
                c->captureHeight = Arg(in);
                c->hOffset = Arg(in);
                c->vOffset = Arg(in);
                const auto before = config.Contents();
                Checked(op, t.board,
                        [&] { return video.OnStartCapture(t.context, device, (nulls & 1) ? nullptr : c); });
                if (!config.GuardIntact()) Finding("OnStartCapture wrote past the CaptureConfig");
                const auto after = config.Contents();
                for (size_t i = 0; i < after.size(); ++i)
                    if (after[i] != before[i] && !host::ModuleMayWrite(i))
                        Finding("OnStartCapture wrote CaptureConfig byte " + std::to_string(i));
                return;
            }
            case kSetProperty: {
                const u32 index = Arg(in);
                const u32 value = Arg(in);
                const u32 extra = Arg(in);
                Checked(op, t.board, [&] { return video.SetVideoProperty(t.context, device, index, value, extra); });
                return;
            }
            case kGetProperty: {
                const u32 index = Arg(in);
                Record value(sizeof(u32), in.U8());
                Checked(op, t.board, [&] {
                    return video.GetVideoProperty(t.context, device, index, (nulls & 1) ? nullptr : value.As<u32>());
                });
                if (!value.GuardIntact()) Finding("GetVideoProperty wrote past the value");
                return;
            }
            default: break;
        }
        if (op <= kInitAudio) {
            if (board.audioOps == nullptr) return;
            return Audio(op, t, in, nulls);
        }
        if (op <= kSetAudioInput) {
            if (board.inputOps == nullptr) return;
            return Inputs(op, t, in);
        }
        if (op <= kSetTuner) {
            if (board.tunerOps == nullptr) return;
            return Tuner(op, t, in, nulls);
        }
        Reserved(t, in);
    }

    void Open(Bytes& in) {
        const u32 b = in.U8() % kBoards;
        const u8 flags = in.U8();  // bit 0: null contextOut, 1: null info, 2: allocation fails
        const u8 fill = in.U8();
        if (live_.size() >= kMaxLive) return;
        Record info(sizeof(BoardInfo), fill);
        const auto before = info.Contents();
        void* const sentinel = reinterpret_cast<void*>(uintptr_t{0x5EA1});
        void* context = sentinel;
        const size_t allocationsBefore = Kernel::Get().AllocationCount();
        if ((flags & 4) != 0) Kernel::Get().FailAllocation(1);
        const u32 status = Checked(kOpen, b, [&] {
            return Board(b).boardOps->OpenBoard(nullptr, (flags & 1) ? nullptr : &context,
                                                (flags & 2) ? nullptr : info.As<BoardInfo>());
        });
        Kernel::Get().FailAllocation(0);
        if (!info.GuardIntact()) Finding("OpenBoard wrote past the BoardInfo");
        const bool allocated = Kernel::Get().AllocationCount() != allocationsBefore;
        if (status != kStatusSuccess) {
            if (allocated) Finding("a failed OpenBoard kept an allocation");
            if (context != sentinel || info.Contents() != before) Finding("a failed OpenBoard changed its records");
            return;
        }
        if (allocated) {
            const auto& pool = Kernel::Get().LiveAllocations();
            if (pool.empty() || pool.back().pointer != context) Finding("OpenBoard's context is not its allocation");
            live_.push_back({b, context});
        } else {
            if (context != sentinel && context != nullptr) Finding("OpenBoard returned a context it did not allocate");
            live_.push_back({b, nullptr});
        }
    }

    void Close(Bytes& in) {
        const u8 s = in.U8();
        if (live_.empty()) return;
        const size_t i = s % live_.size();
        const Live l = live_[i];
        live_.erase(live_.begin() + static_cast<ptrdiff_t>(i));
        const size_t freesBefore = Kernel::Get().FreeCount();
        Checked(kClose, l.board, [&] { return Board(l.board).boardOps->CloseBoard(l.context); });
        const bool freed = Kernel::Get().FreeCount() != freesBefore;
        if (freed != (l.context != nullptr)) Finding("CloseBoard did not free exactly its context");
        for (const auto& a : Kernel::Get().LiveAllocations())
            if (a.pointer == l.context && l.context != nullptr) Finding("context still live after CloseBoard");
    }

    void Audio(Op op, const Target& t, Bytes& in, u8 nulls) {
        const AudioOps& audio = *Board(t.board).audioOps;
        void* device = host_.Device();
        Record config(sizeof(AudioConfig), 0);
        AudioConfig* a = config.As<AudioConfig>();
        a->formatTag = Arg(in);
        a->sampleRate = Arg(in);
        a->modeSelect = Arg(in);
        a->sampleParameter = Arg(in);
        const auto before = config.Contents();
        const AudioConfig* audioConfig = (nulls & 2) ? nullptr : a;
        switch (op) {
            case kAudioSourceCaps:
                Checked(op, t.board, [&] { return audio.GetAudioSourceCaps(); });
                break;
            case kChipConfig: {
                Record chip(sizeof(AudioChipConfig), in.U8());
                Checked(op, t.board, [&] {
                    audio.GetAudioChipconfig(t.context, device, (nulls & 1) ? nullptr : chip.As<AudioChipConfig>(),
                                             audioConfig);
                    return 0u;
                });
                if (!chip.GuardIntact()) Finding("GetAudioChipconfig wrote past the record");
                break;
            }
            default:
                Checked(op, t.board, [&] { return audio.InitAudio(t.context, device, audioConfig); });
                break;
        }
        if (!config.GuardIntact() || config.Contents() != before) Finding("the module wrote the AudioConfig");
    }

    void Inputs(Op op, const Target& t, Bytes& in) {
        const InputOps& inputs = *Board(t.board).inputOps;
        void* device = host_.Device();
        switch (op) {
            case kVideoInputs: Checked(op, t.board, [&] { return inputs.GetVideoInputs(); }); break;
            case kVideoInputType: Checked(op, t.board, [&] { return inputs.GetVideoInputType(t.context); }); break;
            case kAudioInputType: Checked(op, t.board, [&] { return inputs.GetAudioInputType(t.context); }); break;
            case kSetVideoInput: {
                const u32 id = Arg(in);
                Checked(op, t.board, [&] { return inputs.Set_Current_Video_InputID(t.context, device, id); });
                break;
            }
            default: {
                const u32 id = Arg(in);
                Checked(op, t.board, [&] { return inputs.Set_Current_Audio_InputID(t.context, device, id); });
                break;
            }
        }
    }

    void Tuner(Op op, const Target& t, Bytes& in, u8 nulls) {
        const TunerOps& tuner = *Board(t.board).tunerOps;
        void* device = host_.Device();
        const u32 id = Arg(in);
        const size_t fields = TunerRecordFields(id);
        Record record(fields * sizeof(u32), 0);
        for (size_t i = 0; i < fields; ++i) record.As<u32>()[i] = Arg(in);
        u32* recordPointer = (nulls & 2) ? nullptr : record.As<u32>();
        if (op == kGetTuner) {
            Record value(sizeof(u32), in.U8());
            Checked(op, t.board, [&] {
                return tuner.GetTunerProperty(t.context, device, id, (nulls & 1) ? nullptr : value.As<u32>(),
                                              recordPointer);
            });
            if (!value.GuardIntact()) Finding("GetTunerProperty wrote past the value");
        } else {
            const u32 value = Arg(in);
            Checked(op, t.board, [&] { return tuner.SetTunerProperty(t.context, device, id, value, recordPointer); });
        }
        if (!record.GuardIntact()) Finding("a tuner property wrote past its record");
    }

    void Reserved(const Target& t, Bytes& in) {
        const BoardDescriptor& board = Board(t.board);
        switch (in.U8() % 3) {
            case 0:
                if (board.videoOps->Reserved5 != nullptr)
                    Checked(kReserved, t.board, [&] { return board.videoOps->Reserved5(); });
                break;
            case 1:
                if (board.videoOps->Reserved7 != nullptr)
                    Checked(kReserved, t.board, [&] { return board.videoOps->Reserved7(); });
                break;
            default:
                if (board.audioOps != nullptr && board.audioOps->Reserved3 != nullptr)
                    Checked(kReserved, t.board, [&] { return board.audioOps->Reserved3(); });
                break;
        }
    }

    // The module fills three sections of its stream format table; the rest is
    // the host's and stays zero.
    static void CheckStreamTable(const StreamFormatTable& table) {
        if (table.frameSizeCount > kMaxFrameSizeEntries || table.frameRateCount > kMaxFrameRateEntries ||
            table.optionCount > kMaxStreamOptionEntries)
            Finding("stream format table counts out of range");
        for (u8 b : table.hostArea)
            if (b != 0) Finding("stream format table: host area written");
        for (u8 b : table.tail)
            if (b != 0) Finding("stream format table: tail written");
    }

    SimHost host_;
    FuzzHost script_;
    std::vector<Live> live_;
    std::array<u32, kBoards> videoCaps_{};
    std::array<u32, kBoards> audioCaps_{};
    std::array<u32, kBoards> inputs_{};
};

Driver* g_driver = nullptr;

// ---------------------------------------------------------------------------
// Seeds: the host's default session on each board, in the input format above.
class SeedWriter {
public:
    void Op(Op op) { bytes_.push_back(SelectorOf(op)); }
    void Byte(u8 b) { bytes_.push_back(b); }
    void Full(u32 value) {
        bytes_.push_back(kArgFull);
        for (u32 i = 0; i < 4; ++i) bytes_.push_back(static_cast<u8>(value >> (8 * i)));
    }
    std::vector<u8> Input() const {
        std::vector<u8> input = {static_cast<u8>(bytes_.size()), static_cast<u8>(bytes_.size() >> 8)};
        input.insert(input.end(), bytes_.begin(), bytes_.end());
        return input;
    }

private:
    std::vector<u8> bytes_;
};

std::vector<u8> DefaultSession(SimHost& host, u32 b) {
    const BoardDescriptor& board = host.Board(b);
    // The board's own formats and defaults, asked from the module.
    BoardInfo info{};
    void* context = nullptr;
    board.boardOps->OpenBoard(nullptr, &context, &info);
    std::array<VideoFormat, kMaxVideoFormats> formats{};
    u32 formatCount = 0;
    board.videoOps->GetVideoFormats(context, host.Device(), &formatCount, formats.data());
    VideoPropertySet defaults{};
    board.videoOps->GetDefaultVideoProperties(context, host.Device(), &defaults);
    board.boardOps->CloseBoard(context);
    if (formatCount > kMaxVideoFormats) formatCount = 0;

    constexpr u8 kLive0 = 0x80;
    SeedWriter w;
    w.Op(kOpen), w.Byte(static_cast<u8>(b)), w.Byte(0), w.Byte(0);
    w.Op(kVideoSourceCaps), w.Byte(kLive0), w.Byte(0);
    w.Op(kVideoFormats), w.Byte(kLive0), w.Byte(0), w.Byte(0);
    w.Op(kStreamFormatTable), w.Byte(kLive0), w.Byte(0);
    w.Op(kDefaultProperties), w.Byte(kLive0), w.Byte(0), w.Byte(0);
    w.Op(kInitVideo), w.Byte(kLive0), w.Byte(0);
    w.Full(formatCount != 0 ? formats[0].standardMask : kStdNtscM), w.Full(0);
    for (u32 v : defaults.value) w.Full(v);
    for (u32 p = 1; p <= kVideoPropertyCount; ++p) {
        w.Op(kSetProperty), w.Byte(kLive0), w.Byte(0), w.Full(p), w.Full(defaults.value[p - 1]), w.Full(0);
        w.Op(kGetProperty), w.Byte(kLive0), w.Byte(0), w.Full(p), w.Byte(0);
    }
    for (u32 p = 0x1000; p <= 0x1003; ++p) w.Op(kGetProperty), w.Byte(kLive0), w.Byte(0), w.Full(p), w.Byte(0);
    w.Op(kAudioSourceCaps), w.Byte(kLive0), w.Byte(0), w.Full(1), w.Full(48000), w.Full(0), w.Full(0);
    w.Op(kChipConfig), w.Byte(kLive0), w.Byte(0), w.Full(1), w.Full(48000), w.Full(0), w.Full(0), w.Byte(0);
    w.Op(kInitAudio), w.Byte(kLive0), w.Byte(0), w.Full(1), w.Full(48000), w.Full(0), w.Full(0);
    w.Op(kVideoInputs), w.Byte(kLive0), w.Byte(0);
    for (u32 input : {1u, 0u}) {
        w.Op(kSetVideoInput), w.Byte(kLive0), w.Byte(0), w.Full(input);
        w.Op(kVideoInputType), w.Byte(kLive0), w.Byte(0);
    }
    w.Op(kSetAudioInput), w.Byte(kLive0), w.Byte(0), w.Full(3);
    w.Op(kAudioInputType), w.Byte(kLive0), w.Byte(0);
    if (board.tunerOps != nullptr) {
        for (u32 id = 0; id <= 10; ++id) {
            w.Op(kGetTuner), w.Byte(kLive0), w.Byte(0), w.Full(id);
            for (size_t i = 0; i < TunerRecordFields(id); ++i) w.Full(i == 0 && id == 1 ? 1 : 0);
            w.Byte(0);
        }
        w.Op(kSetTuner), w.Byte(kLive0), w.Byte(0), w.Full(2), w.Full(1);  // TV mode
        w.Op(kSetTuner), w.Byte(kLive0), w.Byte(0), w.Full(4);             // a channel
        w.Full(55250000);
        for (size_t i = 1; i < kTunerFrequencyFields; ++i) w.Full(0);
        w.Full(0);
    }
    for (u32 f = 0; f < formatCount; ++f) {
        w.Op(kStartCapture), w.Byte(kLive0), w.Byte(0), w.Byte(0);
        w.Full(formats[f].standardMask), w.Full(formats[f].width), w.Full(formats[f].height), w.Full(0), w.Full(0);
    }
    w.Op(kClose), w.Byte(0);
    return w.Input();
}

void WriteSeeds(const char* directory) {
    SimHost host;
    for (u32 b = 0; b < kBoards; ++b) {
        const std::vector<u8> seed = DefaultSession(host, b);
        const std::string path = std::string(directory) + "/board" + std::to_string(b);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(seed.data()), static_cast<std::streamsize>(seed.size()));
        if (!out) Finding("cannot write " + path);
    }
}

}  // namespace
}  // namespace trel::fuzz

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    if (const char* seeds = std::getenv("TREL_FUZZ_SEEDS")) {
        trel::fuzz::WriteSeeds(seeds);
        std::exit(0);
    }
    trel::fuzz::g_driver = new trel::fuzz::Driver();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trel::fuzz::g_driver->Run(data, size);
    return 0;
}
