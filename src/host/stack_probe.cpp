// The stack probe: a pattern-filled probe stack, the switch onto it, and the
// gates by which the module reaches the host meanwhile, for both x86-64
// calling conventions (System V on Linux, the Windows x64 one under Wine).
#include "stack_probe.h"

#if TREL_STACK_GATES

#include <cstdint>
#include <cstring>

#include "frame/host_interface.h"
#include "sim_host.h"

extern "C" {
unsigned int TrelKernelDbgPrint(const char* format, ...);
void* TrelKernelExAllocatePoolWithTag(int poolType, size_t numberOfBytes, unsigned int tag);
void TrelKernelExFreePoolWithTag(void* p, unsigned int tag);
}

#if defined(_WIN64)
#define TREL_PROBE_STATE
#else
#define TREL_PROBE_STATE __attribute__((visibility("hidden")))
#endif

// ---------------------------------------------------------------------------
// Gate state, shared with the gates below. Slots 0 to 12 are those of the
// HostServices table; 13 to 15 the kernel exports.
namespace {
using GateTarget = void (*)();
constexpr int kServiceSlots = 13;
constexpr int kDbgPrintSlot = 13;
}  // namespace

extern "C" {
TREL_PROBE_STATE GateTarget trel_probe_targets[16] = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr,
    reinterpret_cast<GateTarget>(&TrelKernelDbgPrint),
    reinterpret_cast<GateTarget>(&TrelKernelExAllocatePoolWithTag),
    reinterpret_cast<GateTarget>(&TrelKernelExFreePoolWithTag),
};
// Non-zero while the module runs on the probe stack (zero while a gate's
// target runs, so that a gated call made by the host itself goes straight through).
TREL_PROBE_STATE unsigned char trel_probe_active = 0;
// Both stacks, each from its top (the highest address, where it starts) to
// its bottom; Windows also keeps the current stack's bounds in the thread's
// information block.
TREL_PROBE_STATE unsigned char* trel_probe_stack_top = nullptr;
TREL_PROBE_STATE unsigned char* trel_probe_stack_bottom = nullptr;
TREL_PROBE_STATE unsigned char* trel_probe_service_top = nullptr;
TREL_PROBE_STATE unsigned char* trel_probe_service_bottom = nullptr;
TREL_PROBE_STATE uintptr_t trel_probe_lowest_call = 0;
TREL_PROBE_STATE uint64_t trel_probe_calls = 0;
}

// What differs between the two calling conventions, as assembler macros and
// constants used by the code below:
//   TREL_FUNCTION / TREL_END   a function's symbol directives (ELF or COFF);
//   TREL_ARGS_IN               where the caller's stack arguments start, above
//                              the return address (Windows: past the 32-byte
//                              home area the caller reserves);
//   TREL_ARGS_OUT              where they go below a call (Windows: again past
//                              a home area, which the callee may fill);
//   TREL_STACK_BOUNDS which    Windows: the thread's information block (gs:8
//                              its stack's top, gs:16 its bottom) told which
//                              stack is current, "stack" (the probe's) or
//                              "service", as a fibre switch does, so that host
//                              code meets the bounds it runs within (an
//                              exception unwound on the service stack checks
//                              its frames against them); clobbers %r10 only;
// and trel_probe_enter(top, entry, operation), which calls entry(operation) on
// the stack that ends at top and comes back.
#if defined(_WIN64)
asm(R"(
    .macro TREL_FUNCTION name
    .p2align 4
    .def \name; .scl 2; .type 32; .endef
\name:
    .endm
    .macro TREL_END name
    .endm
    .set TREL_ARGS_IN, 40
    .set TREL_ARGS_OUT, 32
    .macro TREL_STACK_BOUNDS which
    mov trel_probe_\which\()_top(%rip), %r10
    mov %r10, %gs:8
    mov trel_probe_\which\()_bottom(%rip), %r10
    mov %r10, %gs:16
    .endm

    .text
    .globl trel_probe_enter
    TREL_FUNCTION trel_probe_enter
    push %rbx
    push %rsi
    push %rdi
    mov %rsp, %rbx
    mov %gs:8, %rsi
    mov %gs:16, %rdi
    TREL_STACK_BOUNDS stack
    lea -32(%rcx), %rsp
    mov %r8, %rcx
    call *%rdx
    mov %rsi, %gs:8
    mov %rdi, %gs:16
    mov %rbx, %rsp
    pop %rdi
    pop %rsi
    pop %rbx
    ret
    TREL_END trel_probe_enter
)");
#else
asm(R"(
    .macro TREL_FUNCTION name
    .p2align 4
    .type \name, @function
\name:
    .endm
    .macro TREL_END name
    .size \name, .-\name
    .endm
    .set TREL_ARGS_IN, 8
    .set TREL_ARGS_OUT, 0
    .macro TREL_STACK_BOUNDS which
    .endm

    .text
    .globl trel_probe_enter
    .hidden trel_probe_enter
    TREL_FUNCTION trel_probe_enter
    push %rbx
    mov %rsp, %rbx
    mov %rdi, %rsp
    mov %rdx, %rdi
    call *%rsi
    mov %rbx, %rsp
    pop %rbx
    ret
    TREL_END trel_probe_enter
)");
#endif

