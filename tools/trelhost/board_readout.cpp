// Board readouts (see board_readout.h).
#include "board_readout.h"

#include <cstdio>

namespace trelhost {
namespace {

using trel::host::BusCall;
using trel::host::Service;

constexpr size_t kEgret = 4;  // catalogue index

// Egret's TW9906: register 0x01 bit 0 is the 50-Hz signal; the scaler is
// 0x0D (vertical low byte), 0x0E (vertical bits 8-11, then horizontal bits
// 8-11) and 0x0F (horizontal low byte).
constexpr trel::u8 kTw9906 = 0x88;

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

std::optional<RegisterBit> Signal50HzBit(size_t board) {
    if (board == kEgret) return RegisterBit{kTw9906, 0x01, 0x01};
    return std::nullopt;
}

std::optional<ScalerReadout> ReadScaler(size_t board, const trel::host::SessionStep& step) {
    if (board != kEgret) return std::nullopt;
    const auto vLow = LastWrite(step, kTw9906, 0x0D);
    const auto high = LastWrite(step, kTw9906, 0x0E);
    const auto hLow = LastWrite(step, kTw9906, 0x0F);
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
