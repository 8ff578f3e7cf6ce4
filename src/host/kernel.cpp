// The kernel services the module imports (DbgPrint and the non-paged pool),
// defined with C linkage so that the dynamic loader binds the module's imports
// to them, and the checks the simulated kernel makes on every call.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "event_order.h"
#include "frame/kernel.h"
#include "sim_host.h"
#include "stack_probe.h"

namespace trel::host {
namespace {

constexpr const char kTracePrefix[] = "<TRELCAP.SYS> ";
constexpr const char kTraceNewline[] = "\n";

std::string FormatV(const char* format, va_list args) {
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    if (length < 0) return std::string("<unformattable: ") + format + ">";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
    return text;
}

std::string Quote(const std::string& text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\n') {
            quoted += "\\n";
        } else {
            quoted += c;
        }
    }
    return quoted + "\"";
}

std::string PointerText(const void* p) {
    char text[32];
    std::snprintf(text, sizeof(text), "%p", p);
    return text;
}

std::string TagText(unsigned tag) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", tag);
    return text;
}

}  // namespace

Kernel& Kernel::Get() {
    static Kernel kernel;
    return kernel;
}

void Kernel::ClearTraces() {
    traces_.clear();
    traceOrder_.clear();
    traceErrors_.clear();
    traceState_ = 0;
    pending_.clear();
}

// A message is three calls: the prefix alone, the message, the newline alone.
// Anything out of that order is reported and the pattern starts over where it
// can be picked up again.
unsigned Kernel::DbgPrintV(const char* format, va_list args) {
    if (discardTraces_) {
        ++discardedCalls_;
        return 0;
    }
    return Record(format, args);
}

unsigned Kernel::Record(const char* format, va_list args) {
    if (format == nullptr) {
        traceErrors_.push_back("DbgPrint with a null format");
        traceState_ = 0;
        return 0;
    }
    const bool isPrefix = std::strcmp(format, kTracePrefix) == 0;
    const bool isNewline = std::strcmp(format, kTraceNewline) == 0;
    switch (traceState_) {
    case 0:
        if (isPrefix) {
            traceState_ = 1;
        } else {
            traceErrors_.push_back("DbgPrint without the prefix: " + Quote(FormatV(format, args)));
        }
        break;
    case 1:
        if (isPrefix) {
            traceErrors_.push_back("prefix printed twice");
        } else if (isNewline) {
            traceErrors_.push_back("empty message: newline right after the prefix");
            traceState_ = 0;
        } else {
            pending_ = FormatV(format, args);
            traceState_ = 2;
        }
        break;
    default:
        if (isNewline) {
            if (pending_.find('\n') != std::string::npos) {
                traceErrors_.push_back("message holds a newline: " + Quote(pending_));
            }
            traces_.push_back(pending_);
            traceOrder_.push_back(detail::NextEventNumber());
            traceState_ = 0;
        } else if (isPrefix) {
            traceErrors_.push_back("message not ended by a newline: " + Quote(pending_));
            traceState_ = 1;
        } else {
            traceErrors_.push_back("message " + Quote(pending_) + " printed in two calls, then " +
                                   Quote(FormatV(format, args)));
            traceState_ = 0;
        }
        pending_.clear();
        break;
    }
    return 0;  // STATUS_SUCCESS
}

void Kernel::FailAllocation(size_t n) { failAt_ = n == 0 ? 0 : requests_ + n; }

void* Kernel::Allocate(int poolType, size_t bytes, unsigned tag) {
    ++requests_;
    if (poolType != kNonPagedPool) {
        poolErrors_.push_back("allocation from pool type " + std::to_string(poolType) + ", not non-paged (0)");
    }
    if (tag != kPoolTag) {
        poolErrors_.push_back("allocation with tag " + TagText(tag) + ", not " + TagText(kPoolTag));
    }
    if (failAll_ || requests_ == failAt_) {
        if (requests_ == failAt_) failAt_ = 0;
        return nullptr;
    }
    void* p = std::malloc(bytes == 0 ? 1 : bytes);
    if (p == nullptr) return nullptr;
    live_.push_back({p, bytes, tag, poolType});
    ++allocationCount_;
    return p;
}

void Kernel::Free(void* p, unsigned tag) {
    if (p == nullptr) {
        poolErrors_.push_back("free of a null pointer");
        return;
    }
    auto it = live_.begin();
    while (it != live_.end() && it->pointer != p) ++it;
    if (it == live_.end()) {
        poolErrors_.push_back("free of " + PointerText(p) + ": not a live allocation (unknown or freed twice)");
        return;
    }
    if (tag != it->tag) {
        poolErrors_.push_back("free of " + PointerText(p) + " with tag " + TagText(tag) + ", allocated with " +
                              TagText(it->tag));
    } else if (tag != kPoolTag) {
        poolErrors_.push_back("free of " + PointerText(p) + " with tag " + TagText(tag) + ", not " +
                              TagText(kPoolTag));
    }
    std::free(p);
    live_.erase(it);
    ++freeCount_;
}

}  // namespace trel::host

// ---------------------------------------------------------------------------
// The services as the module imports them. Where the stack probe has its
// gates (stack_probe.h), the exported names are the gates, which come here.
#if TREL_STACK_GATES
#define TREL_KERNEL_EXPORT
#define TREL_KERNEL_SERVICE(name) TrelKernel##name
#else
#define TREL_KERNEL_EXPORT __attribute__((visibility("default")))
#define TREL_KERNEL_SERVICE(name) name
#endif

extern "C" {

TREL_KERNEL_EXPORT unsigned int TREL_KERNEL_SERVICE(DbgPrint)(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const unsigned status = trel::host::Kernel::Get().DbgPrintV(format, args);
    va_end(args);
    return status;
}

TREL_KERNEL_EXPORT void* TREL_KERNEL_SERVICE(ExAllocatePoolWithTag)(int poolType, size_t numberOfBytes, unsigned int tag) {
    return trel::host::Kernel::Get().Allocate(poolType, numberOfBytes, tag);
}

TREL_KERNEL_EXPORT void TREL_KERNEL_SERVICE(ExFreePoolWithTag)(void* p, unsigned int tag) {
    trel::host::Kernel::Get().Free(p, tag);
}

}  // extern "C"
