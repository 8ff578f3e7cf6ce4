// The stack probe: ucontext switching between the host's stack and a
// pattern-filled probe stack.
#include "stack_probe.h"

#include <ucontext.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "frame/host_interface.h"
#include "sim_host.h"

extern "C" {
unsigned int DbgPrint(const char* format, ...);
void* ExAllocatePoolWithTag(int poolType, size_t numberOfBytes, unsigned int tag);
void ExFreePoolWithTag(void* p, unsigned int tag);
}

namespace trel::host {
namespace {

constexpr size_t kProbeStackSize = 64 * 1024;
constexpr unsigned char kPattern = 0xC5;

struct ProbeState {
    alignas(64) unsigned char stack[kProbeStackSize];
    ucontext_t hostContext;
    ucontext_t probeContext;
    const std::function<void()>* operation = nullptr;
    const unsigned char* base = nullptr;  // depths are measured from here down
    bool active = false;
    bool finished = false;
    void (*pendingBody)(void*) = nullptr;
    void* pendingArgument = nullptr;
    size_t deepestCall = 0;
    size_t calls = 0;
};

ProbeState& State() {
    static ProbeState* state = new ProbeState();
    return *state;
}

size_t g_hostShare = 0;
size_t g_glue = 0;
bool g_calibrated = false;

void Entry() {
    ProbeState& s = State();
    s.base = static_cast<const unsigned char*>(__builtin_frame_address(0));
    (*s.operation)();
    s.finished = true;
    swapcontext(&s.probeContext, &s.hostContext);
}

struct RawUse {
    size_t deepest;
    size_t deepestCall;
    size_t calls;
};

RawUse Run(const std::function<void()>& operation) {
    ProbeState& s = State();
    std::memset(s.stack, kPattern, sizeof(s.stack));
    s.operation = &operation;
    s.finished = false;
    s.deepestCall = 0;
    s.calls = 0;
    s.pendingBody = nullptr;
    getcontext(&s.probeContext);
    s.probeContext.uc_stack.ss_sp = s.stack;
    s.probeContext.uc_stack.ss_size = sizeof(s.stack);
    s.probeContext.uc_link = nullptr;
    makecontext(&s.probeContext, Entry, 0);
    s.active = true;
    swapcontext(&s.hostContext, &s.probeContext);
    while (!s.finished) {
        // A service call: run it here, on the host's stack, then resume the module.
        s.active = false;
        s.pendingBody(s.pendingArgument);
        s.active = true;
        swapcontext(&s.hostContext, &s.probeContext);
    }
    s.active = false;
    size_t lowest = 0;
    while (lowest < sizeof(s.stack) && s.stack[lowest] == kPattern) ++lowest;
    const unsigned char* deepest = s.stack + lowest;
    return {deepest < s.base ? static_cast<size_t>(s.base - deepest) : 0, s.deepestCall, s.calls};
}

void CalibrateOnce();

// One call of each service from an operation that does nothing else: how far
// the service entry reaches below the call, and how deep an empty operation goes.
void Calibrate() {
    g_calibrated = true;
    // Twice: the first pass brings everything the services touch into being.
    for (int pass = 0; pass < 2; ++pass) CalibrateOnce();
}

void CalibrateOnce() {
    g_glue = Run([] {}).deepest;
    size_t share = 0;
    const auto measure = [&share](const std::function<void()>& call) {
        const RawUse use = Run(call);
        share = std::max(share, use.deepest - std::min(use.deepest, use.deepestCall));
    };
    SimHost* host = ActiveHost();
    if (host != nullptr) {
        const HostServices* services = host->Services();
        void* device = host->Device();
        u8 byte = 0;
        u8 bytes[4] = {};
        u32 selector = 0;
        u32 value = 0;
        measure([&] { services->I2cWrite(device, 0xFE, kI2cRegisterWidth, 0, 0, 0); });
        measure([&] { services->I2cRead(device, 0xFE, kI2cRegisterWidth, 0, &byte, 0); });
        measure([&] { services->I2cWriteBuffer(device, 0xFE, 0, 0, 2, bytes, 0); });
        measure([&] { services->I2cWriteSubaddress(device, 2, bytes, 2, bytes, 0); });
        measure([&] { services->I2cReadSubaddress(device, 2, bytes, 2, bytes, 0); });
        measure([&] { services->SerialWrite(device, 8, 0, 2, 0, 6, 0, kSerialMode); });
        measure([&] { services->DeviceControl(device, kDeviceControlRequest, &selector, &value, 0); });
        measure([&] { services->EncoderWrite(device, 0, 0); });
        measure([&] { services->QueryParameter("calibration", 0); });
        host->ClearLog();
    }
    measure([] {
        DbgPrint("%s", "");
        DbgPrint("%s %u %u %u %u", "", 1u, 2u, 3u, 4u);
    });
    Kernel::Get().ClearTraces();
    measure([] { ExFreePoolWithTag(ExAllocatePoolWithTag(kNonPagedPool, 16, kPoolTag), kPoolTag); });
    g_hostShare = share;
}

}  // namespace

bool StackProbeAvailable() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_UNDEFINED__)
    return false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return false;
#else
    return true;
#endif
#else
    return true;
#endif
}

bool StackProbeActive() { return State().active; }

void RunOnHostStack(const void* serviceFrame, void (*body)(void*), void* argument) {
    ProbeState& s = State();
    const auto* returnSlot = static_cast<const unsigned char*>(serviceFrame) + 8;
    if (returnSlot < s.base) s.deepestCall = std::max(s.deepestCall, static_cast<size_t>(s.base - returnSlot));
    ++s.calls;
    s.pendingBody = body;
    s.pendingArgument = argument;
    swapcontext(&s.probeContext, &s.hostContext);
}

StackUse ProbeStack(const std::function<void()>& operation) {
    if (!g_calibrated) Calibrate();
    const RawUse raw = Run(operation);
    StackUse use;
    use.deepest = raw.deepest;
    use.deepestCall = raw.deepestCall;
    use.serviceCalls = raw.calls;
    // The deepest byte is the module's own unless it lies within the reach of
    // the service entry below the deepest call; then the module's depth is that
    // call's.
    const size_t own = raw.deepest > raw.deepestCall + g_hostShare ? raw.deepest : raw.deepestCall;
    use.module = own > g_glue ? own - g_glue : 0;
    return use;
}

size_t StackProbeHostShare() {
    if (!g_calibrated) Calibrate();
    return g_hostShare;
}

size_t StackProbeGlue() {
    if (!g_calibrated) Calibrate();
    return g_glue;
}

}  // namespace trel::host
