// SAA7115 video decoder: the operations its boards share (see saa7115.h).
#include "chips/saa7115.h"

namespace trel::saa7115 {
namespace {

u8 Low(u32 value) { return static_cast<u8>(value & 0xFF); }
u8 High(u32 value) { return static_cast<u8>((value >> 8) & 0xFF); }

u8 DeltaValue(const SetupDelta& delta, const RegisterEntry& entry) {
    for (u32 i = 0; i < delta.count; ++i) {
        if (delta.entries[i].reg == entry.reg) return delta.entries[i].value;
    }
    return entry.value;
}

// VBI services (the value of property 0x1003), each switched on or off.
constexpr u32 kServiceCgmsNtsc = 1;
constexpr u32 kServiceCgmsPal = 2;
constexpr u32 kServiceCaption = 3;
constexpr u32 kServiceWst625 = 5;
constexpr u32 kServiceWst625Too = 6;  // a second number for the same service
constexpr u32 kLastService = 9;       // 4, 7, 8 and 9 are accepted and switch nothing

// Services with a single line register; their trace prints "enable" or
// "disable".
struct LineService {
    u32 service;
    TraceMessage<const char*> message;
    u16 reg;
    u8 on;
};
constexpr LineService kLineServices[] = {
    {kServiceCgmsNtsc, "VBI: CGMS NTSC %s", kRegCgmsNtscLine, 0xF5},
    {kServiceCgmsPal, "VBI: CGMS PAL %s", kRegCgmsPalLine, 0xF5},
    {kServiceCaption, "VBI: Close Caption %s", kRegCaptionLine, 0xF4},
};
constexpr TraceMessage<const char*> kTraceWst625{"VBI: WST625 %s"};
constexpr u8 kLineOff = 0xFF;
constexpr u32 kWst625FirstLine = 6;
constexpr u32 kWst625LastLine = 22;


// Scaler geometry: lines per frame of the two line systems, the extra lines
// the 525-line output window takes, and the increment that means 1:1.
constexpr u32 kFrameLines525 = 480;
constexpr u32 kFrameLines625 = 576;
constexpr u32 kWindowExtra525 = 4;
constexpr u32 kIncrementOne = 1024;

// Vertical settings of one field or frame: the output window (lines per field)
// and the vertical increment for luma and chroma.
struct VerticalScale {
    u32 window;
    u32 increment;
    bool secondBankFirst;
};

// Fixed single-field settings by requested height.
struct FieldSetting {
    u32 height;
    VerticalScale scale;
};
constexpr FieldSetting kFields525[] = {
    {144, {0x096, 0x06AA, false}},
    {240, {0x0F2, 0x0400, false}},
};
// The 288-line field programs the second bank before the first.
constexpr FieldSetting kFields625[] = {
    {144, {0x096, 0x0800, false}},
    {288, {0x120, 0x0400, true}},
};

// The scaler registers written to both banks, by their first-bank numbers.
constexpr u16 kHorizontalRegs[] = {kRegOutputWidthLow, kRegOutputWidthHigh, kRegPrescaler,     kRegLumaHIncLow,
                                   kRegLumaHIncHigh,   kRegChromaHIncLow,   kRegChromaHIncHigh};
constexpr u16 kVerticalRegs[] = {kRegOutputWindowLow, kRegOutputWindowHigh, kRegLumaVIncLow,
                                 kRegLumaVIncHigh,    kRegChromaVIncLow,    kRegChromaVIncHigh};

// Both banks in the order they are written: the first bank's registers, then
// their twins 0x30 higher, or the twins first.
template <size_t N>
struct BankOrder {
    u16 reg[2 * N];
};
template <size_t N>
constexpr BankOrder<N> BothBanks(const u16 (&regs)[N], bool twinsFirst) {
    BankOrder<N> order{};
    const u16 first = twinsFirst ? kScalerBankOffset : 0;
    for (size_t i = 0; i < N; ++i) {
        order.reg[i] = static_cast<u16>(regs[i] + first);
        order.reg[N + i] = static_cast<u16>(regs[i] + kScalerBankOffset - first);
    }
    return order;
}
constexpr auto kHorizontalBanks = BothBanks(kHorizontalRegs, false);
constexpr auto kVerticalBanks = BothBanks(kVerticalRegs, false);
constexpr auto kVerticalBanksTwinsFirst = BothBanks(kVerticalRegs, true);

// Accumulation length and DC gain of the prescaler, bank by bank.
constexpr RegisterEntry kPrescaleControl[] = {
    {kRegAccumulation, 0x01},
    {kRegAccumulation + kScalerBankOffset, 0x01},
    {kRegPrescaleDcGain, 0x01},
    {kRegPrescaleDcGain + kScalerBankOffset, 0x01},
};

// Writes value[i] to reg[i] for each register up to `end`. Results are not
// reported. The scaler helpers stay out of line and walk pointers, so that
// the scaler's kernel stack holds one helper's few value bytes at a time.
[[gnu::noinline]] void WriteSequence(void* device, const u16* reg, const u16* end, const u8* value, u32 flags) {
    for (; reg != end; ++reg, ++value) Unchecked(BusWrite(device, kAddress, *reg, *value, flags));
}

[[gnu::noinline]] void WriteHorizontal(void* device, u32 width, u32 flags) {
    const u8 prescale = Low(kMaxWidth / width);
    const u32 increment = ((kMaxWidth / prescale) * kIncrementOne) / width;
    const u32 chroma = increment / 2;
    // The same seven values for each bank.
    const u8 values[] = {Low(width),     High(width), prescale,     Low(increment), High(increment),
                         Low(chroma),    High(chroma), Low(width),  High(width),    prescale,
                         Low(increment), High(increment), Low(chroma), High(chroma)};
    static_assert(sizeof(values) == sizeof(kHorizontalBanks.reg) / sizeof(u16));
    WriteSequence(device, kHorizontalBanks.reg, kHorizontalBanks.reg + sizeof(values), values, flags);
    Unchecked(WriteRegistersOrResults(device, kAddress, kPrescaleControl, CountOf(kPrescaleControl), flags));
}

[[gnu::noinline]] void WriteVertical(void* device, u32 window, u32 increment, bool secondBankFirst, u32 flags) {
    const u8 values[] = {Low(window),    High(window),    Low(increment), High(increment),
                         Low(increment), High(increment), Low(window),    High(window),
                         Low(increment), High(increment), Low(increment), High(increment)};
    const BankOrder<6>& order = secondBankFirst ? kVerticalBanksTwinsFirst : kVerticalBanks;
    static_assert(sizeof(values) == sizeof(order.reg) / sizeof(u16));
    WriteSequence(device, order.reg, order.reg + sizeof(values), values, flags);
}

template <size_t N>
void WriteFieldSetting(void* device, CaptureConfig* config, const FieldSetting (&settings)[N], u32 height,
                       u32 flags) {
    for (const FieldSetting& setting : settings) {
        if (setting.height != height) continue;
        WriteVertical(device, setting.scale.window, setting.scale.increment, setting.scale.secondBankFirst, flags);
        config->heightDoubled = 1;
    }
}

void ClearOffsets(CaptureConfig* config) {
    config->hOffset = 0;
    config->vOffset = 0;
    config->sizeFlag3 = 0;
}

constexpr u32 kRate48k = 48000;
constexpr u32 kRate44k1 = 44100;

// Audio clock rows: cycles per field = 128 x rate / field rate (59.94 Hz or
// 50 Hz), increment = 2^23 x 128 x rate / 24 576 000, both rounded down.
struct AudioClock {
    u32 standards;
    RegisterEntry at48k[6];
    RegisterEntry at44k1[6];
};
constexpr AudioClock kAudioClocks[] = {
    {kStdNtscFamily,
     {{0x30, 0x66}, {0x31, 0x90}, {0x32, 0x01}, {0x34, 0x00}, {0x35, 0x00}, {0x36, 0x20}},
     {{0x30, 0xDE}, {0x31, 0x6F}, {0x32, 0x01}, {0x34, 0x66}, {0x35, 0x66}, {0x36, 0x1D}}},
    {kStdPalFamily,
     {{0x30, 0x00}, {0x31, 0xE0}, {0x32, 0x01}, {0x34, 0x00}, {0x35, 0x00}, {0x36, 0x20}},
     {{0x30, 0x00}, {0x31, 0xB9}, {0x32, 0x01}, {0x34, 0x66}, {0x35, 0x66}, {0x36, 0x1D}}},
};

// The first group the standard has a bit of, or none.
const AudioClock* AudioClockFor(u32 standard) {
    for (const AudioClock& clock : kAudioClocks) {
        if ((standard & clock.standards) != 0) return &clock;
    }
    return nullptr;
}

}  // namespace

u32 WriteSetupTable(void* device, const SetupDelta& delta, u32 flags) {
    for (const RegisterEntry& entry : kSetupTable) {
        if (BusWrite(device, kAddress, entry.reg, DeltaValue(delta, entry), flags) != 0) return kStatusBusFailure;
    }
    return kStatusSuccess;
}

LineSystem StandardLines(u32 standard) {
    if ((standard & kStdNtscFamily) != 0) return LineSystem::k525;
    if ((standard & (kStdPalFamily | kStdSecamFamily)) != 0) return LineSystem::k625;
    return LineSystem::kNone;
}

u32 WriteStandardList(void* device, const StandardLists& lists, LineSystem lines, u32 flags) {
    switch (lines) {
        case LineSystem::k525: return WriteRegistersOrResults(device, kAddress, lists.lines525, lists.count, flags);
        case LineSystem::k625: return WriteRegistersOrResults(device, kAddress, lists.lines625, lists.count, flags);
        case LineSystem::kNone: break;
    }
    return 0;
}

u32 SetVbiService(void* device, u32 service, u32 enable, const VbiValues& values, u32 flags) {
    if (service == 0 || service > kLastService) return kStatusNotSupported;
    const char* state = enable != 0 ? "enable" : "disable";
    for (const LineService& line : kLineServices) {
        if (line.service != service) continue;
        Trace(line.message, state);
        Unchecked(BusWrite(device, kAddress, line.reg, enable != 0 ? line.on : kLineOff, flags));
        return kStatusSuccess;
    }
    if (service == kServiceWst625 || service == kServiceWst625Too) {
        Trace(kTraceWst625, state);
        const u8 byte = enable != 0 ? values.wst625On : kLineOff;
        for (u32 line = kWst625FirstLine; line <= kWst625LastLine; ++line) {
            Unchecked(BusWrite(device, kAddress, static_cast<u16>(kRegLineControlBase + line), byte, flags));
        }
    }
    return kStatusSuccess;  // 4, 7, 8 and 9: nothing to switch
}

bool IsStatusQuery(u32 index) { return index == kPropDecoderStatus0 || index == kPropDecoderStatus1; }

u32 ReadStatusQuery(void* device, u32 index, u32* value, u32 flags) {
    return ReadDecoderStatus(kStatusQueries, device, index, value, flags);
}

u32 ProgramScaler(void* device, CaptureConfig* config, u32 flags) {
    const u32 mask = config->standardMask;
    const bool has525 = (mask & kStdNtscFamily) != 0;
    const bool has625 = (mask & (kStdPalFamily | kStdSecamFamily)) != 0;
    if (!has525 && !has625) return kStatusSuccess;  // no line counts to scale to
    const u32 width = config->captureWidth;
    if (width == 0 || width > kMaxWidth) return kStatusInvalid;
    const u32 height = config->captureHeight;
    // 625-line figures win when both families are present; the 525-line
    // window still takes the four extra lines.
    const u32 frameLines = has625 ? kFrameLines625 : kFrameLines525;
    const u32 fieldLines = frameLines / 2;
    const u32 windowBase = has525 ? height + kWindowExtra525 : height;

    config->widthDoubled = 0;
    ClearOffsets(config);
    WriteHorizontal(device, width, flags);

    if (height > fieldLines) {
        config->heightDoubled = 0;
        ClearOffsets(config);
        WriteVertical(device, windowBase / 2, (frameLines * kIncrementOne) / height, false, flags);
        return kStatusSuccess;
    }
    // One field's lines or fewer: only the listed heights have settings.
    if (has525) WriteFieldSetting(device, config, kFields525, height, flags);
    if (has625) WriteFieldSetting(device, config, kFields625, height, flags);
    return kStatusSuccess;
}

bool HasAudioClock(u32 standard) { return AudioClockFor(standard) != nullptr; }

void WriteAudioClock(void* device, u32 standard, u32 sampleRate, u32 flags) {
    const AudioClock* clock = AudioClockFor(standard);
    if (clock == nullptr) return;
    const RegisterEntry* row;
    if (sampleRate == kRate48k) {
        row = clock->at48k;
    } else if (sampleRate == kRate44k1) {
        row = clock->at44k1;
    } else {
        return;
    }
    Unchecked(WriteRegistersOrResults(device, kAddress, row, CountOf(clock->at48k), flags));
}

constexpr DecoderFormats kFormats = MakeDecoderFormats("SAA7115", /*withSecam=*/true, FlagPattern::kDecoder3);

u32 GetVideoFormats(void*, void*, u32* count, VideoFormat* formats) {
    return CopyVideoFormats(count, formats, kFormats.record, kFormats.count);
}

u32 StartDecoder(void* context, void* device, u32 standard, u32 source, const VideoPropertySet& properties,
                 const DecoderStart& start) {
    if (WriteSetupTable(device, start.delta, start.flags) != 0) return kStatusBusFailure;
    return ApplyVideoSettings(start.setVideoProperty, context, device, source, standard, properties);
}

}  // namespace trel::saa7115
