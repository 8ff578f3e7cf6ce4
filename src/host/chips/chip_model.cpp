// Formatting helpers shared by the chip models.
#include "chip_model.h"

#include <cmath>
#include <cstdio>

namespace trel::host::chips {

std::vector<std::string> ChipModel::Describe() const {
    std::vector<std::string> lines;
    for (ChipAspect& aspect : State()) lines.push_back(std::move(aspect.text));
    return lines;
}

void AddControl(ChipAspect& line, const std::string& part, const char* name, int value) {
    line.text += (line.text.empty() ? "" : ", ") + part + " = " + std::to_string(value);
    line.fields.push_back({name, value});
}

std::string Hex2(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%02X", value);
    return text;
}

std::string Hex4(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%04X", value);
    return text;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.*f", decimals, value);
    return text;
}

int Scale(int reg, int full, int hostFull) {
    return static_cast<int>(std::lround(static_cast<double>(reg) * hostFull / full));
}

int ScaleTruncated(int reg, int full, int hostFull) {
    const long value = std::lround((reg + 0.5) * hostFull / full);
    return static_cast<int>(value > hostFull ? hostFull : value);
}

}  // namespace trel::host::chips
