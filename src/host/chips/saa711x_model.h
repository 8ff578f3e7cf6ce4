// Models of the SAA711x video decoders: the SAA7115 (input, line system,
// picture controls, the two scaler banks, the audio master clock, the VBI
// slicer lines) and the SAA7113 (input, standard, picture controls).
#pragma once

#include <span>
#include <string>
#include <vector>

#include "chip_model.h"

namespace trel::host::chips {

// One scaler bank of the SAA7115 (bank A at 0x90, bank B at 0xC0), as the
// registers hold it, and what it makes of a field.
struct Saa7115Bank {
    bool programmed = false;   // every register the result depends on was written
    uint32_t inputWidth = 0;   // horizontal input length, pixels
    uint32_t inputLines = 0;   // input window, lines per field
    uint32_t outputWidth = 0;  // output window, pixels
    uint32_t outputLines = 0;  // output window, lines per field
    uint32_t prescale = 0;     // horizontal prescaler (0: stopped)
    uint32_t increment = 0;    // horizontal luma increment, 1024 = 1:1
    uint32_t chromaIncrement = 0;
    uint32_t vIncrement = 0;   // vertical luma increment, 1024 = 1:1
    uint32_t vChromaIncrement = 0;
    // Pixels per line and lines per field leaving the scaler: the prescaled
    // line through the increment, or the field through the vertical
    // increment, cut at the output window. 0 when the bank cannot run.
    uint32_t deliveredWidth = 0;
    uint32_t deliveredLines = 0;
};

// The audio master clock: cycles per video field and nominal increment; the
// clock runs at 128 times the sample rate.
struct Saa7115AudioClock {
    bool programmed = false;
    uint32_t cyclesPerField = 0;
    uint32_t increment = 0;
    double RateAt(double fieldsPerSecond) const { return cyclesPerField * fieldsPerSecond / 128.0; }
    // The rate the nominal increment names: increment / 2^23 of the
    // 24.576 MHz reference is the master clock.
    double NominalRate() const { return increment * 24576000.0 / 8388608.0 / 128.0; }
};

inline constexpr double kFields525 = 60000.0 / 1001.0;  // 59.94 fields/s
inline constexpr double kFields625 = 50.0;

class Saa7115Model : public ChipModel {
public:
    // `inputs`: the register 0x02 byte of each video source, by source number.
    explicit Saa7115Model(std::span<const uint8_t> inputs) : inputs_(inputs) {}
    void Feed(const BusCall& call) override;
    std::vector<ChipAspect> State() const override;

    Saa7115Bank Bank(int bank) const;  // 0: A (0x90), 1: B (0xC0)
    Saa7115AudioClock AudioClock() const;
    // Per-line slicer setting of line n (2 to 24), register 0x3F + n; 0xFF is off.
    std::optional<uint8_t> VbiLine(int line) const { return regs_.Find(static_cast<uint16_t>(0x3F + line)); }
    const RegisterFile& Registers() const { return regs_; }

private:
    std::span<const uint8_t> inputs_;
    RegisterFile regs_;
};

class Saa7113Model : public ChipModel {
public:
    void Feed(const BusCall& call) override;
    std::vector<ChipAspect> State() const override;
    const RegisterFile& Registers() const { return regs_; }

private:
    RegisterFile regs_;
};

// Brightness, contrast, saturation and hue of the SAA711x picture registers
// 0x0A to 0x0D, on the host's scales (the text after the chip's name); an
// empty text when none was written.
ChipAspect Saa711xPicture(const RegisterFile& regs);

}  // namespace trel::host::chips
