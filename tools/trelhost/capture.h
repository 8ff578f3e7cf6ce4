// Logic-analyzer captures of a board's I2C bus, decoded by sigrok's own I2C
// decoder (sigrok-cli run as a child process), as the transactions on the
// wire: the comparison's side of what the hardware saw.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "vcd.h"

namespace trelhost {

// One I2C transaction, start to stop, as its bytes went over the wire.
struct WireTransaction {
    // An address byte (8-bit form, the R/W bit included) and the bytes after
    // it up to a repeated start or the stop.
    struct Segment {
        uint8_t address = 0;
        std::vector<uint8_t> bytes;
        bool operator==(const Segment&) const = default;
    };
    std::vector<Segment> segments;
    // A byte the master sent was not acknowledged: the transaction ends there.
    bool notAcknowledged = false;
    uint64_t sample = 0;  // where it starts in the capture (captures only)

    bool operator==(const WireTransaction& other) const {
        return segments == other.segments && notAcknowledged == other.notAcknowledged;
    }
    // The address byte in its write form: the chip it talks to.
    uint8_t Chip() const { return segments.empty() ? 0 : segments.front().address & 0xFE; }
    // "40 W 0A 99", "88 W 00 / 89 R 28", "42 W NAK".
    std::string Text() const;
};

// The capture and its I2C channels (by default, those trelhost's waveforms name).
struct CaptureFile {
    std::string path;
    std::string scl = trel::host::kVcdChannelNames[0];
    std::string sda = trel::host::kVcdChannelNames[1];
};

struct Capture {
    std::vector<WireTransaction> transactions;
    uint64_t samplerate = 0;  // samples a second; 0 unknown
};

// The capture's I2C transactions, or why it cannot be read (not a capture,
// damaged or cut short, without the named channels, sigrok-cli missing).
struct CaptureRead {
    std::optional<Capture> capture;
    std::string error;
};
CaptureRead ReadCapture(const CaptureFile& file);

}  // namespace trelhost
