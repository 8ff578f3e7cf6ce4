// Every operation of a board's tables as one call each, with the arguments of
// the host's default session, so that tools measuring operations (stack depth,
// CPU time, wire time) cover every slot of every board through the catalogue.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "frame/host_interface.h"

namespace trel::host {

// What the operations of one open board share.
struct OperationState {
    const BoardDescriptor* board = nullptr;
    void* device = nullptr;
    void* context = nullptr;
    BoardInfo info{};
    std::array<VideoFormat, kMaxVideoFormats> formats{};
    VideoPropertySet properties{};
    AudioChipConfig chipConfig{};
    CaptureConfig capture{};
    u32 value = 0;
    u32 count = 0;
    u32 record[8] = {};
};

struct Operation {
    const char* name;
    // Whether the board has the slot.
    bool (*present)(const BoardDescriptor& board);
    // One call, as the host makes it in its default session.
    void (*call)(OperationState& state);
};

// In the host's order: OpenBoard first, CloseBoard last.
const std::vector<Operation>& Operations();

}  // namespace trel::host
