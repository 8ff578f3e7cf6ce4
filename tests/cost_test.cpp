// What the module costs the host: kernel stack per operation, the stack probe
// that measures it, and the wire-time model.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "session.h"
#include "stack_probe.h"
#include "test_support.h"
#include "wire_time.h"

extern "C" unsigned int DbgPrint(const char* format, ...);

#if TREL_STACK_GATES
// Frames of known size, for the probe's own checks: 64 bytes below the return
// address; and 56 bytes, then a call of fn(argument, 0) (return address at 64;
// under the Windows convention the 56 hold the callee's home area).
extern "C" void CostTestFrame64();
extern "C" unsigned CostTestCall(unsigned (*fn)(const char*, unsigned), const char* argument);
#if defined(_WIN64)
#define TREL_TEST_FUNCTION(name) ".globl " name "\n.def " name "; .scl 2; .type 32; .endef\n" name ":\n"
#define TREL_TEST_END(name) ""
#define TREL_TEST_CALL_ARGUMENTS "mov %rcx, %rax\nmov %rdx, %rcx\nxor %edx, %edx\n"
#else
#define TREL_TEST_FUNCTION(name) ".globl " name "\n.type " name ", @function\n" name ":\n"
#define TREL_TEST_END(name) ".size " name ", .-" name "\n"
#define TREL_TEST_CALL_ARGUMENTS "mov %rdi, %rax\nmov %rsi, %rdi\nxor %esi, %esi\n"
#endif
asm(".text\n" TREL_TEST_FUNCTION("CostTestFrame64") R"(
    sub $64, %rsp
    movq $1, (%rsp)
    add $64, %rsp
    ret
)" TREL_TEST_END("CostTestFrame64") TREL_TEST_FUNCTION("CostTestCall") R"(
    push %rbx
    sub $48, %rsp
)" TREL_TEST_CALL_ARGUMENTS R"(
    call *%rax
    add $48, %rsp
    pop %rbx
    ret
)" TREL_TEST_END("CostTestCall"));
#endif

namespace trel::test {
namespace {

using host::ProbeStack;
using host::StackUse;

// The module shares 24 KiB of kernel stack with the host driver and the I2C
// stack under it: each operation keeps its own frames under 512 bytes in
// TrelBoard.sys (whose convention gives every frame that calls a 32-byte home
// area) and under 256 in libTrelBoard.so.
#if defined(_WIN64)
constexpr size_t kModuleStackLimit = 512;
#else
constexpr size_t kModuleStackLimit = 256;
#endif

struct Session {
    std::vector<std::string> bus;
    std::vector<std::string> traces;
};

// Every operation of one board in the host's order; with `probe`, each on the
// probe stack, checked against the limit.
Session RunSession(SimHost& host, size_t index, bool probe) {
    Kernel::Get().ClearTraces();
    host.ClearLog();
    host::Engine engine(host);
    for (const host::Step& step : host::OperationCases(host.Board(index), index)) {
        engine.Run(step, [&](host::Invoker invoker, host::Call& call) {
            u32 status = 0;
            if (!probe) return invoker(call);
            const StackUse use = host::ProbeCall(invoker, call, status);
            EXPECT_LT(use.module, kModuleStackLimit)
                << host::OpName(step.op) << " " << step.label << ": module " << use.module
                << " bytes, deepest service call " << use.deepestCall;
            EXPECT_LE(use.deepestCall, use.module);
            return status;
        });
    }
    Session session{host.FormattedLog(), Kernel::Get().Traces()};
    Kernel::Get().ClearTraces();
    return session;
}

// Tests of the probe's measures, where it can measure.
class StackProbeTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        if (!host::StackProbeAvailable()) GTEST_SKIP() << host::StackProbeAbsence();
    }
};

class StackDepthTest : public StackProbeTest, public ::testing::WithParamInterface<size_t> {};

// Also: the probe changes nothing the module does (same bus calls with the
// same stack-passed arguments, same trace lines).
TEST_P(StackDepthTest, EveryOperationStaysUnderTheLimitAndBehavesAsWithoutProbe) {
    Session plain;
    Session probed;
    {
        SimHost fresh;  // chips in their power-on state for each session
        plain = RunSession(fresh, GetParam(), false);
    }
    {
        SimHost fresh;
        probed = RunSession(fresh, GetParam(), true);
    }
    host_.Register();
    EXPECT_EQ(probed.bus, plain.bus);
    EXPECT_EQ(probed.traces, plain.traces);
    EXPECT_FALSE(plain.traces.empty());
}

INSTANTIATE_TEST_SUITE_P(AllBoards, StackDepthTest, AllBoards(), BoardParamName);

// The probe itself, on frames of known size.
#if TREL_STACK_GATES
TEST_F(StackProbeTest, SeesExactlyTheFrameBelowTheEntry) {
    const StackUse use = ProbeStack([] { CostTestFrame64(); });
    EXPECT_EQ(use.module, 64u);
    EXPECT_EQ(use.serviceCalls, 0u);
    EXPECT_EQ(ProbeStack([] {}).module, 0u);
}

// A service call leaves only its return address on the probe stack, however
// much stack the host's side of it takes.
TEST_F(StackProbeTest, ServiceWorkRunsOffTheProbeStack) {
    // The table the module sees while the probe runs.
    const StackUse use = ProbeStack([&] { CostTestCall(host_.Registered()->QueryParameter, "50Hz"); });
    EXPECT_EQ(use.module, 64u);
    EXPECT_EQ(use.deepestCall, 64u);
    EXPECT_EQ(use.serviceCalls, 1u);
    EXPECT_EQ(Bus(), (std::vector<std::string>{host_.Log().at(0).Format()}));
    EXPECT_EQ(host_.Log().at(0).name, "50Hz");
    EXPECT_EQ(host_.Registered(), host_.Services());  // the host's own table is back
}
#endif

