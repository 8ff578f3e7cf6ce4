// What the module costs the host: kernel stack per operation, and the stack
// probe that measures it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "operations.h"
#include "stack_probe.h"
#include "test_support.h"
#include "wire_time.h"

namespace trel::test {
namespace {

using host::Operations;
using host::OperationState;
using host::ProbeStack;
using host::StackUse;

// The module shares 24 KiB of kernel stack with the host driver and the I2C
// stack under it: each operation keeps its own frames under 256 bytes.
constexpr size_t kModuleStackLimit = 256;

// Operations still over the limit, with the depth they must not exceed until
// their call chains are flattened (the decoder start and the scaler of the
// boards with the 7115-family decoder).
struct OverLimit {
    size_t board;
    const char* operation;
    size_t ceiling;
};
constexpr OverLimit kOverLimit[] = {
    {kHeronI, "InitVideoSource", 336},
    {kHeronI, "OnStartCapture", 320},
    {kBittern, "InitVideoSource", 336},
};

size_t LimitFor(size_t board, const std::string& operation) {
    for (const OverLimit& o : kOverLimit) {
        if (o.board == board && operation == o.operation) return o.ceiling;
    }
    return kModuleStackLimit;
}

class StackDepthTest : public HostTest, public ::testing::WithParamInterface<size_t> {
protected:
    void SetUp() override {
        HostTest::SetUp();
        if (!host::StackProbeAvailable()) GTEST_SKIP() << "frames of the instrumented build are not the module's";
    }
};

TEST_P(StackDepthTest, EveryOperationOfTheDefaultSessionStaysUnder256Bytes) {
    OperationState state;
    state.board = &board(GetParam());
    state.device = device();
    size_t measured = 0;
    for (const auto& operation : Operations()) {
        if (!operation.present(*state.board)) continue;
        const StackUse use = ProbeStack([&] { operation.call(state); });
        ++measured;
        EXPECT_LT(use.module, LimitFor(GetParam(), operation.name))
            << operation.name << ": module " << use.module << " bytes (all frames " << use.deepest
            << ", deepest service call " << use.deepestCall << ")";
    }
    EXPECT_GE(measured, 2u);
}

INSTANTIATE_TEST_SUITE_P(AllBoards, StackDepthTest, ::testing::Range<size_t>(0, kBoardCount),
                         [](const auto& info) { return "Board" + std::to_string(info.param); });

// The probe itself: a frame of known size is seen; the services' own work is not.
class StackProbeTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        if (!host::StackProbeAvailable()) GTEST_SKIP() << "frames of the instrumented build are not the module's";
    }
};

__attribute__((noinline)) void TouchFrame(size_t bytes) {
    unsigned char frame[2048];
    std::memset(frame, 1, bytes);
    asm volatile("" : : "r"(frame) : "memory");
}

TEST_F(StackProbeTest, SeesAFrameOfKnownSize) {
    const StackUse small = ProbeStack([] { TouchFrame(16); });
    const StackUse large = ProbeStack([] { TouchFrame(2048); });
    EXPECT_GE(large.module, 2048u);
    EXPECT_LT(large.module, 2048u + 128u);
    EXPECT_EQ(small.serviceCalls, 0u);
}

TEST_F(StackProbeTest, ServiceWorkRunsOffTheProbeStackAndIsCounted) {
    const HostServices* services = host_.Services();
    void* dev = device();
    const StackUse use = ProbeStack([&] {
        for (int i = 0; i < 3; ++i) services->I2cWrite(dev, 0x40, kI2cRegisterWidth, static_cast<u16>(i), 1, 0);
        services->QueryParameter("50Hz", 0);
    });
    EXPECT_EQ(use.serviceCalls, 4u);
    ASSERT_EQ(host_.Log().size(), 4u);
    EXPECT_EQ(host_.Log()[2].Format(), "I2C 40 W 02=01");
    // Recording a call grows vectors and strings: kilobytes of host frames that
    // must not show up as the caller's.
    EXPECT_LT(use.module, 64u);
    EXPECT_LE(use.deepest, use.deepestCall + host::StackProbeHostShare());
}

}  // namespace
}  // namespace trel::test

namespace trel::test {
namespace {

// Wire bits of each kind of call, as the module makes them (one table row per
// service, exercised through the host's services table).
struct WireRow {
    const char* name;
    void (*call)(const HostServices& services, void* device);
    uint64_t bits;
};

const WireRow kWireRows[] = {
    {"I2cWrite", [](const HostServices& s, void* d) { s.I2cWrite(d, 0x40, kI2cRegisterWidth, 0x0A, 0x99, 0); }, 29},
    {"I2cRead",
     [](const HostServices& s, void* d) {
         u8 v = 0;
         s.I2cRead(d, 0x40, kI2cRegisterWidth, 0x1F, &v, 0);
     },
     39},
    {"I2cWriteBuffer",
     [](const HostServices& s, void* d) {
         const u8 bytes[4] = {0x0B, 0x8E, 0x0C, 0x60};
         s.I2cWriteBuffer(d, 0xC2, 0, 0, 4, bytes, 0);
     },
     2 + 9 * 5},
    {"I2cWriteSubaddress",
     [](const HostServices& s, void* d) {
         const u8 header[4] = {0x80, 0x10, 0x00, 0x30};
         const u8 data[2] = {0x20, 0x43};
         s.I2cWriteSubaddress(d, 4, header, 2, data, 0);
     },
     2 + 9 * 6},
    {"I2cReadSubaddress",
     [](const HostServices& s, void* d) {
         const u8 header[2] = {0x86, 0x1F};
         u8 data[3] = {};
         s.I2cReadSubaddress(d, 2, header, 3, data, 0);
     },
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
