// Models of the camera boards' sensors: the OmniVision 7640 and 6650 (frame
// timing, picture controls) and the CCD's serial-programmed timing logic
// (frame timing, exposure) with the encoder's colour controls that go with it.
#pragma once

#include "chip_model.h"

namespace trel::host::chips {

class OmniVisionModel : public ChipModel {
public:
    enum class Sensor { Ov7640, Ov6650 };
    explicit OmniVisionModel(Sensor sensor) : sensor_(sensor) {}
    void Feed(const BusCall& call) override;
    std::vector<ChipAspect> State() const override;
    // Frames per 1001 seconds of the frame timing held (30030, 25025); none
    // while the timing registers hold no timing the sensor is run with.
    std::optional<uint32_t> FrameRate() const;

private:
    Sensor sensor_;
    RegisterFile regs_;
};

class CcdModel : public ChipModel {
public:
    void Feed(const BusCall& call) override;
    std::vector<ChipAspect> State() const override;
    std::optional<uint32_t> FrameRate() const;
    // Exposure in the timing logic's own order (the serial words carry its
    // twelve bits reversed); none until both words were sent.
    std::optional<uint32_t> Exposure() const;

private:
    std::optional<uint8_t> Field(uint8_t address, uint16_t page) const;
    std::map<uint32_t, uint8_t> fields_;  // (address << 16 | page) -> data
    RegisterFile encoder_;
};

// The twelve low bits of `value` in reverse order.
uint32_t Reverse12(uint32_t value);

}  // namespace trel::host::chips
