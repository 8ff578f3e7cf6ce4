// Helpers for the camera boards' tests (Wren, Wren II, Swift, Finch).
#pragma once

#include <sstream>

#include "test_support.h"

namespace trel::test {

// "12=80 03=A4" with prefix "I2C 42 W " gives {"I2C 42 W 12=80", "I2C 42 W 03=A4"}.
inline std::vector<std::string> Lines(const std::string& prefix, const std::string& items,
                                      const std::string& suffix = "") {
    std::vector<std::string> lines;
    std::istringstream in(items);
    for (std::string item; in >> item;) lines.push_back(prefix + item + suffix);
    return lines;
}

inline std::vector<std::string> Concat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The trace lines of InitVideoSource applying a property set.
inline std::vector<std::string> PropertyTraces(const std::vector<int>& values) {
    std::vector<std::string> lines;
    for (size_t i = 0; i < values.size(); ++i)
        lines.push_back("SetVideoProperty " + std::to_string(i + 1) + " " + std::to_string(values[i]));
    return lines;
}

class CameraTest : public HostTest {
protected:
    const VideoOps& video(size_t index) { return *board(index).videoOps; }
    void OpenWith50Hz(size_t index, u32 flag) {
        host_.SetParameter("50Hz", flag);
        Open(index);
    }
    VideoPropertySet Defaults(size_t index) {
        VideoPropertySet properties{};
        video(index).GetDefaultVideoProperties(nullptr, device(), &properties);
        return properties;
    }
    // The host's usual session: open, formats, stream table, defaults, set-up,
    // capture start. Every step must succeed.
    void RunDefaultSession(size_t index, CaptureConfig* config) {
        Open(index);
        u32 count = 0;
        VideoFormat format{};
        EXPECT_EQ(video(index).GetVideoFormats(nullptr, device(), &count, &format), kStatusSuccess);
        EXPECT_NE(video(index).GetStreamFormatTable(), nullptr);
        const VideoPropertySet properties = Defaults(index);
        EXPECT_EQ(video(index).InitVideoSource(nullptr, device(), kKeepCurrent, kKeepCurrent, &properties),
                  kStatusSuccess);
        EXPECT_EQ(video(index).OnStartCapture(nullptr, device(), config), kStatusSuccess);
    }
    u32 FormatRate(size_t index) {
        u32 count = 0;
        VideoFormat format{};
        video(index).GetVideoFormats(nullptr, device(), &count, &format);
        return format.frameRate;
    }
};

}  // namespace trel::test