// A gate. Inactive: a jump to the target, as if called directly. Active: with
// only %r10 and %r11 (scratch in both conventions) and without a byte written
// below the caller's stack pointer, count the call, note the address of its
// return address, move to the service stack, copy eight words of the caller's
// stack arguments (e.g. of SerialWrite or a DbgPrint with many arguments) and
// call the target; every argument register (and %al, the vector argument
// count of a variadic System V call) passes through untouched. The frame on
// the service stack: home area (Windows), the eight words, the caller's stack
// pointer, padding to 16 bytes.
asm(R"(
    .set TREL_GATE_SAVED, TREL_ARGS_OUT+64
    .set TREL_GATE_FRAME, TREL_GATE_SAVED+16
    .text
    .macro TREL_GATE name, slot
    TREL_FUNCTION \name
    cmpb $0, trel_probe_active(%rip)
    jne 1f
    jmp *trel_probe_targets+8*\slot(%rip)
1:  mov %rsp, %r11
    incq trel_probe_calls(%rip)
    cmp trel_probe_lowest_call(%rip), %r11
    jae 2f
    mov %r11, trel_probe_lowest_call(%rip)
2:  mov trel_probe_service_top(%rip), %rsp
    sub $TREL_GATE_FRAME, %rsp
    mov %r11, TREL_GATE_SAVED(%rsp)
    .irp word, 0, 1, 2, 3, 4, 5, 6, 7
    mov TREL_ARGS_IN+8*\word(%r11), %r10
    mov %r10, TREL_ARGS_OUT+8*\word(%rsp)
    .endr
    TREL_STACK_BOUNDS service
    movb $0, trel_probe_active(%rip)
    call *trel_probe_targets+8*\slot(%rip)
    movb $1, trel_probe_active(%rip)
    TREL_STACK_BOUNDS stack
    mov TREL_GATE_SAVED(%rsp), %rsp
    ret
    TREL_END \name
    .endm

    TREL_GATE trel_probe_gate_0, 0
    TREL_GATE trel_probe_gate_1, 1
    TREL_GATE trel_probe_gate_2, 2
    TREL_GATE trel_probe_gate_3, 3
    TREL_GATE trel_probe_gate_4, 4
    TREL_GATE trel_probe_gate_5, 5
    TREL_GATE trel_probe_gate_6, 6
    TREL_GATE trel_probe_gate_7, 7
    TREL_GATE trel_probe_gate_8, 8
    TREL_GATE trel_probe_gate_9, 9
    TREL_GATE trel_probe_gate_10, 10
    TREL_GATE trel_probe_gate_11, 11
    TREL_GATE trel_probe_gate_12, 12
    .globl DbgPrint
    TREL_GATE DbgPrint, 13
    .globl ExAllocatePoolWithTag
    TREL_GATE ExAllocatePoolWithTag, 14
    .globl ExFreePoolWithTag
    TREL_GATE ExFreePoolWithTag, 15
    .purgem TREL_GATE
    .purgem TREL_FUNCTION
    .purgem TREL_END
    .purgem TREL_STACK_BOUNDS
)");

