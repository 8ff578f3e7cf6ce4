// Which chips sit on which board (see board_chips.h).
#include "board_chips.h"

#include <set>

namespace trel::host::chips {

BoardChips::BoardChips(size_t boardIndex) {
    const std::string& board = BoardNames().at(boardIndex);
    if (board == "Heron I" || board == "Bittern" || board == "Kestrel") saa7115_ = Add<Saa7115Model>(board);
    if (board == "Kestrel") tuner_ = Add<TunerChainModel>();
    if (board == "Heron II Reprise") saa7113_ = Add<Saa7113Model>();
    if (board == "Heron Ascent") tw9903_ = Add<Tw9903Model>();
    if (board == "Egret") tw9906_ = Add<Tw9906Model>();
    if (board == "Wren" || board == "Wren II") omniVision_ = Add<OmniVisionModel>(OmniVisionModel::Sensor::Ov7640);
    if (board == "Finch") omniVision_ = Add<OmniVisionModel>(OmniVisionModel::Sensor::Ov6650);
    if (board == "Swift") ccd_ = Add<CcdModel>();
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
