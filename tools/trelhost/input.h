// Numbers and values as engineers type them on trelhost's command line.
// Integers are decimal or 0x hex; a leading zero is still decimal (never
// octal). A value that does not fit its field is refused with a message that
// names the accepted form and range. Values the module itself judges (a
// brightness of 101, standard 0) are not the parser's business: a field's range
// is what its type holds, not what the module accepts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace trelhost {

// Either a value, or why the text is not one ("expected a decimal or 0x hex
// number from 0 to 4294967295, got '0x1G'").
template <typename T>
struct Parsed {
    std::optional<T> value;
    std::string error;  // empty when value is set
    explicit operator bool() const { return value.has_value(); }
};

// An unsigned integer in [0, max]: decimal digits, or 0x/0X and hex digits.
Parsed<uint64_t> ParseUnsigned(std::string_view text, uint64_t max = UINT32_MAX);
// A signed integer in [min, max]: an optional '-' before the forms above.
Parsed<int64_t> ParseSigned(std::string_view text, int64_t min = INT32_MIN, int64_t max = INT32_MAX);
// A frequency in Hz, at most 4294967295: a whole number of Hz as above, or a
// decimal number with a k or M suffix (471.25M, 88.1M, 10.7M, 455k), read
// exactly (no floating point); a suffixed value must come to a whole number
// of Hz.
Parsed<uint32_t> ParseFrequency(std::string_view text);

// The way trelhost prints a value in hex: 0x and at least `digits` upper-case
// digits (0x0A, 0x00000A07).
std::string Hex(uint32_t value, int digits);

}  // namespace trelhost
