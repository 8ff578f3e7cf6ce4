// Models of the TW99xx video decoders at address byte 0x88: the TW9903/5
// (input, identity, picture controls; it follows the signal's standard by
// itself) and the TW9906 (input, standard, picture controls and its scaler).
#pragma once

#include "chip_model.h"

namespace trel::host::chips {

class Tw9903Model : public ChipModel {
public:
    void Feed(const BusCall& call) override;
    std::vector<ChipAspect> State() const override;

private:
    RegisterFile regs_;
    std::optional<uint8_t> identity_;  // register 0x00 as last read
};

// The TW9906 scaler: a scale is source size x 256 / output size (256 is 1:1).
struct Tw9906Scaler {
    bool programmed = false;
    uint32_t horizontal = 0;
    uint32_t vertical = 0;
    uint32_t sourceWidth = 720;
    uint32_t sourceLines = 0;  // lines per frame of the signal decoded
    uint32_t deliveredWidth = 0;
    uint32_t deliveredLines = 0;
};

class Tw9906Model : public ChipModel {
public:
    void Feed(const BusCall& call) override;
    std::vector<ChipAspect> State() const override;
    Tw9906Scaler Scaler() const;

private:
    RegisterFile regs_;
    std::optional<bool> signal50Hz_;  // bit 0 of register 0x01 as last read
};

}  // namespace trel::host::chips
