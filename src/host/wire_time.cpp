#include "wire_time.h"

namespace trel::host {

uint64_t WireBits(const BusCall& call) {
    constexpr uint64_t kByte = 9;  // eight bits and the acknowledge
    switch (call.service) {
    case Service::I2cWrite:
        return 2 + 3 * kByte;
    case Service::I2cRead:
        return 3 + 4 * kByte;
    case Service::I2cWriteBuffer:
        return 2 + kByte * (1 + call.data.size());
    case Service::I2cWriteSubaddress:
        return 2 + kByte * (call.header.size() + call.data.size());
    case Service::I2cReadSubaddress:
        return 3 + kByte * (call.header.size() + 1 + call.data.size());
    case Service::SerialWrite:
        return 8 + 2 + 6;
    case Service::DeviceControl:
    case Service::EncoderWrite:
    case Service::QueryParameter:
        return 0;
    }
    return 0;
}

}  // namespace trel::host
