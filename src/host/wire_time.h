// Time a service call holds the bus: the one model of it, for every tool that
// shows wire time (per call, per operation, per session) and for the waveform
// trelhost draws of a session (vcd.h), which lasts exactly that long.
//
// I2C, per transaction: one bit time for the start condition, nine per byte
// (eight data bits and the acknowledge), one for the stop; a combined read
// adds a repeated start and the address byte again. Clock stretching,
// arbitration and the gaps between transactions are not counted (the host's
// I2C stack adds them).
//   I2cWrite           S addr reg[w/8] value P              = 2 + 9(2 + w/8), w = register width (up to 32)
//   I2cRead            S addr reg[w/8] Sr addr+R value P    = 3 + 9(3 + w/8)
//   I2cWriteBuffer     S addr bytes[n] P                    = 2 + 9(1 + n)
//   I2cWriteSubaddress S header[h] data[d] P                = 2 + 9(h + d)
//                      (header[0] is the address byte, then the subaddress)
//   I2cReadSubaddress  S header[h] Sr addr+R data[d] P      = 3 + 9(h + 1 + d)
//   a failed call      S addr P, addr not acknowledged       = 11
//                      (whatever the service: the chip did not answer its address)
// Register numbers go most significant byte first; the chip acknowledges
// every byte the host sends, the host every byte it reads but the last.
// SerialWrite clocks out its three fields on the board's serial bus, one bit
// per clock: bits1 + bits2 + bits3 (8 + 2 + 6 = 16), at the same clock,
// failed or not (the link has no acknowledge).
// DeviceControl, EncoderWrite and QueryParameter do not use the bus: 0.
//
// Use: WireBits(call) for one logged call, WireNanoseconds(bits, 400) for
// the time at a bus clock in kHz (100 and 400 are the standard I2C clocks);
// sum the bits of several calls before converting.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "sim_host.h"

namespace trel::host {

// One element of an I2C transaction as a logic analyzer decodes it.
struct WireSymbol {
    enum class Kind : uint8_t { Start, RepeatedStart, Byte, Stop };
    Kind kind = Kind::Start;
    u8 byte = 0;               // Byte: the address or data byte
    bool acknowledged = true;  // Byte: SDA low at the ninth clock
    bool read = false;         // Byte: driven by the chip (the host acknowledges it)
};
inline constexpr uint64_t kWireSymbolBits[] = {1, 1, 9, 1};  // bit times of each Kind

// The transaction an I2C call puts on the bus, start to stop; empty for the
// services that are not I2C.
std::vector<WireSymbol> I2cSymbols(const BusCall& call);

// SerialWrite's fields in the order they go out: the field's low `bits` bits.
struct SerialField {
    uint32_t bits;
    uint32_t value;
};
std::array<SerialField, 3> SerialFields(const BusCall& call);

// Bit times one call holds the bus (0 for calls that do not use it).
uint64_t WireBits(const BusCall& call);

// Nanoseconds `bits` bit times take at a bus clock of `kilohertz`.
inline uint64_t WireNanoseconds(uint64_t bits, uint64_t kilohertz) { return bits * 1000000 / kilohertz; }

}  // namespace trel::host
