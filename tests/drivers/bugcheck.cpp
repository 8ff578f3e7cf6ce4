// Built into TrelBoardBroken, the board module with one more kernel import,
// KeBugCheckEx, which no host provides to a board module: the loader must
// refuse it, say why, and never call into it.
#include <stdint.h>

extern "C" void KeBugCheckEx(uint32_t code, uintptr_t p1, uintptr_t p2, uintptr_t p3, uintptr_t p4);

extern "C" void TrelBoardStop(uint32_t code) { KeBugCheckEx(code, 0, 0, 0, 0); }