#if TREL_STACK_GATES && defined(_WIN64)
// Host code meets the thread's stack bounds round the stack it runs on, as in
// a fibre: the glue on the probe stack, a service on the service stack, the
// caller's own bounds again after the probe.
struct StackBounds {
    const void* top = nullptr;
    const void* bottom = nullptr;
    bool holdsFrame = false;
};
StackBounds CurrentBounds() {
    const char* top = nullptr;  // the thread information block's stack top (gs:8) and bottom (gs:16)
    const char* bottom = nullptr;
    asm volatile("mov %%gs:8, %0\n\tmov %%gs:16, %1" : "=r"(top), "=r"(bottom));
    volatile char local = 0;
    const auto* at = const_cast<const char*>(&local);
    return {top, bottom, at < top && at >= bottom};
}
StackBounds g_serviceBounds;
u32 NoteServiceBounds(const char*, u32) {
    g_serviceBounds = CurrentBounds();
    return 0;
}

TEST_F(StackProbeTest, HostCodeMeetsTheBoundsOfTheStackItRunsOn) {
    const StackBounds before = CurrentBounds();
    HostServices noting = *host_.Services();
    noting.QueryParameter = NoteServiceBounds;
    host_.RegisterTable(&noting);
    g_serviceBounds = {};
    StackBounds glue;
    const StackUse use = ProbeStack([&] {
        glue = CurrentBounds();
        CostTestCall(host_.Registered()->QueryParameter, "50Hz");
    });
    host_.Register();
    EXPECT_EQ(use.serviceCalls, 1u);
    EXPECT_TRUE(before.holdsFrame);
    EXPECT_TRUE(glue.holdsFrame);
    EXPECT_TRUE(g_serviceBounds.holdsFrame);
    EXPECT_NE(glue.top, before.top);
    EXPECT_NE(g_serviceBounds.top, glue.top);
    const StackBounds after = CurrentBounds();
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.bottom, before.bottom);
}
#endif

TEST_F(StackProbeTest, KernelCallsWithStackArgumentsPassThrough) {
    const StackUse use = ProbeStack([] {
        DbgPrint("<TRELCAP.SYS> ");
        DbgPrint("%d %d %d %d %d %d %d %d %s", 1, 2, 3, 4, 5, 6, 7, 8, "nine");
        DbgPrint("\n");
    });
    EXPECT_EQ(use.serviceCalls, 3u);
    EXPECT_EQ(Traces(), (std::vector<std::string>{"1 2 3 4 5 6 7 8 nine"}));
}

// Wire bits of each kind of call, as the module makes them (one row per
// service, through the host's services table).
struct WireRow {
    const char* name;
    void (*call)(const HostServices& services, void* device);
    uint64_t bits;
};

const WireRow kWireRows[] = {
    {"I2cWrite", [](const HostServices& s, void* d) { s.I2cWrite(d, 0x40, kI2cRegisterWidth, 0x0A, 0x99, 0); }, 29},
    {"I2cRead", [](const HostServices& s, void* d) { u8 v = 0; s.I2cRead(d, 0x40, kI2cRegisterWidth, 0x1F, &v, 0); }, 39},
    {"I2cWriteBuffer",
     [](const HostServices& s, void* d) { const u8 b[4] = {0x0B, 0x8E, 0x0C, 0x60}; s.I2cWriteBuffer(d, 0xC2, 0, 0, 4, b, 0); },
     2 + 9 * 5},
    {"I2cWriteSubaddress",
     [](const HostServices& s, void* d) {
         const u8 header[4] = {0x80, 0x10, 0x00, 0x30}, data[2] = {0x20, 0x43};
         s.I2cWriteSubaddress(d, 4, header, 2, data, 0);
     },
     2 + 9 * 6},
    {"I2cReadSubaddress",
     [](const HostServices& s, void* d) { const u8 h[2] = {0x86, 0x1F}; u8 data[3] = {}; s.I2cReadSubaddress(d, 2, h, 3, data, 0); },
     3 + 9 * 6},
    {"SerialWrite", [](const HostServices& s, void* d) { s.SerialWrite(d, 8, 0x5E, 2, 1, 6, 0x28, kSerialMode); }, 16},
    {"EncoderWrite", [](const HostServices& s, void* d) { s.EncoderWrite(d, 0x4137, 7); }, 0},
    {"QueryParameter", [](const HostServices& s, void*) { s.QueryParameter("50Hz", 0); }, 0},
};

class WireTimeTest : public HostTest, public ::testing::WithParamInterface<WireRow> {};

TEST_P(WireTimeTest, BitsPerCallFollowTheTransactionModel) {
    GetParam().call(*host_.Services(), device());
    ASSERT_EQ(host_.Log().size(), 1u);
    const uint64_t bits = host::WireBits(host_.Log()[0]);
    EXPECT_EQ(bits, GetParam().bits);
    EXPECT_EQ(host::WireNanoseconds(bits, 100), bits * 10000);
    EXPECT_EQ(host::WireNanoseconds(bits, 400), bits * 2500);
}

INSTANTIATE_TEST_SUITE_P(Services, WireTimeTest, ::testing::ValuesIn(kWireRows),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace trel::test
