// Built into TrelBoardLookaside, the board module with one more kernel import,
// ExInitializeLookasideListEx, which the Windows kernel exports and Wine's
// does not: Wine's kernel-driver host must refuse to load it.
#include <stdint.h>

extern "C" int32_t ExInitializeLookasideListEx(void* list, void* allocate, void* release, int poolType, uint32_t flags,
                                               uint64_t size, uint32_t tag, uint16_t depth);

extern "C" int32_t TrelBoardLookaside(void* list) { return ExInitializeLookasideListEx(list, nullptr, nullptr, 0, 0, 64, 0, 0); }
