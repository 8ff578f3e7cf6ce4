// Stack depth of module operations. The operation runs on a stack of its own,
// filled with a pattern; afterwards the deepest byte no longer holding the
// pattern tells how deep the operation went.
//
// The host's side is kept off that stack. While a probe runs, the module
// reaches the host only through gates: the HostServices table the probe
// registers (through GetBoardModuleCaps, as a host does) and the kernel
// exports DbgPrint, ExAllocatePoolWithTag and ExFreePoolWithTag. A gate is a
// few instructions that touch no stack: it notes how deep the module's call
// was, moves to a service stack of its own, copies the caller's stack
// arguments there and calls the real service. So the probe stack holds only
// the module's frames and the return address of each of its calls; the host's
// share below a call is zero by construction, and the only host bytes left to
// subtract are the glue of the call into the operation (measured with an
// empty operation).
//
// The operation must reach the module by a tail call (a lambda that only
// forwards its arguments, built with optimisation), so that the module's first
// frame starts where the empty operation's return address lies.
#pragma once

#include <cstddef>
#include <functional>

#include "engine.h"

// The gates are x86-64 System V code (Linux); elsewhere the probe is absent
// (StackProbeAvailable() is false) and the kernel exports are plain functions.
#if defined(__linux__) && defined(__x86_64__)
#define TREL_STACK_GATES 1
#else
#define TREL_STACK_GATES 0
#endif

namespace trel::host {

struct StackUse {
    size_t deepest = 0;      // bytes of the probe stack touched, glue included
    size_t module = 0;       // the module's own frames (glue subtracted)
    size_t deepestCall = 0;  // module frames at its deepest service call, its return address included
    size_t serviceCalls = 0;
};

// False in instrumented builds, where frames hold the sanitizers' redzones,
// and where there are no gates.
bool StackProbeAvailable();
// Runs `operation` on a pattern-filled stack of its own and measures it. The
// active SimHost's services are reached through the gates meanwhile.
StackUse ProbeStack(const std::function<void()>& operation);
// Bytes of the call into the operation (an empty operation's depth).
size_t StackProbeGlue();
// Runs an engine call on the probe stack: status = invoker(call). The glue
// subtracted is that of the same call of an invoker that does nothing, so the
// module's frames are counted from its entry, as for a tail call.
StackUse ProbeCall(Invoker invoker, Call& call, u32& status);

}  // namespace trel::host
