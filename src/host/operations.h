// Every operation of a board's tables as calls the host makes, with the
// arguments of the host's default session (and, for the operations whose work
// depends on an argument, one call per case that takes its own path: property
// indexes, tuner properties, inputs), so that tools measuring operations
// (stack depth, CPU time, wire time) cover every slot of every board through
// the catalogue.
#pragma once

#include <array>
#include <cstddef>
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
    u32 record[16] = {};
};

struct Operation {
    const char* name;     // the slot
    const char* variant;  // the case, or "" for the default-session call
    // Whether the board has the slot.
    bool (*present)(const BoardDescriptor& board);
    // Arguments the call reads (null: none to prepare).
    void (*prepare)(OperationState& state);
    // The call itself and nothing else: it reaches the module by a tail call,
    // so a stack probe sees the module's frames only.
    void (*call)(OperationState& state);
    // What the host does with the results (null: nothing).
    void (*finish)(OperationState& state);
};

// In the host's order: OpenBoard first, CloseBoard last.
const std::vector<Operation>& Operations();

// prepare, call (through `run`, e.g. a stack probe or a timer) and finish.
template <typename Run>
void RunOperation(const Operation& operation, OperationState& state, Run&& run) {
    if (operation.prepare != nullptr) operation.prepare(state);
    run([&] { operation.call(state); });
    if (operation.finish != nullptr) operation.finish(state);
}
inline void RunOperation(const Operation& operation, OperationState& state) {
    RunOperation(operation, state, [](auto&& call) { call(); });
}

}  // namespace trel::host