extern "C" {
void trel_probe_enter(unsigned char* top, void (*entry)(const std::function<void()>*),
                      const std::function<void()>* operation);
void trel_probe_gate_0();
void trel_probe_gate_1();
void trel_probe_gate_2();
void trel_probe_gate_3();
void trel_probe_gate_4();
void trel_probe_gate_5();
void trel_probe_gate_6();
void trel_probe_gate_7();
void trel_probe_gate_8();
void trel_probe_gate_9();
void trel_probe_gate_10();
void trel_probe_gate_11();
void trel_probe_gate_12();
}

namespace trel::host {
namespace {

static_assert(sizeof(HostServices) == kServiceSlots * sizeof(GateTarget));
static_assert(kDbgPrintSlot == kServiceSlots);

constexpr GateTarget kServiceGates[kServiceSlots] = {
    trel_probe_gate_0, trel_probe_gate_1, trel_probe_gate_2,  trel_probe_gate_3, trel_probe_gate_4,
    trel_probe_gate_5, trel_probe_gate_6, trel_probe_gate_7,  trel_probe_gate_8, trel_probe_gate_9,
    trel_probe_gate_10, trel_probe_gate_11, trel_probe_gate_12,
};

constexpr size_t kProbeStackSize = 64 * 1024;
constexpr size_t kServiceStackSize = 1024 * 1024;
constexpr unsigned char kPattern = 0xC5;

struct ProbeState {
    alignas(64) unsigned char stack[kProbeStackSize];
    alignas(64) unsigned char serviceStack[kServiceStackSize];
    HostServices gates{};
};

ProbeState& State() {
    static ProbeState* state = new ProbeState();
    return *state;
}

size_t g_glue = 0;
bool g_calibrated = false;

bool WordUntouched(const unsigned char* word) {
    for (size_t i = 0; i < sizeof(uint64_t); ++i) {
        if (word[i] != kPattern) return false;
    }
    return true;
}

// Not a tail call (the barrier): every operation's frames start below the
// same frame of Entry's.
void Entry(const std::function<void()>* operation) {
    (*operation)();
    asm volatile("" ::: "memory");
}

// Depths are counted from the top of the probe stack.
struct RawUse {
    size_t deepest;
    size_t deepestCall;
    size_t calls;
};

RawUse Run(const std::function<void()>& operation) {
    ProbeState& s = State();
    std::memset(s.stack, kPattern, sizeof(s.stack));
    unsigned char* top = s.stack + sizeof(s.stack);

    // The module meets the host's services through the gates.
    SimHost* host = ActiveHost();
    const HostServices* registered = host != nullptr ? host->Registered() : nullptr;
    if (registered != nullptr) {
        GateTarget targets[kServiceSlots];
        GateTarget gates[kServiceSlots];
        std::memcpy(targets, registered, sizeof(targets));
        for (int i = 0; i < kServiceSlots; ++i) {
            trel_probe_targets[i] = targets[i];
            gates[i] = targets[i] != nullptr ? kServiceGates[i] : nullptr;
        }
        std::memcpy(&s.gates, gates, sizeof(gates));
        host->RegisterTable(&s.gates);
    }

    trel_probe_stack_top = top;
    trel_probe_stack_bottom = s.stack;
    trel_probe_service_top = s.serviceStack + sizeof(s.serviceStack);
    trel_probe_service_bottom = s.serviceStack;
    trel_probe_lowest_call = reinterpret_cast<uintptr_t>(top);
    trel_probe_calls = 0;
    trel_probe_active = 1;
    trel_probe_enter(top, Entry, &operation);
    trel_probe_active = 0;

    if (registered != nullptr) host->RegisterTable(registered);

    // Stack slots are words: a word with any byte changed was touched (a
    // byte that happens to equal the pattern does not hide the word).
    size_t lowest = 0;
    while (lowest < sizeof(s.stack) && WordUntouched(s.stack + lowest)) lowest += sizeof(uint64_t);
    return {sizeof(s.stack) - lowest, static_cast<size_t>(reinterpret_cast<uintptr_t>(top) - trel_probe_lowest_call),
            trel_probe_calls};
}

void Calibrate() {
    g_calibrated = true;
    g_glue = Run([] {}).deepest;
}

}  // namespace

namespace {
constexpr const char kInstrumentedFrames[] =
    "the instrumented build's frames hold the sanitizers' redzones, and their runtime does not follow a switch of stacks";
}  // namespace

const char* StackProbeAbsence() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
    return kInstrumentedFrames;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
    return kInstrumentedFrames;
#else
    return nullptr;
#endif
#else
    return nullptr;
#endif
}

