// Names of the host services and the readable one-line form of a logged call.
#include <cstdio>
#include <string>

#include "sim_host.h"

namespace trel::host {
namespace {

constexpr u8 kTvAudioAddress = 0x80;  // TV-audio decoder: 4-byte header [0x80, S, RH, RL]

std::string Hex(u32 value, int digits) {
    char text[16];
    std::snprintf(text, sizeof(text), "%0*X", digits, value);
    return text;
}

std::string RegisterText(u16 reg) { return Hex(reg, reg < 0x100 ? 2 : 4); }

std::string Bytes(const std::vector<u8>& bytes) {
    std::string text;
    for (u8 b : bytes) text.append(" ").append(Hex(b, 2));
    return text;
}

u32 Word(const std::vector<u8>& bytes) { return static_cast<u32>(bytes[0]) << 8 | bytes[1]; }

bool TvAudioHeader(const std::vector<u8>& header) { return header.size() == 4 && header[0] == kTvAudioAddress; }

// "SUB 80 10:0030" for the TV-audio decoder's header.
std::string TvAudioText(const std::vector<u8>& header) {
    return "SUB " + Hex(header[0], 2) + " " + Hex(header[1], 2) + ":" + Hex(Word({header[2], header[3]}), 4);
}

std::string Body(const BusCall& call) {
    const bool failed = call.result != 0;
    switch (call.service) {
    case Service::I2cWrite:
        return "I2C " + Hex(call.address, 2) + " W " + RegisterText(call.reg) + "=" + Hex(call.value, 2);
    case Service::I2cRead:
        return "I2C " + Hex(call.address, 2) + " R " + RegisterText(call.reg) +
               (failed ? "" : "->" + Hex(call.value, 2));
    case Service::I2cWriteBuffer:
        return "BUF " + Hex(call.address, 2) + " W" + Bytes(call.data);
    case Service::I2cWriteSubaddress:
        if (TvAudioHeader(call.header) && call.data.size() == 2) {
            return TvAudioText(call.header) + "=" + Hex(Word(call.data), 4);
        }
        return "SUB" + Bytes(call.header) + " W" + Bytes(call.data);
    case Service::I2cReadSubaddress:
        if (TvAudioHeader(call.header) && (failed || call.data.size() == 2)) {
            return TvAudioText(call.header) + (failed ? "" : "->" + Hex(Word(call.data), 4));
        }
        return "SUB" + Bytes(call.header) + " R" + Bytes(call.data);
    case Service::SerialWrite:
        return "SER " + Hex(call.address, 2) + "/" + std::to_string(call.reg) + "/" + Hex(call.value, 2);
    case Service::DeviceControl:
        return "DEVCTL " + std::to_string(call.selector) + "=" + std::to_string(call.value);
    case Service::EncoderWrite:
        return "ENC " + Hex(call.reg, 4) + "=" + Hex(call.value, 2);
    case Service::QueryParameter:
        return "PARAM " + call.name + "=" + std::to_string(call.value);
    }
    return "?";
}

bool HasFlags(Service service) {
    return service == Service::I2cWrite || service == Service::I2cRead || service == Service::I2cWriteBuffer ||
           service == Service::I2cWriteSubaddress || service == Service::I2cReadSubaddress;
}

}  // namespace

const char* ServiceName(Service s) {
    switch (s) {
    case Service::I2cWrite: return "I2cWrite";
    case Service::I2cRead: return "I2cRead";
    case Service::I2cWriteBuffer: return "I2cWriteBuffer";
    case Service::I2cWriteSubaddress: return "I2cWriteSubaddress";
    case Service::I2cReadSubaddress: return "I2cReadSubaddress";
    case Service::SerialWrite: return "SerialWrite";
    case Service::DeviceControl: return "DeviceControl";
    case Service::EncoderWrite: return "EncoderWrite";
    case Service::QueryParameter: return "QueryParameter";
    }
    return "?";
}

std::string BusCall::Format() const {
    std::string text = Body(*this);
    if (HasFlags(service) && flags != 0) text += " f" + Hex(flags, 1);
    const bool failed = service == Service::QueryParameter ? injected : result != 0;
    if (failed) text += " !" + Hex(result, 1);
    return text;
}

}  // namespace trel::host
