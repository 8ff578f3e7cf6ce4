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
// subtract are the glue of the call into the operation.
//
// The call into the operation is the host's too: ProbeStack subtracts the
// depth of an empty operation, so the operation should reach the module by a
// tail call (a lambda that only forwards its arguments, built with
// optimisation); ProbeCall subtracts the depth at which the engine's invoker
// of the same slot reaches a board whose slots do nothing, which also holds
// where the invoker has a frame of its own (the Windows convention wants one
// when the slot takes stack arguments: the home area and the fifth argument
// are the caller's).
//
// Both x86-64 conventions have their gates: System V (Linux, against
// libTrelBoard.so) and Windows x64 (under Wine, against TrelBoard.sys, where
// the gates are what the loader binds the module's kernel imports to).
#pragma once

#include <cstddef>
#include <functional>

#include "engine.h"

// The gates are x86-64 code; elsewhere the probe is absent
// (StackProbeAvailable() is false) and the kernel exports are plain functions.
#if defined(__x86_64__) && (defined(__linux__) || defined(_WIN64))
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

// Why the probe cannot measure here (the instrumented build, a platform
// without gates), or nullptr where it can.
const char* StackProbeAbsence();
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
