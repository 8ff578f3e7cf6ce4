// Module entry points: the kernel's load and unload notifications and the
// host's GetBoardModuleCaps, which hands out the board catalogue.
#include "frame/catalogue.h"
#include "frame/module.h"

#define TREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace trel {
namespace {

constexpr const BoardDescriptor* kCatalogue[kBoardCount] = {
    &kWrenDescriptor,          // 0
    &kWrenIIDescriptor,        // 1
    &kHeronIDescriptor,        // 2
    &kHeronIIRepriseDescriptor,  // 3
    &kEgretDescriptor,         // 4
    &kHeronAscentDescriptor,   // 5
    &kBitternDescriptor,       // 6
    &kPloverDescriptor,        // 7
    &kKestrelDescriptor,       // 8
    &kSwiftDescriptor,         // 9
    &kFinchDescriptor,         // 10
};

// Kept in the module's data as the driver has always carried it; nothing reads it.
[[gnu::used]] constexpr char16_t kParametersKey[] = u"TrelTechVIDCAP\\Parameters";

}  // namespace
}  // namespace trel

TREL_EXPORT int32_t DllInitialize(void* /*registryPath*/) {
    trel::Trace(trel::kTraceLoad);
    return 0;
}

TREL_EXPORT int32_t DllUnload(void) {
    trel::Trace(trel::kTraceUnload);
    return 0;
}

TREL_EXPORT void GetBoardModuleCaps(void* /*context*/, const trel::HostServices* hostServices,
                                    const trel::BoardDescriptor* const** catalogueOut,
                                    trel::u32* countOut) {
    trel::SetHost(hostServices);
    if (catalogueOut != nullptr) *catalogueOut = trel::kCatalogue;
    if (countOut != nullptr) *countOut = trel::kBoardCount;
}
