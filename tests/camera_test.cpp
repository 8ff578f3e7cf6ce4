// The GetVideoProperty that the four camera boards share.
#include "camera_support.h"

namespace trel::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class CameraBoardTest : public CameraTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(CameraBoardTest, GetVideoPropertyAnswersOnlyTheStatusQueries) {
    const VideoOps& ops = video(GetParam());
    Mark();
    u32 value = 77;
    EXPECT_EQ(ops.GetVideoProperty(nullptr, device(), 0x1000, &value), 0u);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(ops.GetVideoProperty(nullptr, device(), 0x1001, &value), 0u);
    EXPECT_EQ(value, 1u);
    value = 77;
    EXPECT_EQ(ops.GetVideoProperty(nullptr, device(), 0x1002, &value), 0xFFFFFFFCu);
    EXPECT_EQ(ops.GetVideoProperty(nullptr, device(), 1, &value), 0xFFFFFFFCu);
    EXPECT_EQ(value, 77u);
    EXPECT_THAT(Traces(), ElementsAre("GetVideoProperty 4096", "GetVideoProperty return 0", "GetVideoProperty 4097",
                                      "GetVideoProperty return 1", "GetVideoProperty 4098", "GetVideoProperty 1"));
    Mark();
    EXPECT_EQ(ops.GetVideoProperty(nullptr, device(), 0x1000, nullptr), 0xFFFFFFFFu);
    EXPECT_THAT(Traces(), IsEmpty());
    EXPECT_THAT(host_.Log(), IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(CameraBoards, CameraBoardTest, ::testing::Values(kWren, kWrenII, kSwift, kFinch),
                         BoardParamName);

}  // namespace
}  // namespace trel::test
