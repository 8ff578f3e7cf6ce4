// Model of the tuner side of a TV-tuner board: the tuner module (tuning word
// and control bytes), the IF demodulator (its three mode bytes) and the
// TV-audio decoder (routing and sound mode registers).
#pragma once

#include "chip_model.h"

namespace trel::host::chips {

// What the IF demodulator's three bytes select.
struct IfMode {
    std::string name;      // "B/G", "I", "D/K", "L", "L'", "M/N", "NTSC-M-J", "FM mono", "FM stereo"
    uint32_t ifKilohertz;  // the picture (or FM) intermediate frequency it expects
    bool fm;
};

struct TunedFrequency {
    bool fm = false;
    uint8_t control = 0;
    uint8_t band = 0;
    uint32_t divider = 0;
    uint32_t stepHertz = 0;  // 62500 (TV) or 50000 (FM)
    uint32_t oscillatorHertz = 0;  // divider x step
    // The station the chain receives: oscillator less the IF the
    // demodulator is set for; none while the demodulator's mode is unknown
    // or of the other kind (TV word, FM demodulator).
    std::optional<uint32_t> hertz;
};

// Whether `hertz` lies in a band the tuner receives in the kind of reception
// (TV or FM) of `tuned`.
bool InBand(const TunedFrequency& tuned, uint32_t hertz);

class TunerChainModel : public ChipModel {
public:
    void Feed(const BusCall& call) override;
    std::vector<ChipAspect> State() const override;

    std::optional<IfMode> DemodulatorMode() const;
    std::optional<TunedFrequency> Tuned() const;
    // TV-audio register value as last written (S:RRRR), if any.
    std::optional<uint16_t> TvAudio(uint8_t subaddress, uint16_t reg) const;

private:
    std::vector<uint8_t> word_;     // last tuning word
    std::vector<uint8_t> control_;  // last tuner control write
    std::vector<uint8_t> ifBytes_;  // last IF demodulator write
    std::map<uint32_t, uint16_t> tvAudio_;  // (S << 16 | RRRR) -> value
    std::optional<uint16_t> tvAudioControl_;
};

}  // namespace trel::host::chips
