// TW9903/5 and TW9906 decoder models (see tw99xx_model.h).
#include "tw99xx_model.h"

namespace trel::host::chips {
namespace {

constexpr uint8_t kTw99xx = 0x88;

int SignedByte(uint8_t value) { return value < 0x80 ? value : value - 256; }

void Add(std::string& text, const std::string& part) {
    if (!text.empty()) text += ", ";
    text += part;
}

// Brightness (signed, 0 is the middle of the host's range), contrast and hue,
// common to both chips.
std::string CommonPicture(const RegisterFile& regs) {
    std::string text;
    if (regs.Has(0x10)) {
        Add(text, "brightness " + Hex2(regs.Get(0x10)) + " = " +
                      std::to_string(50 + Scale(SignedByte(regs.Get(0x10)), 127, 50)));
    }
    if (regs.Has(0x11)) Add(text, "contrast " + Hex2(regs.Get(0x11)) + " = " + std::to_string(ScaleTruncated(regs.Get(0x11), 255, 100)));
    if (regs.Has(0x15)) Add(text, "hue " + Hex2(regs.Get(0x15)) + " = " + std::to_string(Scale(SignedByte(regs.Get(0x15)), 127, 50)));
    return text;
}

std::string Input(const char* chip, const RegisterFile& regs, uint8_t source0, uint8_t source1) {
    const uint8_t input = regs.Get(0x02);
    std::string text = std::string(chip) + " input: ";
    if (input == source0) return text + "video source 0 (02=" + Hex2(input) + ")";
    if (input == source1) return text + "video source 1 (02=" + Hex2(input) + ")";
    return text + "02=" + Hex2(input);
}

}  // namespace

void Tw9903Model::Feed(const BusCall& call) {
    if (IsWriteTo(call, kTw99xx)) regs_.Set(call.reg, static_cast<uint8_t>(call.value));
    if (IsReadFrom(call, kTw99xx) && call.reg == 0x00) identity_ = static_cast<uint8_t>(call.value);
}

std::vector<std::string> Tw9903Model::Describe() const {
    std::vector<std::string> lines;
    if (identity_) {
        lines.push_back("TW9903/5 identity: " + std::to_string(*identity_ >> 3) + " (00=" + Hex2(*identity_) +
                        "), standard followed from the signal");
    }
    if (regs_.Has(0x02)) lines.push_back(Input("TW9903/5", regs_, 0x50, 0x44));
    std::string picture = CommonPicture(regs_);
    if (regs_.HasAll({0x13, 0x14})) {
        // U gain carries 37 more than V gain; V gain spans 0 to 218.
        Add(picture, "saturation U " + Hex2(regs_.Get(0x13)) + " V " + Hex2(regs_.Get(0x14)) + " = " +
                         std::to_string(ScaleTruncated(regs_.Get(0x14), 218, 100)));
    }
    if (regs_.Has(0x12)) {
        Add(picture, "sharpness " + std::to_string(regs_.Get(0x12) & 0x0F) + " of 7 = " +
                         std::to_string(ScaleTruncated(regs_.Get(0x12) & 0x0F, 7, 100)));
    }
    if (!picture.empty()) lines.push_back("TW9903/5 picture: " + picture + " (host scales)");
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

std::vector<std::string> Tw9906Model::Describe() const {
    std::vector<std::string> lines;
    if (regs_.Has(0x02)) lines.push_back(Input("TW9906", regs_, 0x55, 0x40));
    if (regs_.Has(0x08)) {
        const uint8_t standard = regs_.Get(0x08);
        lines.push_back(std::string("TW9906 standard: ") +
                        (standard == 0x14   ? "525 lines, 60 Hz"
                         : standard == 0x19 ? "625 lines, 50 Hz"
                                            : "unrecognised") +
                        " (08=" + Hex2(standard) + ")");
    }
    if (signal50Hz_) lines.push_back(std::string("TW9906 signal: ") + (*signal50Hz_ ? "50 Hz" : "60 Hz") + " reported");
    std::string picture = CommonPicture(regs_);
    if (regs_.HasAll({0x13, 0x14})) {
        // Both colour gains carry 37 above the host's 0-to-218 span.
        const int gain = regs_.Get(0x14);
        Add(picture, "saturation U " + Hex2(regs_.Get(0x13)) + " V " + Hex2(gain) + " = " +
                         std::to_string(ScaleTruncated(gain - 37, 218, 100)));
    }
    if (regs_.Has(0x12)) {
        Add(picture, "sharpness " + std::to_string(regs_.Get(0x12) & 0x0F) + " of 14 = " +
                         std::to_string(ScaleTruncated(regs_.Get(0x12) & 0x0F, 14, 100)));
    }
    if (!picture.empty()) lines.push_back("TW9906 picture: " + picture + " (host scales)");
    if (const Tw9906Scaler s = Scaler(); s.programmed) {
        lines.push_back("TW9906 scaler: " + std::to_string(s.sourceWidth) + " x " + std::to_string(s.sourceLines) +
                        " source, horizontal " + std::to_string(s.horizontal) + "/256, vertical " +
                        std::to_string(s.vertical) + "/256 -> " + std::to_string(s.deliveredWidth) + " x " +
                        std::to_string(s.deliveredLines) + " delivered");
    }
    return lines;
}

}  // namespace trel::host::chips
