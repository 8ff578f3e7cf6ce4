// Time a bus call holds the wire. I2C model, per transaction: one bit time for
// the start condition, nine per byte (eight data bits and the acknowledge),
// one for the stop; a combined read adds a repeated start and the address
// byte again. Clock stretching, bus arbitration and the gaps between
// transactions are not counted (the host's I2C stack adds them).
//   I2cWrite           S addr reg value P                  = 29 bits
//   I2cRead            S addr reg Sr addr+R value P        = 39 bits
//   I2cWriteBuffer     S addr bytes[n] P                   = 2 + 9(1+n)
//   I2cWriteSubaddress S header[h] data[d] P               = 2 + 9(h+d)
//                      (header[0] is the address byte, then the subaddress)
//   I2cReadSubaddress  S header[h] Sr addr+R data[d] P     = 3 + 9(h+1+d)
//   SerialWrite        the three fields clocked out        = 8 + 2 + 6 bits
// DeviceControl, EncoderWrite and QueryParameter do not use the I2C wire: 0.
#pragma once

#include <cstdint>

#include "sim_host.h"

namespace trel::host {

uint64_t WireBits(const BusCall& call);
// Nanoseconds for `bits` at `kilohertz` bus clock.
inline uint64_t WireNanoseconds(uint64_t bits, uint64_t kilohertz) { return bits * 1000000 / kilohertz; }

}  // namespace trel::host
