// Bus helpers: every hardware access of the module goes through the host's
// services via these wrappers. Without a registered host table a wrapper makes
// no call and reports the transfer as failed.
#pragma once

#include "frame/module.h"

namespace trel {

// One entry of a register set-up table, four bytes as kept in the module's data.
struct RegisterEntry {
    u16 reg;
    u8 value;
    u8 zero = 0;  // padding byte of the data layout, always 0
};
static_assert(sizeof(RegisterEntry) == 4);

template <size_t N>
constexpr u32 CountOf(const RegisterEntry (&)[N]) { return static_cast<u32>(N); }

// One word of a serial-link programming table, six bytes as kept in the
// module's data: the 8-bit address, the 2-bit page and the 6-bit data field.
struct SerialEntry {
    u8 address;
    u8 zero;
    u16 page;
    u16 data;
};
static_assert(sizeof(SerialEntry) == 6);
static_assert(offsetof(SerialEntry, page) == 2);
static_assert(offsetof(SerialEntry, data) == 4);

template <size_t N>
constexpr u32 CountOf(const SerialEntry (&)[N]) { return static_cast<u32>(N); }

// Every bus helper returns the host's result (or a status made from it) and
// is [[nodiscard]]: a caller acts on it, or says at the call that the
// operation goes on whatever the bus answered. The module keeps five error
// policies, each visible where it is used:
//   - stop at the first failure: WriteRegistersUntilFailure (answers
//     kStatusBusFailure) and SendSerialUntilFailure (answers the host's own
//     result), or a single transfer tested with `!= 0`;
//   - write all and combine: WriteRegistersOrResults;
//   - pass the host's result back: `return BusWrite(...)`;
//   - skip the paired write: the second half of a pair only after the first
//     succeeded (the CCD exposure word);
//   - not examined: Unchecked(...), where the hardware's answer changes nothing
//     the host is told.
[[nodiscard]] u32 BusWrite(void* device, u8 address, u16 reg, u8 value, u32 flags);
[[nodiscard]] u32 BusRead(void* device, u8 address, u16 reg, u8* value, u32 flags);
[[nodiscard]] u32 BusWriteBuffer(void* device, u8 address, const u8* bytes, u32 count, u32 flags);
[[nodiscard]] u32 BusWriteSubaddress(void* device, const u8* header, u32 headerLength, const u8* data,
                                     u32 dataLength, u32 flags);
[[nodiscard]] u32 BusReadSubaddress(void* device, const u8* header, u32 headerLength, u8* data,
                                    u32 dataLength, u32 flags);
[[nodiscard]] u32 BusSerialWrite(void* device, u8 address, u16 page, u16 data);
[[nodiscard]] u32 BusDeviceControl(void* device, u32 selector, u32 value);
[[nodiscard]] u32 BusEncoderWrite(void* device, u16 encoderRegister, u8 value);

// Writes a table in order and stops at the first failed write with
// kStatusBusFailure; 0 when every write succeeded.
[[nodiscard]] u32 WriteRegistersUntilFailure(void* device, u8 address, const RegisterEntry* table, u32 count,
                                             u32 flags);

// Writes every entry whatever the results and returns their bitwise OR.
[[nodiscard]] u32 WriteRegistersOrResults(void* device, u8 address, const RegisterEntry* table, u32 count,
                                          u32 flags);

// Sends a serial table in order and stops at the first failed transfer,
// returning the host's own result for it; 0 when every word was sent.
[[nodiscard]] u32 SendSerialUntilFailure(void* device, const SerialEntry* table, u32 count);

// Marks a result the operation does not examine: the call was made, and what
// the host answered changes nothing the operation does or reports.
constexpr void Unchecked(u32 /*result*/) {}

}  // namespace trel
