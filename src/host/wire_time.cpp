#include "wire_time.h"

namespace trel::host {
namespace {

uint64_t Constant(const BusCall& call, size_t index, uint64_t otherwise) {
    return index < call.constants.size() ? call.constants[index] : otherwise;
}

}  // namespace

uint64_t WireBits(const BusCall& call) {
    constexpr uint64_t kByte = 9;  // eight bits and the acknowledge
    switch (call.service) {
    case Service::I2cWrite:
        return 2 + kByte * (2 + Constant(call, 0, 8) / 8);
    case Service::I2cRead:
        return 3 + kByte * (3 + Constant(call, 0, 8) / 8);
    case Service::I2cWriteBuffer:
        return 2 + kByte * (1 + call.data.size());
    case Service::I2cWriteSubaddress:
        return 2 + kByte * (call.header.size() + call.data.size());
    case Service::I2cReadSubaddress:
        return 3 + kByte * (call.header.size() + 1 + call.data.size());
    case Service::SerialWrite:
        return Constant(call, 0, 0) + Constant(call, 1, 0) + Constant(call, 2, 0);
    case Service::DeviceControl:
    case Service::EncoderWrite:
    case Service::QueryParameter:
        return 0;
    }
    return 0;
}

}  // namespace trel::host
