// Chip models of the simulated host: each one follows the bus log of a device
// and keeps the register state the module's writes produced, so that it can
// say in words and numbers what the chip would do with it (which input it
// decodes, what size its scaler delivers, which frequency the tuner sits on).
// They read what the hardware does with its registers; they never look at
// the module's tables.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "sim_host.h"

namespace trel::host::chips {

// One number (or name) of a chip's state: "deliveredWidth" 720, "mode" "B/G".
struct StateField {
    std::string name;
    std::variant<int64_t, double, std::string> value;
};

// One aspect of a chip's state: its line, "<chip> <aspect>: <what it does>"
// (the part before the colon names the aspect, so two states can be compared
// line by line), and the numbers the line is made of.
struct ChipAspect {
    std::string text;
    std::vector<StateField> fields;
    // "SAA7115 scaler A": the text before its colon.
    std::string Name() const { return text.substr(0, text.find(':')); }
};

// One device's view of the bus: it takes the calls addressed to it.
class ChipModel {
public:
    virtual ~ChipModel() = default;
    // Every call of the log, in order; a model ignores calls for other devices
    // and calls that failed (a failed transfer changes nothing on the chip).
    virtual void Feed(const BusCall& call) = 0;
    // One aspect per part of the chip's state that the bus has set so far.
    virtual std::vector<ChipAspect> State() const = 0;
    // The lines of State().
    std::vector<std::string> Describe() const;
};

// Registers written to an 8-bit-addressed chip (the last value wins).
class RegisterFile {
public:
    void Set(uint16_t reg, uint8_t value) { values_[reg] = value; }
    bool Has(uint16_t reg) const { return values_.count(reg) != 0; }
    bool HasAll(std::initializer_list<uint16_t> regs) const {
        for (uint16_t reg : regs)
            if (!Has(reg)) return false;
        return true;
    }
    uint8_t Get(uint16_t reg) const {
        const auto it = values_.find(reg);
        return it == values_.end() ? 0 : it->second;
    }
    std::optional<uint8_t> Find(uint16_t reg) const {
        const auto it = values_.find(reg);
        if (it == values_.end()) return std::nullopt;
        return it->second;
    }
    // Little-endian value of `count` registers from `low` up.
    uint32_t Word(uint16_t low, int count) const {
        uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i) value = value << 8 | Get(static_cast<uint16_t>(low + i));
        return value;
    }

private:
    std::map<uint16_t, uint8_t> values_;
};

// An I2C register write to `address` that went through.
inline bool IsWriteTo(const BusCall& call, uint8_t address) {
    return call.service == Service::I2cWrite && call.address == address && call.result == 0;
}
inline bool IsReadFrom(const BusCall& call, uint8_t address) {
    return call.service == Service::I2cRead && call.address == address && call.result == 0;
}

// Adds "<part> = <value>" to a line of controls (comma-separated) and the
// value, on the host's scale, as the field `name`.
void AddControl(ChipAspect& line, const std::string& part, const char* name, int value);

// Formatting helpers shared by the models.
std::string Hex2(uint32_t value);  // "C9"
std::string Hex4(uint32_t value);  // "0320"
std::string Fixed(double value, int decimals);

// A register value read back onto a host scale: `reg` out of `full` is the
// host's `hostFull`, rounded to the nearest whole value.
int Scale(int reg, int full, int hostFull);
// The same for a register the host's value was scaled into with truncation
// (register = host x full / hostFull, rounded down): the middle of the host
// values that give this register value.
int ScaleTruncated(int reg, int full, int hostFull);

}  // namespace trel::host::chips
