// SAA7115 and SAA7113 decoder models (see saa711x_model.h).
#include "saa711x_model.h"

#include <algorithm>

namespace trel::host::chips {
namespace {

constexpr uint8_t kSaa7115 = 0x40;
constexpr uint8_t kSaa7113 = 0x4A;

// Offsets of a scaler bank's registers from its base (0x90 or 0xC0).
constexpr uint16_t kInputWidth = 0x06;   // and 0x07: horizontal input length
constexpr uint16_t kInputLines = 0x0A;   // and 0x0B: input window, lines per field
constexpr uint16_t kOutputWidth = 0x0C;  // and 0x0D
constexpr uint16_t kOutputLines = 0x0E;  // and 0x0F
constexpr uint16_t kPrescale = 0x10;
constexpr uint16_t kIncrement = 0x18;        // and 0x19, luma
constexpr uint16_t kChromaIncrement = 0x1C;  // and 0x1D
constexpr uint16_t kVIncrement = 0x20;       // and 0x21, luma
constexpr uint16_t kVChromaIncrement = 0x22; // and 0x23

int SignedByte(uint8_t value) { return value < 0x80 ? value : value - 256; }

// The video source whose input byte (register 0x02) is `input`.
std::optional<int> Saa7115Source(std::span<const uint8_t> inputs, uint8_t input) {
    const auto found = std::find(inputs.begin(), inputs.end(), input);
    if (found == inputs.end()) return std::nullopt;
    return static_cast<int>(found - inputs.begin());
}

ChipAspect InputAspect(const std::string& chip, const RegisterFile& regs, std::optional<int> source) {
    ChipAspect aspect{chip + " input: ", {}};
    std::string& text = aspect.text;
    if (source) {
        text += "video source " + std::to_string(*source) + " (";
        aspect.fields.push_back({"source", *source});
    }
    text += "02=" + Hex2(regs.Get(0x02));
    aspect.fields.push_back({"register02", regs.Get(0x02)});
    if (regs.Has(0x09)) {
        text += ", 09=" + Hex2(regs.Get(0x09));
        aspect.fields.push_back({"register09", regs.Get(0x09)});
    }
    if (source) text += ")";
    return aspect;
}

std::string VbiService(uint8_t value) {
    switch (value & 0x0F) {
    case 0x1: return "WST625";
    case 0x4: return "Close Caption";
    case 0x5: return "CGMS";
    default: return "slicer " + Hex2(value);
    }
}

}  // namespace

ChipAspect Saa711xPicture(const RegisterFile& regs) {
    ChipAspect aspect;
    std::string& text = aspect.text;
    const auto add = [&](uint16_t reg, const char* name, int value) {
        if (regs.Has(reg)) AddControl(aspect, std::string(name) + " " + Hex2(regs.Get(reg)), name, value);
    };
    add(0x0A, "brightness", ScaleTruncated(regs.Get(0x0A), 255, 100));
    add(0x0B, "contrast", ScaleTruncated(regs.Get(0x0B), 127, 100));
    add(0x0C, "saturation", ScaleTruncated(regs.Get(0x0C), 127, 100));
    add(0x0D, "hue", Scale(SignedByte(regs.Get(0x0D)), 127, 50));
    if (!text.empty()) text += " (host scales)";
    return aspect;
}

void Saa7115Model::Feed(const BusCall& call) {
    if (IsWriteTo(call, kSaa7115)) regs_.Set(call.reg, static_cast<uint8_t>(call.value));
}

Saa7115Bank Saa7115Model::Bank(int bank) const {
    const uint16_t base = bank == 0 ? 0x90 : 0xC0;
    const auto at = [base](uint16_t offset) { return static_cast<uint16_t>(base + offset); };
    Saa7115Bank b;
    b.programmed = regs_.HasAll({at(kInputWidth), at(kInputWidth + 1), at(kInputLines), at(kInputLines + 1),
                                 at(kOutputWidth), at(kOutputWidth + 1), at(kOutputLines), at(kOutputLines + 1),
                                 at(kPrescale), at(kIncrement), at(kIncrement + 1), at(kVIncrement),
                                 at(kVIncrement + 1)});
    b.inputWidth = regs_.Word(at(kInputWidth), 2);
    b.inputLines = regs_.Word(at(kInputLines), 2);
    b.outputWidth = regs_.Word(at(kOutputWidth), 2);
    b.outputLines = regs_.Word(at(kOutputLines), 2);
    b.prescale = regs_.Get(at(kPrescale));
    b.increment = regs_.Word(at(kIncrement), 2);
    b.chromaIncrement = regs_.Word(at(kChromaIncrement), 2);
    b.vIncrement = regs_.Word(at(kVIncrement), 2);
    b.vChromaIncrement = regs_.Word(at(kVChromaIncrement), 2);
    if (b.prescale != 0 && b.increment != 0) {
        // The prescaler averages `prescale` pixels into one; the increment then
        // steps through the prescaled line in 1/1024 of a pixel.
        b.deliveredWidth = std::min(b.outputWidth, b.inputWidth / b.prescale * 1024 / b.increment);
    }
    if (b.vIncrement != 0) b.deliveredLines = std::min(b.outputLines, b.inputLines * 1024 / b.vIncrement);
    return b;
}

Saa7115AudioClock Saa7115Model::AudioClock() const {
    Saa7115AudioClock clock;
    clock.programmed = regs_.HasAll({0x30, 0x31, 0x32, 0x34, 0x35, 0x36});
    clock.cyclesPerField = regs_.Word(0x30, 3);
    clock.increment = regs_.Word(0x34, 3);
    return clock;
}

std::vector<ChipAspect> Saa7115Model::State() const {
    std::vector<ChipAspect> lines;
    if (regs_.Has(0x02)) lines.push_back(InputAspect("SAA7115", regs_, Saa7115Source(inputs_, regs_.Get(0x02))));
    if (regs_.HasAll({0x9A, 0x9B})) {
        const uint32_t window = regs_.Word(0x9A, 2);
        std::string system = window == 242   ? "525 lines, 59.94 fields/s"
                             : window == 288 ? "625 lines, 50 fields/s"
                                             : "unusual window";
        ChipAspect aspect{"SAA7115 line system: " + system + " (field window " + std::to_string(window) + " lines" +
                              (regs_.Has(0x5A) ? ", 5A=" + Hex2(regs_.Get(0x5A)) : std::string()) + ")",
                          {{"fieldWindowLines", window}}};
        if (window == 242 || window == 288) aspect.fields.push_back({"lines", window == 242 ? 525 : 625});
        lines.push_back(std::move(aspect));
    }
    if (ChipAspect picture = Saa711xPicture(regs_); !picture.text.empty()) {
        picture.text = "SAA7115 picture: " + picture.text;
        lines.push_back(std::move(picture));
    }
    for (int bank = 0; bank < 2; ++bank) {
        const Saa7115Bank b = Bank(bank);
        if (!b.programmed) continue;
        lines.push_back({std::string("SAA7115 scaler ") + (bank == 0 ? "A" : "B") + ": " +
                             std::to_string(b.inputWidth) + " x " + std::to_string(b.inputLines) + " input, prescale " +
                             std::to_string(b.prescale) + ", increment " + std::to_string(b.increment) +
                             "/1024, vertical " + std::to_string(b.vIncrement) + "/1024, window " +
                             std::to_string(b.outputWidth) + " x " + std::to_string(b.outputLines) + " -> " +
                             std::to_string(b.deliveredWidth) + " x " + std::to_string(b.deliveredLines) +
                             " delivered per field",
                         {{"inputWidth", b.inputWidth},
                          {"inputLines", b.inputLines},
                          {"prescale", b.prescale},
                          {"increment", b.increment},
                          {"verticalIncrement", b.vIncrement},
                          {"outputWidth", b.outputWidth},
                          {"outputLines", b.outputLines},
                          {"deliveredWidth", b.deliveredWidth},
                          {"deliveredLines", b.deliveredLines}}});
    }
    if (const Saa7115AudioClock clock = AudioClock(); clock.programmed) {
        lines.push_back({"SAA7115 audio clock: " + std::to_string(clock.cyclesPerField) +
                             " cycles per field, increment 0x" + Hex2(clock.increment >> 16) +
                             Hex4(clock.increment & 0xFFFF) + " -> " + Fixed(clock.RateAt(kFields525), 1) +
                             " Hz at 59.94 fields/s, " + Fixed(clock.RateAt(kFields625), 1) +
                             " Hz at 50 fields/s (increment names " + Fixed(clock.NominalRate(), 1) + " Hz)",
                         {{"cyclesPerField", clock.cyclesPerField},
                          {"increment", clock.increment},
                          {"rateHz525", clock.RateAt(kFields525)},
                          {"rateHz625", clock.RateAt(kFields625)},
                          {"nominalRateHz", clock.NominalRate()}}});
    }
    bool anyVbi = false;
    for (int line = 2; line <= 24; ++line) anyVbi = anyVbi || VbiLine(line).has_value();
    if (anyVbi) {
        std::string text;
        ChipAspect aspect;
        for (int line = 2; line <= 24;) {
            const auto value = VbiLine(line);
            int last = line;
            while (last < 24 && VbiLine(last + 1) == value) ++last;
            if (value && *value != 0xFF) {
                if (!text.empty()) text += ", ";
                text += (last == line ? "line " + std::to_string(line)
                                      : "lines " + std::to_string(line) + "-" + std::to_string(last)) +
                        " " + VbiService(*value) + " (" + Hex2(*value) + ")";
                for (int n = line; n <= last; ++n) aspect.fields.push_back({"line" + std::to_string(n), *value});
            }
            line = last + 1;
        }
        aspect.text = "SAA7115 VBI: " + (text.empty() ? std::string("no service on lines 2-24") : text);
        lines.push_back(std::move(aspect));
    }
    return lines;
}

void Saa7113Model::Feed(const BusCall& call) {
    if (IsWriteTo(call, kSaa7113)) regs_.Set(call.reg, static_cast<uint8_t>(call.value));
}

std::vector<ChipAspect> Saa7113Model::State() const {
    std::vector<ChipAspect> lines;
    if (regs_.Has(0x02)) {
        const uint8_t input = regs_.Get(0x02);
        std::optional<int> source;
        if (input == 0xC9) source = 0;
        if (input == 0xC0) source = 1;
        lines.push_back(InputAspect("SAA7113", regs_, source));
    }
    if (regs_.Has(0x0E)) {
        const uint8_t standard = regs_.Get(0x0E);
        lines.push_back({std::string("SAA7113 standard: ") +
                             (standard == 0x01   ? "NTSC or PAL"
                              : standard == 0x50 ? "SECAM"
                                                 : "unrecognised") +
                             " (0E=" + Hex2(standard) + ")",
                         {{"register0E", standard}}});
    }
    if (ChipAspect picture = Saa711xPicture(regs_); !picture.text.empty()) {
        picture.text = "SAA7113 picture: " + picture.text;
        lines.push_back(std::move(picture));
    }
    return lines;
}

}  // namespace trel::host::chips
