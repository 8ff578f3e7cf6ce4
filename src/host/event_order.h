// Kit-internal: one counter orders trace messages and service calls, so a host
// can show what the module printed and what it put on the bus as it happened.
#pragma once

#include <cstdint>

namespace trel::host::detail {

// The next event number (the first is 1).
uint64_t NextEventNumber();

}  // namespace trel::host::detail
