// A board's chip models (see board_chips.h).
#include "board_chips.h"

#include <cmath>
#include <set>

namespace trel::host::chips {

BoardChips::BoardChips(const BoardEntry& board) {
    for (const Chip chip : board.chips) {
        switch (chip) {
        case Chip::Saa7115: saa7115_ = Add<Saa7115Model>(board.saa7115Inputs); break;
        case Chip::Saa7113: saa7113_ = Add<Saa7113Model>(); break;
        case Chip::Tw9903: tw9903_ = Add<Tw9903Model>(); break;
        case Chip::Tw9906: tw9906_ = Add<Tw9906Model>(); break;
        case Chip::Ov7640: omniVision_ = Add<OmniVisionModel>(OmniVisionModel::Sensor::Ov7640); break;
        case Chip::Ov6650: omniVision_ = Add<OmniVisionModel>(OmniVisionModel::Sensor::Ov6650); break;
        case Chip::Ccd: ccd_ = Add<CcdModel>(); break;
        case Chip::TunerChain: tuner_ = Add<TunerChainModel>(); break;
        }
    }
}

void BoardChips::Feed(const BusCall& call) {
    for (const auto& model : models_) model->Feed(call);
}

std::vector<ChipAspect> BoardChips::State() const {
    std::vector<ChipAspect> aspects;
    for (const auto& model : models_) {
        for (ChipAspect& aspect : model->State()) aspects.push_back(std::move(aspect));
    }
    return aspects;
}

std::vector<std::string> BoardChips::Describe() const {
    std::vector<std::string> lines;
    for (ChipAspect& aspect : State()) lines.push_back(std::move(aspect.text));
    return lines;
}

namespace {

const std::string& TextOf(const std::string& line) { return line; }
const std::string& TextOf(const ChipAspect& aspect) { return aspect.text; }

template <typename Line>
std::vector<Line> NewLines(const std::vector<Line>& before, const std::vector<Line>& after) {
    std::set<std::string> old;
    for (const Line& line : before) old.insert(TextOf(line));
    std::vector<Line> changed;
    for (const Line& line : after) {
        if (old.count(TextOf(line)) == 0) changed.push_back(line);
    }
    return changed;
}

}  // namespace

std::vector<std::string> BoardChips::Changed(const std::vector<std::string>& before,
                                             const std::vector<std::string>& after) {
    return NewLines(before, after);
}

std::vector<ChipAspect> BoardChips::Changed(const std::vector<ChipAspect>& before,
                                            const std::vector<ChipAspect>& after) {
    return NewLines(before, after);
}

std::optional<BoardChips::FrameSize> BoardChips::DeliveredFrame() const {
    if (tw9906_) {
        const Tw9906Scaler s = tw9906_->Scaler();
        if (s.programmed) return FrameSize{s.deliveredWidth, s.deliveredLines, false};
    }
    if (saa7115_) {
        // Bank A carries the picture, field by field.
        const Saa7115Bank a = saa7115_->Bank(0);
        if (a.programmed) return FrameSize{a.deliveredWidth, a.deliveredLines, true};
    }
    return std::nullopt;
}

std::optional<uint32_t> BoardChips::SampleRate() const {
    if (!saa7115_) return std::nullopt;
    const Saa7115AudioClock clock = saa7115_->AudioClock();
    const std::optional<uint8_t> low = saa7115_->Registers().Find(0x9A);
    const std::optional<uint8_t> high = saa7115_->Registers().Find(0x9B);
    if (!clock.programmed || !low || !high) return std::nullopt;
    // The field window tells the line system: 288 lines a field at 50 fields/s.
    const double fields = (*high << 8 | *low) == 288 ? kFields625 : kFields525;
    return static_cast<uint32_t>(std::lround(clock.RateAt(fields)));
}

}  // namespace trel::host::chips
