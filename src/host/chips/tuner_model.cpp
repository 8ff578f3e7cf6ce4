// Tuner, IF demodulator and TV-audio decoder model (see tuner_model.h).
#include "tuner_model.h"

namespace trel::host::chips {
namespace {

constexpr uint8_t kTuner = 0xC2;
constexpr uint8_t kIfDemodulator = 0x86;
constexpr uint8_t kTvAudio = 0x80;

struct KnownMode {
    uint8_t bytes[3];
    IfMode mode;
};

// The demodulator's modes and the intermediate frequency each expects.
const KnownMode kModes[] = {
    {{0x16, 0x74, 0x49}, {"B/G", 38900, false}},
    {{0x16, 0x74, 0x4A}, {"I", 38900, false}},
    {{0x16, 0x74, 0x4B}, {"D/K", 38900, false}},
    {{0x06, 0x50, 0x4B}, {"L", 38900, false}},
    {{0x86, 0x50, 0x53}, {"L'", 33950, false}},
    {{0x16, 0x30, 0x44}, {"M/N", 45750, false}},
    {{0x12, 0x30, 0x40}, {"NTSC-M-J", 58750, false}},
    {{0x0A, 0x30, 0x20}, {"FM mono", 10700, true}},
    {{0x0A, 0x90, 0x20}, {"FM stereo", 10700, true}},
};

// What the tuner receives: FM radio from 76 MHz (the lowest FM band) to
// 108 MHz; TV from the first low-VHF channel to the last UHF one.
struct Band {
    bool fm;
    uint32_t lowHertz;
    uint32_t highHertz;
};
constexpr Band kBands[] = {
    {true, 76'000'000, 108'000'000},
    {false, 45'750'000, 863'250'000},
};

std::string BandText(uint8_t band) {
    switch (band) {
    case 0x01: return "band 01 (low VHF)";
    case 0x02: return "band 02 (high VHF)";
    case 0x04: return "band 04 (UHF)";
    default: return "band " + Hex2(band) + " (unrecognised)";
    }
}

std::string Megahertz(uint32_t hertz) { return Fixed(hertz / 1e6, 4) + " MHz"; }

std::string Bytes(const std::vector<uint8_t>& bytes) {
    std::string text;
    for (uint8_t b : bytes) text.append(text.empty() ? "" : " ").append(Hex2(b));
    return text;
}

std::vector<StateField> BytesFields(const std::vector<uint8_t>& bytes) {
    std::vector<StateField> fields;
    for (size_t i = 0; i < bytes.size(); ++i) fields.push_back({"byte" + std::to_string(i), bytes[i]});
    return fields;
}

}  // namespace

void TunerChainModel::Feed(const BusCall& call) {
    if (call.result != 0) return;
    if (call.service == Service::I2cWriteBuffer && call.address == kTuner && call.data.size() == 4) {
        word_ = call.data;
    } else if (call.service == Service::I2cWriteSubaddress && !call.header.empty()) {
        const uint8_t device = call.header[0];
        if (device == kTuner && call.header.size() == 1) control_ = call.data;
        if (device == kIfDemodulator && call.data.size() == 3) ifBytes_ = call.data;
        if (device == kTvAudio && call.data.size() == 2) {
            const uint16_t value = static_cast<uint16_t>(call.data[0] << 8 | call.data[1]);
            if (call.header.size() == 4) {
                tvAudio_[static_cast<uint32_t>(call.header[1]) << 16 | static_cast<uint32_t>(call.header[2] << 8 | call.header[3])] = value;
            } else if (call.header.size() == 2) {
                tvAudioControl_ = value;
            }
        }
    }
}

std::optional<IfMode> TunerChainModel::DemodulatorMode() const {
    if (ifBytes_.size() != 3) return std::nullopt;
    for (const KnownMode& known : kModes) {
        if (known.bytes[0] == ifBytes_[0] && known.bytes[1] == ifBytes_[1] && known.bytes[2] == ifBytes_[2]) {
            return known.mode;
        }
    }
    return std::nullopt;
}

std::optional<TunedFrequency> TunerChainModel::Tuned() const {
    if (word_.size() != 4) return std::nullopt;
    TunedFrequency t;
    t.control = word_[0];
    t.band = word_[1];
    t.divider = static_cast<uint32_t>(word_[2] << 8 | word_[3]);
    // Control byte 0x88 puts the tuner in FM steps of 50 kHz; TV words step
    // 62.5 kHz.
    t.fm = t.control == 0x88;
    t.stepHertz = t.fm ? 50000 : 62500;
    t.oscillatorHertz = t.divider * t.stepHertz;
    const auto mode = DemodulatorMode();
    if (mode && mode->fm == t.fm && t.oscillatorHertz >= mode->ifKilohertz * 1000) {
        t.hertz = t.oscillatorHertz - mode->ifKilohertz * 1000;
    }
    return t;
}

std::optional<uint16_t> TunerChainModel::TvAudio(uint8_t subaddress, uint16_t reg) const {
    const auto it = tvAudio_.find(static_cast<uint32_t>(subaddress) << 16 | reg);
    if (it == tvAudio_.end()) return std::nullopt;
    return it->second;
}

bool InBand(const TunedFrequency& tuned, uint32_t hertz) {
    for (const Band& band : kBands) {
        if (band.fm == tuned.fm && hertz >= band.lowHertz && hertz <= band.highHertz) return true;
    }
    return false;
}

std::vector<ChipAspect> TunerChainModel::State() const {
    std::vector<ChipAspect> lines;
    if (const auto t = Tuned()) {
        ChipAspect aspect{"tuner: " + std::string(t->fm ? "FM" : "TV") + ", " +
                              (t->fm ? std::string(t->band == 0x59 ? "mono" : "stereo") : BandText(t->band)) +
                              ", divider " + std::to_string(t->divider) + " x " + Fixed(t->stepHertz / 1000.0, 1) +
                              " kHz = " + Megahertz(t->oscillatorHertz),
                          {{"kind", t->fm ? "FM" : "TV"},
                           {"band", t->band},
                           {"divider", t->divider},
                           {"stepHz", t->stepHertz},
                           {"oscillatorHz", t->oscillatorHertz}}};
        const auto mode = DemodulatorMode();
        if (t->hertz) {
            aspect.text += " -> " + Megahertz(*t->hertz) + " tuned (IF " + Megahertz(mode->ifKilohertz * 1000) + ")";
            aspect.fields.push_back({"tunedHz", *t->hertz});
            aspect.fields.push_back({"ifHz", mode->ifKilohertz * 1000});
        } else {
            aspect.text += " (no station: the IF demodulator is not set for " + std::string(t->fm ? "FM" : "TV") + ")";
        }
        lines.push_back(std::move(aspect));
    }
    if (!control_.empty()) lines.push_back({"tuner control: " + Bytes(control_), BytesFields(control_)});
    if (!ifBytes_.empty()) {
        const auto mode = DemodulatorMode();
        ChipAspect aspect{"IF demodulator: " +
                              (mode ? mode->name + ", IF " + Megahertz(mode->ifKilohertz * 1000)
                                    : std::string("unrecognised mode")) +
                              " (" + Bytes(ifBytes_) + ")",
                          BytesFields(ifBytes_)};
        if (mode) {
            aspect.fields.push_back({"mode", mode->name});
            aspect.fields.push_back({"ifHz", mode->ifKilohertz * 1000});
        }
        lines.push_back(std::move(aspect));
    }
    const auto routing = TvAudio(0x12, 0x000B);
    const auto select = TvAudio(0x12, 0x0013);
    if (routing) {
        std::string output;
        switch (*routing) {
        case 0x0320: output = "TV sound, language A stereo"; break;
        case 0x0330: output = "TV sound, language A mono"; break;
        case 0x0420: output = "TV sound, language B"; break;
        case 0x0220:
            output = select == 0x3E40   ? "line input"
                     : select == 0x0000 ? "FM radio"
                                        : "FM radio or line input";
            break;
        default: output = "unrecognised";
        }
        ChipAspect aspect{"TV-audio output: " + output + " (12:000B=" + Hex4(*routing) +
                              (select ? ", 12:0013=" + Hex4(*select) : std::string()) + ")",
                          {{"output", output}, {"register12_000B", *routing}}};
        if (select) aspect.fields.push_back({"register12_0013", *select});
        lines.push_back(std::move(aspect));
    }
    const auto standard = TvAudio(0x10, 0x0030);
    const auto mode = TvAudio(0x10, 0x0020);
    if (standard || mode) {
        ChipAspect aspect{"TV-audio sound mode:", {}};
        if (standard) {
            aspect.text += " 10:0030=" + Hex4(*standard);
            aspect.fields.push_back({"register10_0030", *standard});
        }
        if (mode) {
            aspect.text += " 10:0020=" + Hex4(*mode);
            aspect.fields.push_back({"register10_0020", *mode});
        }
        if (mode) aspect.text += *mode == 0x0320 ? " (stereo)" : *mode == 0x0021 ? " (mono)" : "";
        lines.push_back(std::move(aspect));
    }
    return lines;
}

}  // namespace trel::host::chips
