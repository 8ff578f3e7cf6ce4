// The board catalogue: every board of the module, registered once, in the
// order the host sees them. A new board is its directory under boards/ plus
// one line here; the catalogue handed to the host and its count follow.
#pragma once

#include "frame/host_interface.h"

// X(descriptor): each board's descriptor, defined constexpr in its own
// directory, in catalogue order.
#define TREL_FOR_EACH_BOARD(X)    \
    X(kWrenDescriptor)            \
    X(kWrenIIDescriptor)          \
    X(kHeronIDescriptor)          \
    X(kHeronIIRepriseDescriptor)  \
    X(kEgretDescriptor)           \
    X(kHeronAscentDescriptor)     \
    X(kBitternDescriptor)         \
    X(kPloverDescriptor)          \
    X(kKestrelDescriptor)         \
    X(kSwiftDescriptor)           \
    X(kFinchDescriptor)

namespace trel {

// Declarations only: each board file defines its descriptor constexpr, so
// none is initialised at run time.
// NOLINTBEGIN(bugprone-dynamic-static-initializers)
#define TREL_DECLARE_BOARD(descriptor) extern const BoardDescriptor descriptor;
TREL_FOR_EACH_BOARD(TREL_DECLARE_BOARD)
#undef TREL_DECLARE_BOARD
// NOLINTEND(bugprone-dynamic-static-initializers)

}  // namespace trel
