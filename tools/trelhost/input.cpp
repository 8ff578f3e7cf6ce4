// Strict number parsing for trelhost's options: see input.h.
#include "input.h"

#include <charconv>
#include <cstdio>

namespace trelhost {
namespace {

std::string Quoted(std::string_view text) {
    std::string quoted(1, '\'');
    quoted.append(text);
    quoted += '\'';
    return quoted;
}

// Digits of one base, nothing else; none at all is an error.
std::optional<uint64_t> Digits(std::string_view text, int base) {
    if (text.empty()) return std::nullopt;
    uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

std::optional<uint64_t> Magnitude(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) return Digits(text.substr(2), 16);
    if (!text.empty() && (text[0] < '0' || text[0] > '9')) return std::nullopt;  // no '+', no spaces
    return Digits(text, 10);
}

}  // namespace

Parsed<uint64_t> ParseUnsigned(std::string_view text, uint64_t max) {
    const auto value = Magnitude(text);
    if (value && *value <= max) return {value, {}};
    return {std::nullopt, "expected a decimal or 0x hex number from 0 to " + std::to_string(max) + ", got " +
                              Quoted(text)};
}

Parsed<int64_t> ParseSigned(std::string_view text, int64_t min, int64_t max) {
    const bool negative = !text.empty() && text[0] == '-';
    const auto magnitude = Magnitude(negative ? text.substr(1) : text);
    // Every int64 magnitude we accept fits: ranges are those of 32-bit fields.
    if (magnitude && *magnitude <= (uint64_t{1} << 62)) {
        const int64_t value = negative ? -static_cast<int64_t>(*magnitude) : static_cast<int64_t>(*magnitude);
        if (value >= min && value <= max) return {value, {}};
    }
    return {std::nullopt, "expected a decimal or 0x hex number from " + std::to_string(min) + " to " +
                              std::to_string(max) + ", got " + Quoted(text)};
}

Parsed<uint32_t> ParseFrequency(std::string_view text) {
    const std::string error = "expected a frequency in Hz from 0 to 4294967295 (decimal or 0x hex), or with a k or M "
                              "suffix such as 471.25M, got " + Quoted(text);
    uint64_t scale = 1;
    std::string_view number = text;
    if (!number.empty() && (number.back() == 'k' || number.back() == 'M')) {
        scale = number.back() == 'k' ? 1000 : 1000000;
        number.remove_suffix(1);
    }
    if (scale == 1) {
        const auto value = ParseUnsigned(text, UINT32_MAX);
        if (!value) return {std::nullopt, error};
        return {static_cast<uint32_t>(*value.value), {}};
    }
    // Decimal with a suffix: whole part, then at most as many fraction digits
    // as the suffix has zeros; the value must be a whole number of Hz.
    const size_t point = number.find('.');
    const std::string_view whole = number.substr(0, point);
    std::string_view fraction = point == std::string_view::npos ? std::string_view() : number.substr(point + 1);
    if (point != std::string_view::npos && fraction.empty()) return {std::nullopt, error};
    while (!fraction.empty() && fraction.back() == '0') fraction.remove_suffix(1);
    const auto wholeValue = Digits(whole, 10);
    if (!wholeValue || *wholeValue > UINT32_MAX) return {std::nullopt, error};
    uint64_t hz = *wholeValue * scale;
    uint64_t unit = scale;
    for (const char c : fraction) {
        if (c < '0' || c > '9' || unit == 1) return {std::nullopt, error};  // a fraction of a Hz, or not a digit
        unit /= 10;
        hz += static_cast<uint64_t>(c - '0') * unit;
    }
    if (hz > UINT32_MAX) return {std::nullopt, error};
    return {static_cast<uint32_t>(hz), {}};
}

std::string Hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%0*X", digits, static_cast<unsigned>(value));
    return text;
}

}  // namespace trelhost
