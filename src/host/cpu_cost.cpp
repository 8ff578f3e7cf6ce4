// CPU per operation with a host that answers at once (see cpu_cost.h).
#include "cpu_cost.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <utility>

#include "frame/kernel.h"
#include "session.h"

namespace trel::host {
namespace {

size_t g_calls = 0;

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

// Service and DbgPrint calls made by `run`.
template <typename Run>
CpuFigures CountCalls(Run&& run) {
    const size_t services = g_calls;
    const size_t prints = Kernel::Get().DiscardedCalls();
    run();
    CpuFigures counted;
    counted.services = g_calls - services;
    counted.prints = Kernel::Get().DiscardedCalls() - prints;
    return counted;
}

// The shadow: as many calls as the case makes, through the table and the
// function read from memory each time.
CpuFigures g_shadowCalls;
const HostServices* volatile g_table = &kInstant;

u32 ShadowCall(Call& call) {
    for (size_t i = 0; i < g_shadowCalls.services; ++i) {
        const HostServices* table = g_table;
        table->I2cWrite(call.device, 0x40, 1, 0x0A, 0x99, 0);
    }
    for (size_t i = 0; i < g_shadowCalls.prints; ++i) DbgPrint("\n");
    return 0;
}
Invoker volatile g_shadow = ShadowCall;

// Calls are timed in batches, the clock read round each batch.
constexpr size_t kBatch = 64;
constexpr double kMinimumBatchNs = 2'000;
constexpr size_t kMaximumBatch = 4096;

inline void Clobber() { asm volatile("" : : : "memory"); }

template <typename Body>
double BatchNs(Body&& body) {
    const auto start = std::chrono::steady_clock::now();
    body();
    Clobber();
    return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
}

// Refills the records the host hands over, then makes the call.
inline u32 Make(Invoker invoker, Engine::Prepared& prepared) {
    Engine::Refill(prepared);
    return invoker(Engine::CallOf(prepared));
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

InstantHost::InstantHost() {
    host_.RegisterTable(&kInstant);
    Kernel::Get().DiscardTraces(true);
}

InstantHost::~InstantHost() { Kernel::Get().DiscardTraces(false); }

void RunCasesBefore(Engine& engine, const std::vector<Step>& cases, size_t index) {
    for (size_t s = 0; s < index; ++s) engine.Run(cases[s]);
}

struct CaseTimer::State {
    explicit State(SimHost& host) : engine(host) {}
    Engine engine;
    bool pair = false;  // OpenBoard or CloseBoard
    bool open = false;
    // Other operations: the call prepared once.
    std::unique_ptr<Engine::Prepared> prepared;
    Invoker invoker = nullptr;
    // OpenBoard and CloseBoard: a batch of boards.
    std::vector<std::unique_ptr<Engine::Prepared>> opens;
    std::vector<std::unique_ptr<Engine::Prepared>> closes;
    CpuFigures calls;
    size_t batch = kBatch;

    void OpenAll() {
        for (auto& open : opens) Make(InvokerOf(Op::OpenBoard), *open);
    }
    void CloseAll() {
        for (size_t i = 0; i < opens.size(); ++i) {
            Call& close = Engine::CallOf(*closes[i]);
            close.context = *Engine::CallOf(*opens[i]).contextOut;
            InvokerOf(Op::CloseBoard)(close);
        }
    }
};

CaseTimer::CaseTimer(InstantHost& host, const std::vector<Step>& cases, size_t index)
    : state_(std::make_unique<State>(host.Sim())) {
    State& s = *state_;
    const Step& step = cases[index];
    s.open = step.op == Op::OpenBoard;
    s.pair = s.open || step.op == Op::CloseBoard;
    if (s.pair) {
        for (size_t i = 0; i < kBatch; ++i) {
            s.opens.push_back(s.engine.Prepare(cases.front()));
            s.closes.push_back(s.engine.Prepare(cases.back()));
        }
        const CpuFigures opened = CountCalls([&] { Make(InvokerOf(Op::OpenBoard), *s.opens[0]); });
        Engine::CallOf(*s.closes[0]).context = *Engine::CallOf(*s.opens[0]).contextOut;
        const CpuFigures closed = CountCalls([&] { InvokerOf(Op::CloseBoard)(Engine::CallOf(*s.closes[0])); });
        s.calls = s.open ? opened : closed;
    } else {
        RunCasesBefore(s.engine, cases, index);
        s.prepared = s.engine.Prepare(step);
        s.invoker = InvokerOf(step.op);
        s.calls = CountCalls([&] { Make(s.invoker, *s.prepared); });
        while (s.batch < kMaximumBatch && BatchNs([&] {
                   for (size_t i = 0; i < s.batch; ++i) Make(s.invoker, *s.prepared);
               }) < kMinimumBatchNs)
            s.batch *= 2;
    }
}

CaseTimer::~CaseTimer() {
    State& s = *state_;
    if (s.prepared) s.engine.Finish(std::move(s.prepared), 0);
    s.engine.CloseAll();  // every case ends closed
}

void CaseTimer::Round() {
    State& s = *state_;
    g_shadowCalls = s.calls;
    Engine::Prepared& shadowed = s.pair ? *s.opens[0] : *s.prepared;
    if (s.pair && s.open) {
        operationNs_.push_back(BatchNs([&] { s.OpenAll(); }));
        s.CloseAll();
    } else if (s.pair) {
        s.OpenAll();
        operationNs_.push_back(BatchNs([&] { s.CloseAll(); }));
    } else {
        operationNs_.push_back(BatchNs([&] {
            for (size_t i = 0; i < s.batch; ++i) Make(s.invoker, *s.prepared);
        }));
    }
    shadowNs_.push_back(BatchNs([&] {
        for (size_t i = 0; i < s.batch; ++i) Make(g_shadow, shadowed);
    }));
}

CpuFigures CaseTimer::Figures() const {
    CpuFigures figures = state_->calls;
    if (!operationNs_.empty()) {
        const double batch = static_cast<double>(state_->batch);
        figures.cpuNs = Median(operationNs_) / batch;
        figures.moduleNs = figures.cpuNs - Median(shadowNs_) / batch;
    }
    return figures;
}

CpuFigures MeasureCase(InstantHost& host, const std::vector<Step>& cases, size_t index, double minimumNs,
                       int repetitions) {
    std::vector<double> cpu;
    std::vector<double> module;
    CpuFigures figures;
    for (int r = 0; r < repetitions; ++r) {
        CaseTimer timer(host, cases, index);
        const auto start = std::chrono::steady_clock::now();
        do {
            timer.Round();
        } while (std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count() <
                 minimumNs);
        figures = timer.Figures();
        cpu.push_back(figures.cpuNs);
        module.push_back(figures.moduleNs);
    }
    figures.cpuNs = Median(cpu);
    figures.moduleNs = Median(module);
    return figures;
}

// ---------------------------------------------------------------------------
namespace {

// The platform's own routines, called through pointers read each time so
// that every call is made and none is inlined.
void* (*volatile g_memset)(void*, int, size_t) = std::memset;
void* (*volatile g_memcpy)(void*, const void*, size_t) = std::memcpy;
constexpr double kMinimumReferenceNs = 10'000;

MemorySpeed TimeAgainstReference(MemorySpeed speed, Call& call, int rounds) {
    const Invoker invoker = InvokerOf(speed.op);
    std::vector<unsigned char> to(speed.bytes);
    const std::vector<unsigned char> from(speed.bytes, 0x5A);
    const bool fill = speed.op == Op::GetStreamFormatTable;
    std::vector<double> operation;
    std::vector<double> reference;
    const auto referenceBatch = [&](size_t batch) {
        return BatchNs([&] {
            for (size_t i = 0; i < batch; ++i) {
                if (fill) {
                    g_memset(to.data(), 0, to.size());
                } else {
                    g_memcpy(to.data(), from.data(), to.size());
                }
            }
        });
    };
    // Batches long enough for a coarse clock (Windows counts in 100 ns) to
    // time the quicker of the two closely.
    size_t batch = kBatch;
    while (referenceBatch(batch) < kMinimumReferenceNs && batch < kMaximumBatch) batch *= 2;
    for (int r = 0; r < rounds; ++r) {
        const double op = BatchNs([&] {
            for (size_t i = 0; i < batch; ++i) invoker(call);
        });
        const double ref = referenceBatch(batch);
        operation.push_back(op / static_cast<double>(batch));
        reference.push_back(ref / static_cast<double>(batch));
    }
    // An interrupted batch only takes longer: the quickest batch of each is
    // its undisturbed time.
    const auto ratio = [](double op, double ref) { return ref > 0 ? op / ref : 0; };
    speed.operationNs = Median(operation);
    speed.referenceNs = Median(reference);
    speed.bestRatio = ratio(*std::min_element(operation.begin(), operation.end()),
                            *std::min_element(reference.begin(), reference.end()));
    speed.medianRatio = ratio(speed.operationNs, speed.referenceNs);
    return speed;
}

}  // namespace

std::vector<MemorySpeed> MeasureMemorySpeed(InstantHost& host, size_t board, int rounds) {
    std::vector<MemorySpeed> speeds;
    const std::vector<Step> cases = OperationCases(host.Sim().Board(board), board);
    for (size_t index = 0; index < cases.size(); ++index) {
        const Op op = cases[index].op;
        if (op != Op::GetStreamFormatTable && op != Op::GetVideoFormats) continue;
        Engine engine(host.Sim());
        RunCasesBefore(engine, cases, index);
        std::unique_ptr<Engine::Prepared> prepared = engine.Prepare(cases[index]);
        Call& call = Engine::CallOf(*prepared);
        InvokerOf(op)(call);  // what one call writes
        MemorySpeed speed;
        speed.op = op;
        if (op == Op::GetStreamFormatTable) {
            speed.bytes = call.table != nullptr ? sizeof(StreamFormatTable) : 0;
        } else {
            u32 count = 0;
            std::memcpy(&count, call.pointers[0], sizeof(count));
            speed.reference = "memcpy";
            speed.bytes = sizeof(u32) + std::min<size_t>(count, kMaxVideoFormats) * sizeof(VideoFormat);
        }
        if (speed.bytes != 0) speeds.push_back(TimeAgainstReference(speed, call, rounds));
        engine.Finish(std::move(prepared), 0);
        engine.CloseAll();
    }
    return speeds;
}

}  // namespace trel::host
