// Trace. Each message is three DbgPrint calls (prefix, message, newline),
// made only while the gate is open; the gate is read again for every message.
//
// A message is a named constant whose type lists what it prints:
//     inline constexpr TraceMessage<s32, s32> kTraceSetVideoProperty{"SetVideoProperty %d %d"};
//     Trace(kTraceSetVideoProperty, index, value);
// The text is checked against that list when it is compiled (%d prints an
// s32, %x a u32, %s a string), and the call converts its arguments, so no
// call site chooses a cast of its own.
#pragma once

#include "frame/host_interface.h"
#include "frame/kernel.h"

namespace trel {

inline constexpr u32 kTraceEnable[10] = {0x70424040, 0, 0, 0, 0, 0, 0, 0, 0, 0};
inline constexpr u32 kTraceLevel = 0;
inline constexpr const char kTracePrefix[] = "<TRELCAP.SYS> ";

// The gate table is constant in this build; the test stays so that the gate
// is read for every message.
// cppcheck-suppress knownConditionTrueFalse
inline bool TraceGateOpen() { return kTraceEnable[kTraceLevel] != 0; }

namespace trace_check {

// The conversion each argument type prints with.
template <typename T>
inline constexpr char kConversion = '?';
template <>
inline constexpr char kConversion<s32> = 'd';
template <>
inline constexpr char kConversion<u32> = 'x';
template <>
inline constexpr char kConversion<const char*> = 's';

// True when the text's conversions are exactly the arguments', in order
// ("%%" prints a percent sign and takes nothing).
template <typename... Args>
consteval bool FormatMatches(const char* text) {
    constexpr char expected[] = {kConversion<Args>..., '\0'};
    size_t next = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p != '%') continue;
        ++p;
        if (*p == '%') continue;
        if (expected[next] == '\0' || *p != expected[next]) return false;
        ++next;
    }
    return expected[next] == '\0';
}

// Never defined: reaching it while a message is built stops the compilation.
void TraceTextDoesNotMatchItsArguments();

// How a call hands each argument over. The module keeps its values in u32,
// so a %d argument is taken as a u32 and printed as the signed value of its
// bits (hue -1 arrives as 0xFFFFFFFF and prints -1): the one conversion of
// the module's trace, made here.
template <typename T>
struct Argument {
    using Type = T;
    static T Pass(T value) { return value; }
};
template <>
struct Argument<s32> {
    using Type = u32;
    static s32 Pass(u32 value) { return static_cast<s32>(value); }
};

}  // namespace trace_check

template <typename... Args>
struct TraceMessage {
    const char* text;
    // consteval: a message is always a constant, checked when compiled.
    // Not explicit: table rows are built from their literals.
    // cppcheck-suppress noExplicitConstructor
    consteval TraceMessage(const char* message) : text(message) {  // NOLINT(google-explicit-constructor)
        if (!trace_check::FormatMatches<Args...>(message)) trace_check::TraceTextDoesNotMatchItsArguments();
    }
};

template <typename... Args>
inline void Trace(const TraceMessage<Args...>& message, typename trace_check::Argument<Args>::Type... args) {
    // cppcheck-suppress knownConditionTrueFalse
    if (!TraceGateOpen()) return;
    DbgPrint(kTracePrefix);
    DbgPrint(message.text, trace_check::Argument<Args>::Pass(args)...);
    DbgPrint("\n");
}

// ---------------------------------------------------------------------------
// Messages of the operations that several boards share.
inline constexpr TraceMessage<> kTraceLoad{"************ Load Board Module *************"};
inline constexpr TraceMessage<> kTraceUnload{"*********** Unload Board Module ************"};
inline constexpr TraceMessage<s32, s32> kTraceSetVideoProperty{"SetVideoProperty %d %d"};
inline constexpr TraceMessage<s32> kTraceGetVideoProperty{"GetVideoProperty %d"};
inline constexpr TraceMessage<s32> kTraceGetVideoPropertyReturn{"GetVideoProperty return %d"};
inline constexpr TraceMessage<s32> kTraceSetVideoInput{"Set_Current_Video_InputID %d"};
inline constexpr TraceMessage<s32> kTraceUnknownVideoSource{"Error:Unknown Video Source %d!!!"};
inline constexpr TraceMessage<> kTraceNoCaptureConfig{"OnStartCapture video_config == NULL"};
inline constexpr TraceMessage<> kTraceNoAudioConfig{"GetAudioChipconfig audio_config == NULL"};
inline constexpr TraceMessage<> kTraceAdpcm{"ADPCM enable"};

}  // namespace trel