namespace {
// What a run used, less the glue of the call into the operation.
StackUse LessGlue(const RawUse& raw, size_t glue) {
    StackUse use;
    use.deepest = raw.deepest;
    use.module = raw.deepest > glue ? raw.deepest - glue : 0;
    use.deepestCall = raw.calls > 0 && raw.deepestCall > glue ? raw.deepestCall - glue : 0;
    use.serviceCalls = raw.calls;
    return use;
}
}  // namespace

StackUse ProbeStack(const std::function<void()>& operation) {
    if (!g_calibrated) Calibrate();
    return LessGlue(Run(operation), g_glue);
}

size_t StackProbeGlue() {
    if (!g_calibrated) Calibrate();
    return g_glue;
}

namespace {
// A board whose every slot does nothing: the engine's own invoker of an
// operation, calling it, reaches the module's entry exactly as deep as with a
// real board (a tail call, or, where the convention wants the caller's stack
// for arguments or the slot returns no status, a call from a frame of the
// invoker's own), so that depth is the glue.
template <typename Result, typename... Args>
Result Nothing(Args...) {
    return Result();
}
constexpr BoardOps kNoBoardOps = {Nothing, Nothing};
constexpr VideoOps kNoVideoOps = {Nothing, Nothing, Nothing, Nothing, Nothing,
                                  Nothing, Nothing, Nothing, Nothing, Nothing};
constexpr AudioOps kNoAudioOps = {Nothing, Nothing, Nothing, Nothing};
constexpr InputOps kNoInputOps = {Nothing, Nothing, Nothing, Nothing, Nothing};
constexpr TunerOps kNoTunerOps = {Nothing, Nothing};
constexpr BoardDescriptor kNoBoard = {sizeof(BoardDescriptor), 0, 0, 0, &kNoBoardOps, &kNoVideoOps,
                                      &kNoAudioOps, &kNoInputOps, &kNoTunerOps};

// GetBoardModuleCaps is the module's export, not a slot: its glue is that of
// an invoker that only forwards to a function doing nothing, and whatever
// its own invoker adds is charged to the module.
u32 EmptyInvoker(Call&) { return 0; }
Invoker volatile g_emptyInvoker = EmptyInvoker;

std::function<void()> BindCall(Invoker invoker, Call& call, u32& status) {
    return [invoker, &call, &status] { status = invoker(call); };
}

size_t CallGlue(Invoker invoker, Op op) {
    Call nothing;
    nothing.op = op;
    nothing.board = &kNoBoard;
    u32 ignored = 0;
    return Run(BindCall(op == Op::RegisterServices ? g_emptyInvoker : invoker, nothing, ignored)).deepest;
}
}  // namespace

StackUse ProbeCall(Invoker invoker, Call& call, u32& status) {
    // Measured once per operation: the engine's invoker of an operation is always the same.
    static size_t glue[kOpCount] = {};
    size_t& opGlue = glue[static_cast<size_t>(call.op)];
    if (opGlue == 0) opGlue = CallGlue(invoker, call.op);
    return LessGlue(Run(BindCall(invoker, call, status)), opGlue);
}

}  // namespace trel::host

#else  // no gates: operations run as they are, unmeasured

namespace trel::host {

const char* StackProbeAbsence() { return "the stack probe has no gates for this platform's calling convention"; }

StackUse ProbeStack(const std::function<void()>& operation) {
    operation();
    return {};
}

size_t StackProbeGlue() { return 0; }

StackUse ProbeCall(Invoker invoker, Call& call, u32& status) {
    status = invoker(call);
    return {};
}

}  // namespace trel::host

#endif

namespace trel::host {
bool StackProbeAvailable() { return StackProbeAbsence() == nullptr; }
}  // namespace trel::host
