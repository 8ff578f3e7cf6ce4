// A board's chip models (see board_chips.h).
#include "board_chips.h"

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

std::vector<std::string> BoardChips::Describe() const {
    std::vector<std::string> lines;
    for (const auto& model : models_) {
        for (std::string& line : model->Describe()) lines.push_back(std::move(line));
    }
    return lines;
}

std::vector<std::string> BoardChips::Changed(const std::vector<std::string>& before,
                                             const std::vector<std::string>& after) {
    const std::set<std::string> old(before.begin(), before.end());
    std::vector<std::string> changed;
    for (const std::string& line : after) {
        if (old.count(line) == 0) changed.push_back(line);
    }
    return changed;
}

}  // namespace trel::host::chips
