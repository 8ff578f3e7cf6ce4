// The operation engine: the one way the host kit drives the module. A session
// is a list of steps; each step is one call of a board's operation table with
// its arguments, the records the host hands over (or a null pointer where the
// host passes none) and the host's answers while it runs (register presets,
// scripted reads, a failed call, parameters). The engine prepares the records
// in host memory with guard bytes behind them, makes the call, and reports
// what happened: the status, the trace lines and bus calls in the order they
// happened, the records as the module left them, and any misuse the host saw.
//
// trelhost, the benchmark and the cost tools, the fault sweep, the fuzz target
// and the tests all build step lists and hand them to an Engine.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frame/host_interface.h"
#include "host_codes.h"
#include "sim_host.h"

namespace trel::host {

// The slot's name as the host and the module's traces call it
// ("Set_Current_Video_InputID", "Reserved5", ...).
const char* OpName(Op op);
std::optional<Op> FindOp(std::string_view name);
// Whether the board's descriptor has the table holding the slot.
bool HasSlot(const BoardDescriptor& board, Op op);
// Whether the slot returns a status the host reads (not GetDefaultVideoProperties,
// GetAudioChipconfig, GetStreamFormatTable nor GetBoardModuleCaps).
bool ReturnsStatus(Op op);

// A pointer argument: a host record, or a null pointer.
struct RecordArg {
    bool null = false;
    // The record's first bytes as the host fills them; the rest is `fill`.
    // Left empty for the records the engine fills as the host does (see Step).
    std::vector<u8> bytes;
    u8 fill = 0;
    size_t size = 0;  // 0: the slot's own record size
};

// What the host answers while the step runs (applied to the SimHost before
// the call; a failure applies to this step only).
struct HostAnswers {
    struct Register {
        u8 address;
        u16 reg;
        u8 value;
    };
    struct Read {
        u8 address;
        u16 reg;
        std::vector<u8> bytes;
    };
    std::vector<Register> registers;  // register file presets
    std::vector<Read> reads;          // scripted answers of successive reads
    std::vector<std::pair<std::string, u32>> parameters;
    size_t failCall = 0;  // the n-th host call of the step fails (1 = the first); 0 none
    u32 failResult = 1;
};

// Which context a step passes.
inline constexpr int kCurrentContext = -1;  // the board's most recently opened, still open
inline constexpr int kNullContext = -2;     // a null pointer
// 0, 1, ...: the engine's open contexts, in the order they were opened.

struct Step {
    Op op = Op::OpenBoard;
    size_t board = 0;       // catalogue index
    std::string label;      // the case, for reports ("brightness 60"); "" for the plain call
    std::string arguments;  // as reports show them; "" : described by the engine
    // The u32 arguments in slot order: SetVideoProperty index, value, extra;
    // GetVideoProperty index; InitVideoSource standard, source; the input id;
    // Get/SetTunerProperty id, value.
    std::array<u32, 3> args{};
    int context = kCurrentContext;
    // The pointer arguments in slot order: OpenBoard info; GetVideoFormats
    // count, formats; GetDefaultVideoProperties, InitVideoSource properties;
    // OnStartCapture config; GetVideoProperty value; GetAudioChipconfig
    // chip config, audio config; InitAudio audio config; GetTunerProperty
    // value, record; SetTunerProperty record. Empty bytes mean the host's
    // usual contents: InitVideoSource gets the defaults the host last read
    // from the board (zeros before), OnStartCapture a zero-filled record with
    // the `capture` request, audio configurations 48 kHz PCM.
    std::array<RecordArg, 2> records{};
    // OpenBoard: whether the host passes somewhere for the context (else null).
    bool contextOut = true;
    // OnStartCapture: unset fields come from the first format the host read
    // that serves the standard (the first format when no standard is asked),
    // as the host picks its capture; without formats NTSC-M at 720x480.
    struct CaptureRequest {
        std::optional<u32> standard;
        std::optional<u32> width;
        std::optional<u32> height;
    } capture;
    HostAnswers answers;
};

// A trace line or a bus call of a step, in the order they happened.
struct SessionEvent {
    enum class Kind { Trace, Bus };
    Kind kind;
    size_t index;  // into SessionStep::traces or SessionStep::bus
};

// What a step did.
struct SessionStep {
    Op op = Op::OpenBoard;
    size_t board = 0;
    std::string operation;  // OpName(op)
    std::string label;
    std::string arguments;
    std::array<u32, 3> args{};  // the u32 arguments passed, as in Step
    std::optional<u32> status;  // what the operation returned; none for operations without a result
    std::vector<std::string> traces;  // complete trace messages
    std::vector<BusCall> bus;
    std::vector<SessionEvent> events;
    // Broken trace patterns, pool misuse, writes past or outside host records,
    // allocations outside OpenBoard, contexts not freed by CloseBoard.
    std::vector<std::string> problems;
    // The pointer arguments' bytes as the module left them (empty for a null pointer).
    std::array<std::vector<u8>, 2> records;

