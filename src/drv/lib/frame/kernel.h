// Kernel services the module imports. The Windows kernel exports them from
// ntoskrnl.exe; on Linux the process that loads the module supplies them.
// The module never defines them.
#pragma once

#include <stddef.h>

extern "C" {
unsigned int DbgPrint(const char* format, ...);
void* ExAllocatePoolWithTag(int poolType, size_t numberOfBytes, unsigned int tag);
void ExFreePoolWithTag(void* p, unsigned int tag);
}
