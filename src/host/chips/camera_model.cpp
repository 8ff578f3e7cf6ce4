// Sensor and timing-logic models (see camera_model.h).
#include "camera_model.h"

namespace trel::host::chips {
namespace {

std::string RateText(uint32_t perThousandOne) {
    return perThousandOne == 30030 ? "30 fps" : perThousandOne == 25025 ? "25 fps" : std::to_string(perThousandOne);
}

}  // namespace

uint32_t Reverse12(uint32_t value) {
    uint32_t reversed = 0;
    for (int bit = 0; bit < 12; ++bit) {
        if ((value >> bit) & 1) reversed |= 1u << (11 - bit);
    }
    return reversed;
}

void OmniVisionModel::Feed(const BusCall& call) {
    const uint8_t address = sensor_ == Sensor::Ov7640 ? 0x42 : 0xC0;
    if (IsWriteTo(call, address)) regs_.Set(call.reg, static_cast<uint8_t>(call.value));
}

std::optional<uint32_t> OmniVisionModel::FrameRate() const {
    // The sensors are run with two frame timings: the line length (7640:
    // registers 0x2A and 0x2B; 6650: register 0x2B) is what stretches a
    // frame from 1/30 s to 1/25 s.
    if (sensor_ == Sensor::Ov7640) {
        if (!regs_.HasAll({0x2A, 0x2B})) return std::nullopt;
        const uint32_t timing = static_cast<uint32_t>(regs_.Get(0x2A) << 8 | regs_.Get(0x2B));
        if (timing == 0x905E) return 30030;
        if (timing == 0xB006) return 25025;
        return std::nullopt;
    }
    if (!regs_.Has(0x2B)) return std::nullopt;
    if (regs_.Get(0x2B) == 0x35) return 30030;
    if (regs_.Get(0x2B) == 0x95) return 25025;
    return std::nullopt;
}

namespace {

// "<chip> frame rate: 30 fps (<registers>)", with the rate in frames per 1001 s.
ChipAspect FrameRateAspect(const std::string& chip, std::optional<uint32_t> rate, const std::string& registers) {
    ChipAspect aspect{chip + " frame rate: " + (rate ? RateText(*rate) : std::string("unrecognised timing")) + " (" +
                          registers + ")",
                      {}};
    if (rate) aspect.fields.push_back({"framesPer1001s", *rate});
    return aspect;
}

}  // namespace

std::vector<ChipAspect> OmniVisionModel::State() const {
    const std::string chip = sensor_ == Sensor::Ov7640 ? "OV7640" : "OV6650";
    std::vector<ChipAspect> lines;
    const bool timed = sensor_ == Sensor::Ov7640 ? regs_.HasAll({0x2A, 0x2B}) : regs_.Has(0x2B);
    if (timed) {
        std::string registers = sensor_ == Sensor::Ov7640 ? "2A=" + Hex2(regs_.Get(0x2A)) + " 2B=" + Hex2(regs_.Get(0x2B))
                                                          : "2B=" + Hex2(regs_.Get(0x2B));
        lines.push_back(FrameRateAspect(chip, FrameRate(), registers));
    }
    ChipAspect picture;
    if (regs_.Has(0x06)) AddControl(picture, "brightness " + Hex2(regs_.Get(0x06)), "brightness", ScaleTruncated(regs_.Get(0x06), 255, 100));
    if (regs_.Has(0x03)) AddControl(picture, "saturation " + Hex2(regs_.Get(0x03)), "saturation", ScaleTruncated(regs_.Get(0x03), 255, 100));
    if (regs_.Has(0x04)) {
        // Hue: five bits across the host's -50 to 50, bit 5 set.
        AddControl(picture, "hue " + Hex2(regs_.Get(0x04)), "hue", ScaleTruncated(regs_.Get(0x04) & 0x1F, 31, 100) - 50);
    }
    if (!picture.text.empty()) {
        picture.text = chip + " picture: " + picture.text + " (host scales)";
        lines.push_back(std::move(picture));
    }
    return lines;
}

std::optional<uint8_t> CcdModel::Field(uint8_t address, uint16_t page) const {
    const auto it = fields_.find(static_cast<uint32_t>(address) << 16 | page);
    if (it == fields_.end()) return std::nullopt;
    return it->second;
}

void CcdModel::Feed(const BusCall& call) {
    if (call.result != 0) return;
    if (call.service == Service::SerialWrite) {
        fields_[static_cast<uint32_t>(call.address) << 16 | call.reg] = static_cast<uint8_t>(call.value & 0x3F);
    } else if (call.service == Service::EncoderWrite) {
        encoder_.Set(call.reg, static_cast<uint8_t>(call.value));
    }
}

std::optional<uint32_t> CcdModel::FrameRate() const {
    const auto first = Field(0x77, 0);
    const auto second = Field(0xF7, 0);
    if (!first || !second) return std::nullopt;
    if (*first == 0x08 && *second == 0x04) return 30030;
    if (*first == 0x05 && *second == 0x24) return 25025;
    return std::nullopt;
}

std::optional<uint32_t> CcdModel::Exposure() const {
    const auto high = Field(0x5E, 1);
    const auto low = Field(0xDE, 1);
    if (!high || !low) return std::nullopt;
    return Reverse12(static_cast<uint32_t>(*high) << 6 | *low);
}

std::vector<ChipAspect> CcdModel::State() const {
    std::vector<ChipAspect> lines;
    if (Field(0x77, 0) && Field(0xF7, 0)) {
        lines.push_back(FrameRateAspect("CCD", FrameRate(),
                                        "77/0=" + Hex2(*Field(0x77, 0)) + " F7/0=" + Hex2(*Field(0xF7, 0))));
    }
    if (const auto exposure = Exposure()) {
        // 531 (brightness 0) down to 1 (brightness 100).
        const int brightness = 100 - ScaleTruncated(static_cast<int>(*exposure) - 1, 530, 100);
        lines.push_back({"CCD exposure: " + std::to_string(*exposure) + " (5E/1=" + Hex2(*Field(0x5E, 1)) +
                             " DE/1=" + Hex2(*Field(0xDE, 1)) + ", bit order reversed on the link) = brightness " +
                             std::to_string(brightness),
                         {{"exposure", *exposure}, {"brightness", brightness}}});
    }
    ChipAspect colour;
    if (encoder_.Has(0x4136)) {
        AddControl(colour, "saturation " + Hex2(encoder_.Get(0x4136)), "saturation", ScaleTruncated(encoder_.Get(0x4136), 127, 100));
    }
    if (encoder_.Has(0x4137)) {
        // Sign and magnitude: five bits of magnitude, bit 5 for negative.
        const uint8_t hue = encoder_.Get(0x4137);
        const int magnitude = ScaleTruncated(hue & 0x1F, 31, 50);
        AddControl(colour, "hue " + Hex2(hue), "hue", (hue & 0x20) != 0 ? -magnitude : magnitude);
    }
    if (!colour.text.empty()) {
        colour.text = "encoder colour: " + colour.text + " (host scales)";
        lines.push_back(std::move(colour));
    }
    return lines;
}

}  // namespace trel::host::chips
