// Module entry points: the kernel's load and unload notifications and the
// host's GetBoardModuleCaps, which hands out the board catalogue.
#include "frame/catalogue.h"
#include "frame/module.h"

#define TREL_EXPORT extern "C" __attribute__((visibility("default")))

namespace trel {
namespace {

#define TREL_CATALOGUE_ENTRY(descriptor) &(descriptor),
constexpr const BoardDescriptor* kCatalogue[] = {TREL_FOR_EACH_BOARD(TREL_CATALOGUE_ENTRY)};
#undef TREL_CATALOGUE_ENTRY
constexpr u32 kBoardCount = sizeof(kCatalogue) / sizeof(kCatalogue[0]);

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
