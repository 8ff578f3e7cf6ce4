// The kernel services' checks of trace messages and pool use, which the
// fixture applies after every test. (Failure injection by call index and by
// match is exercised with exact results by the fault sweep and the board tests.)
#include "test_support.h"

extern "C" {
unsigned int DbgPrint(const char* format, ...);
void* ExAllocatePoolWithTag(int poolType, size_t bytes, unsigned int tag);
void ExFreePoolWithTag(void* p, unsigned int tag);
}

namespace trel::test {
namespace {

using ::testing::SizeIs;

TEST_F(HostTest, TraceCheckerAcceptsOnlyPrefixMessageNewline) {
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

TEST_F(HostTest, PoolFailsOnDemandAndChecksTags) {
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