    // Records the operation filled, read as the host reads them.
    std::optional<BoardInfo> boardInfo;  // OpenBoard
    void* context = nullptr;             // OpenBoard: the context it returned; others: the one passed
    std::vector<VideoFormat> formats;    // GetVideoFormats: the records it counted
    std::optional<VideoPropertySet> properties;  // GetDefaultVideoProperties
    std::optional<bool> streamFormatTable;       // GetStreamFormatTable: a table was returned
    // A copy of the returned table as it was when the call returned (the module
    // rebuilds it in place at the next call).
    std::shared_ptr<const StreamFormatTable> streamTable;
    std::optional<u32> value;                     // GetVideoProperty, GetTunerProperty: the value on success
    std::optional<AudioChipConfig> chipConfig;    // GetAudioChipconfig
    std::optional<CaptureConfig> captureConfig;   // OnStartCapture
    std::optional<std::array<u32, kTunerFrequencyFields>> frequencyRecord;  // GetTunerProperty frequency
    std::optional<u32> tvAudioModes;  // GetTunerProperty 8: the TV-audio modes available, on success

    std::string StatusText() const;  // "0x00000000", or "none"
};

// Reads the records the module left (s.records, s.status and s.op set) as the
// host reads them back: board info, formats, defaults, the stream table
// (`table`, the pointer GetStreamFormatTable returned), property values, chip
// configuration, capture fields and tuner records. `args`: the step's u32 arguments.
void ReadBack(SessionStep& s, const std::array<u32, 3>& args, const StreamFormatTable* table);

// CaptureConfig bytes the module may write at capture start; every other byte is the host's.
bool ModuleMayWrite(size_t offset);

using StepObserver = std::function<void(const SessionStep&)>;

// A call as the module receives it: everything it reads, in host memory.
struct Call {
    Op op = Op::OpenBoard;
    const BoardDescriptor* board = nullptr;
    void* context = nullptr;
    void* device = nullptr;
    std::array<u32, 3> args{};
    std::array<void*, 2> pointers{};
    void** contextOut = nullptr;
    StreamFormatTable* table = nullptr;  // GetStreamFormatTable's answer
    const HostServices* services = nullptr;  // RegisterServices
};
// The bare call of a slot: nothing but the module call, reached by a tail call
// where the slot returns a status and the calling convention allows (a stack
// probe subtracts what the invoker adds: see stack_probe.h).
using Invoker = u32 (*)(Call& call);
Invoker InvokerOf(Op op);

class Engine {
public:
    explicit Engine(SimHost& host, StepObserver observer = {});
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Prepares, makes and reports one step. `make` makes the call (a stack
    // probe, a timer); by default the invoker is called once.
    using Maker = std::function<u32(Invoker, Call&)>;
    SessionStep Run(const Step& step, const Maker& make = {});
    // Runs the steps in order; a session ends early when a board does not open.
    // Returns whether every step ran.
    bool RunAll(const std::vector<Step>& steps);
    // Closes every context still open, newest first (each a reported step).
    void CloseAll();

    // For measuring tools: the call prepared (records filled, answers
    // applied) but not made, to be made any number of times with its invoker;
    // Refill() restores the records the host handed over. Finish() reports it.
    struct Prepared;
    std::unique_ptr<Prepared> Prepare(const Step& step);
    static Call& CallOf(Prepared& prepared);
    static void Refill(Prepared& prepared);
    SessionStep Finish(std::unique_ptr<Prepared> prepared, u32 status);

    SimHost& Host() { return host_; }
    // Open contexts, in the order they were opened.
    struct Open {
        size_t board;
        void* context;
        std::vector<void*> allocations;  // what its OpenBoard allocated
    };
    const std::vector<Open>& OpenContexts() const { return open_; }
    // What the host has read from a board: its formats and default properties.
    const std::vector<VideoFormat>& Formats(size_t board) const;

private:
    void* ContextFor(const Step& step) const;

    SimHost& host_;
    StepObserver observer_;
    std::vector<Open> open_;
    std::map<size_t, std::vector<VideoFormat>> formats_;
    std::map<size_t, VideoPropertySet> defaults_;
};

// A prepared call and where the host's and the kernel's records stood before it.
struct Engine::Prepared {
    Step step;
    Call call;
    std::array<std::vector<u8>, 2> storage;  // each record followed by its guard
    std::array<size_t, 2> sizes{};
    std::array<std::vector<u8>, 2> handed;  // the bytes the host handed over
    void* contextOut = nullptr;
    // Where the host's and the kernel's records stood before the call.
    size_t traces = 0;
    size_t traceErrors = 0;
    size_t poolErrors = 0;
    size_t log = 0;
    size_t allocations = 0;
    size_t frees = 0;
    size_t live = 0;
    bool deviceGuard = true;
};

}  // namespace trel::host
