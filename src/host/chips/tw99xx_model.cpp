// TW9903/5 and TW9906 decoder models (see tw99xx_model.h).
#include "tw99xx_model.h"

namespace trel::host::chips {
namespace {

constexpr uint8_t kTw99xx = 0x88;

int SignedByte(uint8_t value) { return value < 0x80 ? value : value - 256; }

// Brightness (signed, 0 is the middle of the host's range), contrast and hue,
// common to both chips.
ChipAspect CommonPicture(const RegisterFile& regs) {
    ChipAspect picture;
    if (regs.Has(0x10)) {
        AddControl(picture, "brightness " + Hex2(regs.Get(0x10)), "brightness",
            50 + Scale(SignedByte(regs.Get(0x10)), 127, 50));
    }
    if (regs.Has(0x11)) AddControl(picture, "contrast " + Hex2(regs.Get(0x11)), "contrast", ScaleTruncated(regs.Get(0x11), 255, 100));
    if (regs.Has(0x15)) AddControl(picture, "hue " + Hex2(regs.Get(0x15)), "hue", Scale(SignedByte(regs.Get(0x15)), 127, 50));
    return picture;
}

// Saturation (U and V gains; V is read on the host's 0-to-218 span after
// `vOffset`) and sharpness (`steps` levels), then the chip's picture line.
ChipAspect PictureAspect(const char* chip, const RegisterFile& regs, int vOffset, int steps) {
    ChipAspect picture = CommonPicture(regs);
    if (regs.HasAll({0x13, 0x14})) {
        const int gain = regs.Get(0x14);
        AddControl(picture, "saturation U " + Hex2(regs.Get(0x13)) + " V " + Hex2(gain), "saturation",
            ScaleTruncated(gain - vOffset, 218, 100));
    }
    if (regs.Has(0x12)) {
        AddControl(picture, "sharpness " + std::to_string(regs.Get(0x12) & 0x0F) + " of " + std::to_string(steps),
            "sharpness", ScaleTruncated(regs.Get(0x12) & 0x0F, steps, 100));
    }
    if (!picture.text.empty()) picture.text = std::string(chip) + " picture: " + picture.text + " (host scales)";
    return picture;
}

ChipAspect Input(const char* chip, const RegisterFile& regs, uint8_t source0, uint8_t source1) {
    const uint8_t input = regs.Get(0x02);
    ChipAspect aspect{std::string(chip) + " input: ", {}};
    if (input == source0 || input == source1) {
        const int source = input == source0 ? 0 : 1;
        aspect.text += "video source " + std::to_string(source) + " (02=" + Hex2(input) + ")";
        aspect.fields.push_back({"source", source});
    } else {
        aspect.text += "02=" + Hex2(input);
    }
    aspect.fields.push_back({"register02", input});
    return aspect;
}

}  // namespace

void Tw9903Model::Feed(const BusCall& call) {
    if (IsWriteTo(call, kTw99xx)) regs_.Set(call.reg, static_cast<uint8_t>(call.value));
    if (IsReadFrom(call, kTw99xx) && call.reg == 0x00) identity_ = static_cast<uint8_t>(call.value);
}

std::vector<ChipAspect> Tw9903Model::State() const {
    std::vector<ChipAspect> lines;
    if (identity_) {
        lines.push_back({"TW9903/5 identity: " + std::to_string(*identity_ >> 3) + " (00=" + Hex2(*identity_) +
                             "), standard followed from the signal",
                         {{"identity", *identity_ >> 3}, {"register00", *identity_}}});
    }
    if (regs_.Has(0x02)) lines.push_back(Input("TW9903/5", regs_, 0x50, 0x44));
    // U gain carries 37 more than V gain; V gain spans 0 to 218.
    if (ChipAspect picture = PictureAspect("TW9903/5", regs_, 0, 7); !picture.text.empty()) {
        lines.push_back(std::move(picture));
    }
    return lines;
}

void Tw9906Model::Feed(const BusCall& call) {
    if (IsWriteTo(call, kTw99xx)) regs_.Set(call.reg, static_cast<uint8_t>(call.value));
    if (IsReadFrom(call, kTw99xx) && call.reg == 0x01) signal50Hz_ = (call.value & 0x01) != 0;
}

Tw9906Scaler Tw9906Model::Scaler() const {
    Tw9906Scaler s;
    s.programmed = regs_.HasAll({0x0D, 0x0E, 0x0F}) && regs_.Has(0x08);
    s.horizontal = static_cast<uint32_t>((regs_.Get(0x0E) & 0x0F) << 8 | regs_.Get(0x0F));
    s.vertical = static_cast<uint32_t>((regs_.Get(0x0E) >> 4) << 8 | regs_.Get(0x0D));
    // The decoder takes 480 lines from a 60-Hz signal and 576 from a 50-Hz one;
    // the signal is 50 Hz when the decoder said so, or when it runs a 625-line
    // standard.
    const bool fifty = signal50Hz_.value_or(false) || regs_.Get(0x08) == 0x19;
    s.sourceLines = fifty ? 576 : 480;
    if (s.horizontal != 0) s.deliveredWidth = s.sourceWidth * 256 / s.horizontal;
    if (s.vertical != 0) s.deliveredLines = s.sourceLines * 256 / s.vertical;
    return s;
}

std::vector<ChipAspect> Tw9906Model::State() const {
    std::vector<ChipAspect> lines;
    if (regs_.Has(0x02)) lines.push_back(Input("TW9906", regs_, 0x55, 0x40));
    if (regs_.Has(0x08)) {
        const uint8_t standard = regs_.Get(0x08);
        ChipAspect aspect{std::string("TW9906 standard: ") +
                              (standard == 0x14   ? "525 lines, 60 Hz"
                               : standard == 0x19 ? "625 lines, 50 Hz"
                                                  : "unrecognised") +
                              " (08=" + Hex2(standard) + ")",
                          {{"register08", standard}}};
        if (standard == 0x14 || standard == 0x19) aspect.fields.push_back({"lines", standard == 0x14 ? 525 : 625});
        lines.push_back(std::move(aspect));
    }
    if (signal50Hz_) {
        lines.push_back({std::string("TW9906 signal: ") + (*signal50Hz_ ? "50 Hz" : "60 Hz") + " reported",
                         {{"fieldRateHz", *signal50Hz_ ? 50 : 60}}});
    }
    // Both colour gains carry 37 above the host's 0-to-218 span.
    if (ChipAspect picture = PictureAspect("TW9906", regs_, 37, 14); !picture.text.empty()) {
        lines.push_back(std::move(picture));
    }
    if (const Tw9906Scaler s = Scaler(); s.programmed) {
        lines.push_back({"TW9906 scaler: " + std::to_string(s.sourceWidth) + " x " + std::to_string(s.sourceLines) +
                             " source, horizontal " + std::to_string(s.horizontal) + "/256, vertical " +
                             std::to_string(s.vertical) + "/256 -> " + std::to_string(s.deliveredWidth) + " x " +
                             std::to_string(s.deliveredLines) + " delivered",
                         {{"sourceWidth", s.sourceWidth},
                          {"sourceLines", s.sourceLines},
                          {"horizontal", s.horizontal},
                          {"vertical", s.vertical},
                          {"deliveredWidth", s.deliveredWidth},
                          {"deliveredLines", s.deliveredLines}}});
    }
    return lines;
}

}  // namespace trel::host::chips
