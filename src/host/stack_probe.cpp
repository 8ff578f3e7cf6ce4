// The stack probe: a pattern-filled probe stack entered through ucontext, and
// the gates by which the module reaches the host meanwhile (x86-64 System V).
#include "stack_probe.h"

#if TREL_STACK_GATES

#include <ucontext.h>

#include <cstdint>
#include <cstring>

#include "frame/host_interface.h"
#include "sim_host.h"

extern "C" {
unsigned int TrelKernelDbgPrint(const char* format, ...);
void* TrelKernelExAllocatePoolWithTag(int poolType, size_t numberOfBytes, unsigned int tag);
void TrelKernelExFreePoolWithTag(void* p, unsigned int tag);
}

// ---------------------------------------------------------------------------
// Gate state, shared with the gates below. Slots 0 to 12 are those of the
// HostServices table; 13 to 15 the kernel exports.
namespace {
using GateTarget = void (*)();
constexpr int kServiceSlots = 13;
constexpr int kDbgPrintSlot = 13;
}  // namespace

extern "C" {
__attribute__((visibility("hidden"))) GateTarget trel_probe_targets[16] = {
    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
    nullptr,
    reinterpret_cast<GateTarget>(&TrelKernelDbgPrint),
    reinterpret_cast<GateTarget>(&TrelKernelExAllocatePoolWithTag),
    reinterpret_cast<GateTarget>(&TrelKernelExFreePoolWithTag),
};
// Non-zero while the module runs on the probe stack (zero while a gate's
// target runs, so that a gated call made by the host itself goes straight through).
__attribute__((visibility("hidden"))) unsigned char trel_probe_active = 0;
__attribute__((visibility("hidden"))) unsigned char* trel_probe_service_top = nullptr;
__attribute__((visibility("hidden"))) uintptr_t trel_probe_lowest_call = 0;
__attribute__((visibility("hidden"))) uint64_t trel_probe_calls = 0;
}

// A gate. Inactive: a jump to the target, as if called directly. Active: with
// only %r10 and %r11 (scratch in the calling convention) and without a byte
// written below the caller's stack pointer, count the call, note the address
// of its return address, move to the service stack, copy the eight words above
// the return address (stack arguments, e.g. of SerialWrite or a DbgPrint with
// many arguments) and call the target; %al (vector argument count of a
// variadic call) and every argument register pass through untouched.
asm(R"(
    .text
    .macro TREL_GATE name, slot
    .p2align 4
    .type \name, @function
\name:
    cmpb $0, trel_probe_active(%rip)
    jne 1f
    jmp *trel_probe_targets+8*\slot(%rip)
1:  mov %rsp, %r11
    incq trel_probe_calls(%rip)
    cmp trel_probe_lowest_call(%rip), %r11
    jae 2f
    mov %r11, trel_probe_lowest_call(%rip)
2:  mov trel_probe_service_top(%rip), %rsp
    sub $80, %rsp
    mov %r11, 72(%rsp)
    mov 8(%r11), %r10
    mov %r10, 0(%rsp)
    mov 16(%r11), %r10
    mov %r10, 8(%rsp)
    mov 24(%r11), %r10
    mov %r10, 16(%rsp)
    mov 32(%r11), %r10
    mov %r10, 24(%rsp)
    mov 40(%r11), %r10
    mov %r10, 32(%rsp)
    mov 48(%r11), %r10
    mov %r10, 40(%rsp)
    mov 56(%r11), %r10
    mov %r10, 48(%rsp)
    mov 64(%r11), %r10
    mov %r10, 56(%rsp)
    movb $0, trel_probe_active(%rip)
    call *trel_probe_targets+8*\slot(%rip)
    movb $1, trel_probe_active(%rip)
    mov 72(%rsp), %rsp
    ret
    .size \name, .-\name
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
)");

extern "C" {
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
    ucontext_t hostContext;
    ucontext_t probeContext;
    const std::function<void()>* operation = nullptr;
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

void Entry() {
    ProbeState& s = State();
    (*s.operation)();
    swapcontext(&s.probeContext, &s.hostContext);
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
    s.operation = &operation;
    const unsigned char* top = s.stack + sizeof(s.stack);

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

    getcontext(&s.probeContext);
    s.probeContext.uc_stack.ss_sp = s.stack;
    s.probeContext.uc_stack.ss_size = sizeof(s.stack);
    s.probeContext.uc_link = nullptr;
    makecontext(&s.probeContext, Entry, 0);
    trel_probe_service_top = s.serviceStack + sizeof(s.serviceStack);
    trel_probe_lowest_call = reinterpret_cast<uintptr_t>(top);
    trel_probe_calls = 0;
    trel_probe_active = 1;
    swapcontext(&s.hostContext, &s.probeContext);
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

bool StackProbeAvailable() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
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
// Invokers that do nothing, shaped as the engine's: one that is a tail call,
// and one that calls, keeps the answer and returns (the slots without a status).
u32 EmptyInvoker(Call&) { return 0; }
StreamFormatTable* NoTable() { return nullptr; }
// Called through memory, as the invokers call the module: no knowledge of the
// callee's registers lets the compiler shrink the frame.
StreamFormatTable* (*volatile g_noTable)() = NoTable;
u32 EmptyCallingInvoker(Call& call) {
    call.table = g_noTable();
    return 0;
}
Invoker volatile g_emptyInvoker = EmptyInvoker;
Invoker volatile g_emptyCallingInvoker = EmptyCallingInvoker;
std::function<void()> BindCall(Invoker invoker, Call& call, u32& status) {
    return [invoker, &call, &status] { status = invoker(call); };
}
size_t CallGlue(Invoker empty) {
    Call nothing;
    u32 ignored = 0;
    return Run(BindCall(empty, nothing, ignored)).deepest;
}
}  // namespace

StackUse ProbeCall(Invoker invoker, Call& call, u32& status) {
    static const size_t tailGlue = CallGlue(g_emptyInvoker);
    static const size_t callingGlue = CallGlue(g_emptyCallingInvoker);
    return LessGlue(Run(BindCall(invoker, call, status)), ReturnsStatus(call.op) ? tailGlue : callingGlue);
}

}  // namespace trel::host

#else  // no gates: operations run as they are, unmeasured

namespace trel::host {

bool StackProbeAvailable() { return false; }

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
