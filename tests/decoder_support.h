// Helpers for the TV-decoder boards' tests: expected bus lines written as
// compact register lists, and a fixture holding one opened decoder board.
#pragma once

#include <cstdio>
#include <sstream>

#include "session.h"
#include "test_support.h"

namespace trel::test {

// "I2C <address> W <reg>=<value>" for each "reg=value" of a blank-separated list.
inline std::vector<std::string> Writes(u8 address, const std::string& list) {
    std::vector<std::string> lines;
    std::istringstream in(list);
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "I2C %02X W ", address);
    for (std::string pair; in >> pair;) lines.push_back(prefix + pair);
    return lines;
}

inline std::string Read(u8 address, u16 reg, u8 value) {
    char line[32];
    std::snprintf(line, sizeof line, "I2C %02X R %02X->%02X", address, reg, value);
    return line;
}

inline std::vector<std::string> Cat(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The traces of one SetVideoProperty per index 1..17 of a property set.
inline std::vector<std::string> PropertyTraces(const VideoPropertySet& set) {
    std::vector<std::string> lines;
    for (u32 i = 0; i < kVideoPropertyCount; ++i)
        lines.push_back("SetVideoProperty " + std::to_string(i + 1) + " " + std::to_string(static_cast<int>(set.value[i])));
    return lines;
}

// The host's usual session on one board as text: each operation with its
// status, then its trace lines ("> ") and bus calls in the order they
// happened, any misuse the host saw ("! "), and the capture configuration
// fields the module may write.
inline std::string SessionTranscript(SimHost& host, size_t board) {
    std::string text;
    host::RunUsualSequence(host, board, {}, [&text](const host::SessionStep& step) {
        text += step.operation + " " + step.StatusText() + "\n";
        for (const host::SessionEvent& event : step.events) {
            text += event.kind == host::SessionEvent::Kind::Trace ? "  > " + step.traces[event.index]
                                                                   : "  " + step.bus[event.index].Format();
            text += "\n";
        }
        for (const std::string& problem : step.problems) text += "  ! " + problem + "\n";
        if (step.captureConfig) {
            const CaptureConfig& c = *step.captureConfig;
            text += "  config hOffset=" + std::to_string(c.hOffset) + " vOffset=" + std::to_string(c.vOffset) +
                    " widthDoubled=" + std::to_string(c.widthDoubled) + " heightDoubled=" +
                    std::to_string(c.heightDoubled) + " sizeFlag3=" + std::to_string(c.sizeFlag3) + "\n";
        }
    });
    return text;
}

// Pieces of parameterised test names (letters, digits and '_' only).
inline std::string NameHex(u32 value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}
inline std::string NameSigned(s32 value) { return value < 0 ? "m" + std::to_string(-static_cast<int64_t>(value)) : std::to_string(value); }
inline std::string NameBoard(size_t index) { return BoardParamName({index, 0}); }

// One opened decoder board; Mark() has been called once it is open.
class DecoderTest : public HostTest {
protected:
    void OpenBoard(size_t index) {
        index_ = index;
        context_ = Open(index);
        Mark();
    }
    const VideoOps& video() { return *board(index_).videoOps; }
    u32 Set(u32 index, u32 value) { return video().SetVideoProperty(context_, device(), index, value, 0); }
    u32 Get(u32 index, u32* value) { return video().GetVideoProperty(context_, device(), index, value); }
    u32 Property(u32 index) {
        u32 value = 0xDEADBEEF;
        EXPECT_EQ(Get(index, &value), 0u);
        return value;
    }
    u32 Init(u32 standard, u32 source, const VideoPropertySet& set) {
        return video().InitVideoSource(context_, device(), standard, source, &set);
    }
    u32 SelectInput(u32 input) { return board(index_).inputOps->Set_Current_Video_InputID(context_, device(), input); }
    u32 InputType() { return board(index_).inputOps->GetVideoInputType(context_); }
    VideoPropertySet Defaults() {
        VideoPropertySet set{};
        video().GetDefaultVideoProperties(context_, device(), &set);
        return set;
    }

    size_t index_ = 0;
    void* context_ = nullptr;
};

}  // namespace trel::test
