// The simulated host's own machinery, driven through the module where it can
// be: failure injection by call index and by match, scripted reads, the call
// log's constant arguments, and the kernel services' checks of trace and pool.
#include "test_support.h"

extern "C" {
unsigned int DbgPrint(const char* format, ...);
void* ExAllocatePoolWithTag(int poolType, size_t bytes, unsigned int tag);
void ExFreePoolWithTag(void* p, unsigned int tag);
}

namespace trel::test {
namespace {

using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::SizeIs;

// Heron I's audio clock at 48 kHz: six unchecked writes, 0x30..0x36.
class HostKitTest : public HostTest {
protected:
    void SixWrites(void* context) {
        AudioConfig audio{1, 48000, 0, 0};
        ASSERT_EQ(board(kHeronI).audioOps->InitAudio(context, device(), &audio), 0u);
    }
};

TEST_F(HostKitTest, FailNthCallFailsExactlyThatCallAndStoresNothing) {
    void* context = Open(kHeronI);
    Mark();
    host_.FailNthCall(3, 0x77);
    SixWrites(context);
    EXPECT_THAT(Bus(), ElementsAre("I2C 40 W 30=66", "I2C 40 W 31=90", "I2C 40 W 32=01 !77", "I2C 40 W 34=00",
                                   "I2C 40 W 35=00", "I2C 40 W 36=20"));
    EXPECT_TRUE(host_.Written(0x40, 0x31));
    EXPECT_FALSE(host_.Written(0x40, 0x32));
    EXPECT_EQ(host_.Reg(0x40, 0x31), 0x90);
    Mark();
    SixWrites(context);  // one-shot: the next pass goes through
    EXPECT_THAT(host_.Log(), Each(::testing::Field(&BusCall::result, 0u)));
}

TEST_F(HostKitTest, FailMatchingByAddressAndRegister) {
    void* context = Open(kHeronI);
    Mark();
    host_.FailMatching(Service::I2cWrite, 0x40, 0x35, 2);
    host_.FailMatching(Service::I2cWrite, 0x41, -1, 3);  // other chip: no effect
    SixWrites(context);
    std::vector<u32> results;
    for (const BusCall& call : host_.Log()) results.push_back(call.result);
    EXPECT_THAT(results, ElementsAre(0u, 0u, 0u, 0u, 2u, 0u));
    host_.ClearFailures();
    Mark();
    SixWrites(context);
    EXPECT_THAT(host_.Log(), Each(::testing::Field(&BusCall::result, 0u)));
}

TEST_F(HostKitTest, LogCarriesConstantArgumentsAndDevice) {
    void* context = Open(kHeronI);
    Mark();
    SixWrites(context);
    ASSERT_THAT(host_.Log(), SizeIs(6));
    const BusCall& first = host_.Log()[0];
    EXPECT_EQ(first.service, Service::I2cWrite);
    EXPECT_EQ(first.address, 0x40);
    EXPECT_EQ(first.reg, 0x30);
    EXPECT_EQ(first.value, 0x66u);
    EXPECT_EQ(first.constants, std::vector<u32>{8});
    EXPECT_EQ(first.device, device());
    EXPECT_LT(host_.Log()[0].sequence, host_.Log()[5].sequence);
}

TEST_F(HostKitTest, DeviceControlIsLoggedWithSelectorAndValue) {
    void* context = Open(kEgret);
    Mark();
    AudioConfig audio{1, 44100, 0, 0};
    board(kEgret).audioOps->InitAudio(context, device(), &audio);
    EXPECT_THAT(Bus(), ElementsAre("DEVCTL 0=0"));
}

TEST_F(HostKitTest, ParameterAnswersAndInjectedParameterFailure) {
    host_.SetParameter("50Hz", 1);
    Mark();
    Open(kFinch);
    EXPECT_THAT(Bus(), ElementsAre("PARAM 50Hz=1"));
    Mark();
    host_.FailNthCall(1, 5);  // the host answers 5 instead
    Open(kFinch);
    EXPECT_EQ(host_.Log().at(0).result, 5u);
    EXPECT_TRUE(host_.Log().at(0).injected);
}

TEST_F(HostKitTest, DeviceRecordIsLargeEnoughAndGuarded) {
    host_.SetDeviceWord(kDeviceRecordClearOffset, 0xDEADBEEF);
    EXPECT_EQ(host_.DeviceWord(kDeviceRecordClearOffset), 0xDEADBEEFu);
    EXPECT_TRUE(host_.DeviceGuardIntact());
}

// ---------------------------------------------------------------------------
// Kernel services.
TEST_F(HostKitTest, TraceCheckerAcceptsOnlyPrefixMessageNewline) {
    DbgPrint("<TRELCAP.SYS> ");
    DbgPrint("value %d of %s", -5, "x");
    DbgPrint("\n");
    EXPECT_THAT(Traces(), ElementsAre("value -5 of x"));
    EXPECT_THAT(Kernel::Get().TraceErrors(), IsEmpty());

    DbgPrint("no prefix\n");
    DbgPrint("<TRELCAP.SYS> ");
    DbgPrint("message");
    DbgPrint("<TRELCAP.SYS> ");  // newline missing
    EXPECT_THAT(Kernel::Get().TraceErrors(), SizeIs(2));
    DbgPrint("message");
    DbgPrint("\n");
    Kernel::Get().ClearTraces();  // leave the checker clean for the fixture
}

TEST_F(HostKitTest, PoolFailsOnDemandAndChecksTags) {
    Kernel::Get().FailAllocation(2);
    void* first = ExAllocatePoolWithTag(0, 8, kPoolTag);
    void* second = ExAllocatePoolWithTag(0, 8, kPoolTag);
    void* third = ExAllocatePoolWithTag(0, 8, kPoolTag);
    EXPECT_NE(first, nullptr);
    EXPECT_EQ(second, nullptr);
    EXPECT_NE(third, nullptr);
    ExFreePoolWithTag(first, kPoolTag);
    ExFreePoolWithTag(third, 0x41414141);  // wrong tag
    EXPECT_THAT(Kernel::Get().PoolErrors(), SizeIs(1));
    ExFreePoolWithTag(first, kPoolTag);  // double free
    EXPECT_THAT(Kernel::Get().PoolErrors(), SizeIs(2));
    void* paged = ExAllocatePoolWithTag(1, 8, kPoolTag);
    EXPECT_THAT(Kernel::Get().PoolErrors(), SizeIs(3));
    ExFreePoolWithTag(paged, kPoolTag);
    if (Kernel::Get().LiveAllocations().size() > liveAtStart_) ExFreePoolWithTag(third, kPoolTag);
    Kernel::Get().ClearPoolErrors();
}

}  // namespace
}  // namespace trel::test
