// The eleven board descriptors, one per board directory, in catalogue order.
#pragma once

#include "frame/host_interface.h"

namespace trel {

// Declarations only: each board file defines its descriptor constexpr, so
// none is initialised at run time.
// NOLINTBEGIN(bugprone-dynamic-static-initializers)
extern const BoardDescriptor kWrenDescriptor;
extern const BoardDescriptor kWrenIIDescriptor;
extern const BoardDescriptor kHeronIDescriptor;
extern const BoardDescriptor kHeronIIRepriseDescriptor;
extern const BoardDescriptor kEgretDescriptor;
extern const BoardDescriptor kHeronAscentDescriptor;
extern const BoardDescriptor kBitternDescriptor;
extern const BoardDescriptor kPloverDescriptor;
extern const BoardDescriptor kKestrelDescriptor;
extern const BoardDescriptor kSwiftDescriptor;
extern const BoardDescriptor kFinchDescriptor;
// NOLINTEND(bugprone-dynamic-static-initializers)

}  // namespace trel
