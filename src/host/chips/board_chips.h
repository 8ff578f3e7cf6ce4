// The chip models of one board, as the host's board table lists its chips,
// fed with the bus log of a session: what each step changed, in words and
// numbers.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "board_table.h"
#include "camera_model.h"
#include "chip_model.h"
#include "saa711x_model.h"
#include "tuner_model.h"
#include "tw99xx_model.h"

namespace trel::host::chips {

class BoardChips {
public:
    // The chips of the board's entry in the host's board table.
    explicit BoardChips(const BoardEntry& board);
    // The chips of catalogue entry `boardIndex`.
    explicit BoardChips(size_t boardIndex) : BoardChips(CatalogueEntry(boardIndex)) {}

    void Feed(const BusCall& call);
    void Feed(const std::vector<BusCall>& calls) {
        for (const BusCall& call : calls) Feed(call);
    }
    // Every chip's state, chip by chip, and its lines.
    std::vector<ChipAspect> State() const;
    std::vector<std::string> Describe() const;
    // The lines (aspects) of after that are new or different from `before`.
    static std::vector<std::string> Changed(const std::vector<std::string>& before,
                                            const std::vector<std::string>& after);
    static std::vector<ChipAspect> Changed(const std::vector<ChipAspect>& before, const std::vector<ChipAspect>& after);

    // What the hardware delivers as its registers stand; none where the board
    // has no such chip or the bus has not set it up yet.
    struct FrameSize {
        uint32_t width;
        uint32_t height;
        bool perField;  // height: lines per field (else per frame)
    };
    // Pixels per line and lines leaving the decoder's scaler.
    std::optional<FrameSize> DeliveredFrame() const;
    // Samples per second of the decoder's audio clock at the field rate of its
    // line system, rounded to the nearest whole sample.
    std::optional<uint32_t> SampleRate() const;

    // The models present on this board (null where the board has no such chip).
    const Saa7115Model* Saa7115() const { return saa7115_; }
    const Saa7113Model* Saa7113() const { return saa7113_; }
    const Tw9903Model* Tw9903() const { return tw9903_; }
    const Tw9906Model* Tw9906() const { return tw9906_; }
    const OmniVisionModel* OmniVision() const { return omniVision_; }
    const CcdModel* Ccd() const { return ccd_; }
    const TunerChainModel* Tuner() const { return tuner_; }
    bool Empty() const { return models_.empty(); }

private:
    template <typename T, typename... Args>
    T* Add(Args&&... args) {
        auto model = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = model.get();
        models_.push_back(std::move(model));
        return raw;
    }

    std::vector<std::unique_ptr<ChipModel>> models_;
    const Saa7115Model* saa7115_ = nullptr;
    const Saa7113Model* saa7113_ = nullptr;
    const Tw9903Model* tw9903_ = nullptr;
    const Tw9906Model* tw9906_ = nullptr;
    const OmniVisionModel* omniVision_ = nullptr;
    const CcdModel* ccd_ = nullptr;
    const TunerChainModel* tuner_ = nullptr;
};

}  // namespace trel::host::chips
