// Stack depth of module operations. The operation runs on a stack of its own,
// filled with a pattern; afterwards the deepest byte no longer holding the
// pattern tells how deep the operation went. The host's services (bus calls,
// DbgPrint, the pool) run on the host's own stack while a probe is on: each
// service notes how deep the module's frames were at the call and hands its
// work back to the host's stack, so the probe stack sees only the module's
// frames plus the few words of the service entry itself. That service entry
// (the host's share) and the caller's call glue are measured separately, once,
// and subtracted.
#pragma once

#include <cstddef>
#include <functional>
#include <type_traits>

namespace trel::host {

struct StackUse {
    size_t deepest = 0;      // bytes of the probe stack touched, all frames
    size_t module = 0;       // the module's own frames (host share and call glue subtracted)
    size_t deepestCall = 0;  // module frames at its deepest service call (return address included)
    size_t serviceCalls = 0;
};

// False in instrumented builds, where frames hold the sanitizers' redzones.
bool StackProbeAvailable();
// Runs `operation` on a pattern-filled stack of its own and measures it.
StackUse ProbeStack(const std::function<void()>& operation);
// The host's share below a service call and the glue around the operation, as
// calibrated (bytes).
size_t StackProbeHostShare();
size_t StackProbeGlue();

// For the services.
bool StackProbeActive();
void RunOnHostStack(const void* serviceFrame, void (*body)(void*), void* argument);

// Service entry: `frame` is __builtin_frame_address(0) of the service function
// the module called (so the return address slot is at frame + 8).
template <typename F>
auto HostSide(const void* frame, F&& body) -> decltype(body()) {
    using Result = decltype(body());
    if (!StackProbeActive()) return body();
    if constexpr (std::is_void_v<Result>) {
        RunOnHostStack(frame, [](void* p) { (*static_cast<std::remove_reference_t<F>*>(p))(); }, &body);
    } else {
        Result result{};
        auto run = [&] { result = body(); };
        RunOnHostStack(frame, [](void* p) { (*static_cast<decltype(run)*>(p))(); }, &run);
        return result;
    }
}

}  // namespace trel::host
