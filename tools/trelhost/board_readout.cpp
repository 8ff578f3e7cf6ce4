// Board readouts (see board_readout.h).
#include "board_readout.h"

#include <cstdio>

namespace trelhost {
namespace {

using trel::host::BusCall;
using trel::host::Service;

std::optional<trel::u8> LastWrite(const trel::host::SessionStep& step, trel::u8 address, trel::u16 reg) {
    std::optional<trel::u8> value;
    for (const BusCall& call : step.bus) {
        if (call.service == Service::I2cWrite && call.address == address && call.reg == reg && call.result == 0) {
            value = static_cast<trel::u8>(call.value);
        }
    }
    return value;
}

std::string HexAndDecimal(trel::u32 value) {
    char text[32];
    std::snprintf(text, sizeof(text), "0x%03X (%u)", value, value);
    return text;
}

}  // namespace

std::optional<RegisterBit> Signal50HzBit(const trel::host::BoardEntry& board) { return board.signal50Hz; }

std::optional<RegisterBit> Signal50HzBit(size_t board) { return Signal50HzBit(trel::host::CatalogueEntry(board)); }

std::optional<ScalerReadout> ReadScaler(const trel::host::BoardEntry& board, const trel::host::SessionStep& step) {
    if (!board.scaler) return std::nullopt;
    const trel::host::ScaleFactorRegisters& r = *board.scaler;
    const auto vLow = LastWrite(step, r.address, r.verticalLow);
    const auto high = LastWrite(step, r.address, r.highNibbles);
    const auto hLow = LastWrite(step, r.address, r.horizontalLow);
    if (!vLow || !high || !hLow) return std::nullopt;
    return ScalerReadout{static_cast<trel::u32>((*high & 0x0F) << 8 | *hLow),
                         static_cast<trel::u32>((*high >> 4) << 8 | *vLow)};
}

std::string ScalerText(const ScalerReadout& scaler) {
    return "scaler: horizontal " + HexAndDecimal(scaler.horizontal) + ", vertical " + HexAndDecimal(scaler.vertical) +
           "; 256 is 1:1";
}

nlohmann::ordered_json ScalerJson(const ScalerReadout& scaler) {
    return {{"horizontal", scaler.horizontal}, {"vertical", scaler.vertical}};
}

}  // namespace trelhost
