// A session as a logic analyzer would have recorded it: a Value Change Dump
// of the board's buses, for sigrok and PulseView.
//
// Channels, in the file's order:
//   scl, sda             the I2C bus: each call's transaction (wire_time.h),
//                        quarter-bit timing: in each bit time SCL falls at its
//                        start, SDA changes a quarter in, SCL rises at the half
//                        (a start or repeated start pulls SDA low, a stop
//                        lets it go, at three quarters with SCL high);
//                        read data as the chip answered. A failed call is
//                        its address byte not acknowledged, then a stop.
//   step                 high while a host operation holds the bus, from its
//                        first bit to one time unit before its last ends (so
//                        operations that follow each other are separate pulses).
//   step_name            the operation's name and a line feed, UART 8N1 at 25
//                        times the bus clock (10 Mbaud at 400 kHz, 2.5 Mbaud at
//                        100 kHz), from one UART bit after the operation's
//                        start; as many characters as its time holds (every
//                        name fits in the shortest, one failed call).
//   ser_clk, ser_data,   the serial link (SerialWrite): field 1, 2 and 3, each
//   ser_load             its low `bits` bits, most significant first, one bit
//                        per bus clock, data changing a quarter in, the clock
//                        rising at the half (read on the rising edge); ser_load
//                        high from the word's start to three quarters into its
//                        last bit. A failed write is clocked out with ser_load
//                        left low: the timing logic does not latch it.
// Operations that do not use the bus take no time and are not drawn. The
// waveform holds the calls back to back, so its last timestamp is the
// session's wire time at that clock. Timescale: 10 ns (a bit time is 250
// units at 400 kHz, 1000 at 100 kHz).
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine.h"
#include "sim_host.h"

namespace trel::host {

inline constexpr uint64_t kVcdUnitNanoseconds = 10;
inline constexpr uint64_t kVcdUartBitsPerBusBit = 25;
// The channels' names, in the file's order.
inline constexpr const char* kVcdChannelNames[] = {"scl", "sda", "step", "step_name", "ser_clk", "ser_data", "ser_load"};

class VcdWriter {
public:
    // The bus clocks the waveform can be drawn at (those whose bit time is a
    // whole number of UART bits of whole time units): 100 and 400 among them.
    static bool Supports(uint64_t kilohertz);

    // Writes the header. `kilohertz`: a clock Supports().
    VcdWriter(std::ostream& out, uint64_t kilohertz);
    // Draws an operation after the ones before: its name and its calls.
    void Add(std::string_view operation, std::span<const BusCall> calls);
    void Add(const SessionStep& step) { Add(step.operation, step.bus); }
    // Writes the last timestamp (the waveform's end); returns its time in ns.
    uint64_t Finish();

private:
    struct Change {
        uint64_t time;
        uint8_t channel;
        bool value;
    };
    void Write(std::vector<Change>& changes);
    void Timestamp(uint64_t time);

    std::ostream& out_;
    uint64_t bit_;   // units a bus bit takes
    uint64_t now_ = 0;
    uint64_t stamped_ = 0;  // the last timestamp written
    bool started_ = false;  // #0 written
    std::vector<bool> level_;
};

// The whole session at once: header, operations, end. Returns the duration in ns.
uint64_t WriteVcd(std::ostream& out, std::span<const SessionStep> steps, uint64_t kilohertz);

}  // namespace trel::host
