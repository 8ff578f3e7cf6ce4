#include "wire_time.h"

namespace trel::host {
namespace {

uint32_t Constant(const BusCall& call, size_t index, uint32_t otherwise) {
    return index < call.constants.size() ? call.constants[index] : otherwise;
}

WireSymbol Mark(WireSymbol::Kind kind) { return {kind}; }
WireSymbol Sent(u8 byte) { return {WireSymbol::Kind::Byte, byte}; }

void Bytes(std::vector<WireSymbol>& out, const std::vector<u8>& bytes) {
    for (u8 byte : bytes) out.push_back(Sent(byte));
}
// The register number in `width / 8` bytes (at most 4), most significant first.
void Register(std::vector<WireSymbol>& out, const BusCall& call) {
    constexpr uint32_t kMostBytes = 4;
    const uint32_t bytes = Constant(call, 0, 8) / 8;
    for (uint32_t n = bytes < kMostBytes ? bytes : kMostBytes; n-- > 0;)
        out.push_back(Sent(n < 2 ? static_cast<u8>(call.reg >> (8 * n)) : 0));
}
// Sr, the address in read form and the bytes the chip answered.
void ReadBack(std::vector<WireSymbol>& out, u8 address, const std::vector<u8>& bytes) {
    out.push_back(Mark(WireSymbol::Kind::RepeatedStart));
    out.push_back(Sent(static_cast<u8>(address | 1)));
    for (size_t i = 0; i < bytes.size(); ++i) out.push_back({WireSymbol::Kind::Byte, bytes[i], i + 1 < bytes.size(), true});
}

}  // namespace

std::vector<WireSymbol> I2cSymbols(const BusCall& call) {
    std::vector<WireSymbol> out;
    switch (call.service) {
    case Service::I2cWrite:
    case Service::I2cRead:
    case Service::I2cWriteBuffer:
    case Service::I2cWriteSubaddress:
    case Service::I2cReadSubaddress: break;
    default: return out;
    }
    out.push_back(Mark(WireSymbol::Kind::Start));
    if (call.result != 0) {
        out.push_back({WireSymbol::Kind::Byte, call.address, false});
        out.push_back(Mark(WireSymbol::Kind::Stop));
        return out;
    }
    switch (call.service) {
    case Service::I2cWrite:
        out.push_back(Sent(call.address));
        Register(out, call);
        out.push_back(Sent(static_cast<u8>(call.value)));
        break;
    case Service::I2cRead:
        out.push_back(Sent(call.address));
        Register(out, call);
        ReadBack(out, call.address, {static_cast<u8>(call.value)});
        break;
    case Service::I2cWriteBuffer:
        out.push_back(Sent(call.address));
        Bytes(out, call.data);
        break;
    case Service::I2cWriteSubaddress:
        Bytes(out, call.header);
        Bytes(out, call.data);
        break;
    default:  // I2cReadSubaddress
        Bytes(out, call.header);
        ReadBack(out, call.address, call.data);
        break;
    }
    out.push_back(Mark(WireSymbol::Kind::Stop));
    return out;
}

std::array<SerialField, 3> SerialFields(const BusCall& call) {
    return {{{Constant(call, 0, 0), call.address}, {Constant(call, 1, 0), call.reg}, {Constant(call, 2, 0), call.value}}};
}

uint64_t WireBits(const BusCall& call) {
    uint64_t bits = 0;
    if (call.service == Service::SerialWrite) {
        for (const SerialField& field : SerialFields(call)) bits += field.bits;
        return bits;
    }
    for (const WireSymbol& symbol : I2cSymbols(call)) bits += kWireSymbolBits[static_cast<size_t>(symbol.kind)];
    return bits;
}

}  // namespace trel::host
