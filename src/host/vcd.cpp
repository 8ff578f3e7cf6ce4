// The session's waveform (vcd.h).
#include "vcd.h"

#include <algorithm>
#include <iterator>

#include "wire_time.h"

namespace trel::host {
namespace {

enum Channel : uint8_t { kScl, kSda, kStep, kStepName, kSerClk, kSerData, kSerLoad, kChannels };
static_assert(std::size(kVcdChannelNames) == kChannels);
constexpr bool kIdle[kChannels] = {true, true, false, true, false, false, false};

char Id(uint8_t channel) { return static_cast<char>('!' + channel); }

constexpr uint64_t kUnitsPerSecond = 1000000000 / kVcdUnitNanoseconds;

}  // namespace

bool VcdWriter::Supports(uint64_t kilohertz) {
    if (kilohertz == 0 || kUnitsPerSecond % (kilohertz * 1000) != 0) return false;
    const uint64_t bit = kUnitsPerSecond / (kilohertz * 1000);
    return bit % kVcdUartBitsPerBusBit == 0 && bit / kVcdUartBitsPerBusBit >= 4;  // four units a UART bit at least
}

VcdWriter::VcdWriter(std::ostream& out, uint64_t kilohertz)
    : out_(out), bit_(kUnitsPerSecond / (kilohertz * 1000)), level_(kIdle, kIdle + kChannels) {
    out_ << "$comment trelhost: a board session's buses at " << kilohertz
         << " kHz; step_name is UART 8N1 at " << kilohertz * kVcdUartBitsPerBusBit
         << " kbaud $end\n"
            "$timescale "
         << kVcdUnitNanoseconds << " ns $end\n$scope module session $end\n";
    for (uint8_t c = 0; c < kChannels; ++c) out_ << "$var wire 1 " << Id(c) << ' ' << kVcdChannelNames[c] << " $end\n";
    out_ << "$upscope $end\n$enddefinitions $end\n";
}

void VcdWriter::Timestamp(uint64_t time) {
    if (started_ && time == stamped_) return;
    out_ << '#' << time << '\n';
    if (!started_) {
        // The first timestamp states every channel.
        for (uint8_t c = 0; c < kChannels; ++c) out_ << (level_[c] ? '1' : '0') << Id(c) << '\n';
        started_ = true;
    }
    stamped_ = time;
}

void VcdWriter::Write(std::vector<Change>& changes) {
    std::stable_sort(changes.begin(), changes.end(), [](const Change& a, const Change& b) { return a.time < b.time; });
    for (size_t i = 0; i < changes.size();) {
        const uint64_t time = changes[i].time;
        std::vector<bool> next = level_;
        for (; i < changes.size() && changes[i].time == time; ++i) next[changes[i].channel] = changes[i].value;
        if (!started_) {
            level_ = next;
            Timestamp(time);
            continue;
        }
        if (next == level_) continue;
        Timestamp(time);
        for (uint8_t c = 0; c < kChannels; ++c)
            if (next[c] != level_[c]) out_ << (next[c] ? '1' : '0') << Id(c) << '\n';
        level_ = next;
    }
    changes.clear();
}

void VcdWriter::Add(std::string_view operation, std::span<const BusCall> calls) {
    const uint64_t q1 = bit_ / 4, half = bit_ / 2, q3 = 3 * bit_ / 4;
    const uint64_t start = now_;
    std::vector<Change> changes;
    const auto set = [&changes](uint64_t time, uint8_t channel, bool value) { changes.push_back({time, channel, value}); };
    // One bit time: `clock` falls at its start, `data` takes `value` a quarter in, `clock` rises at the half.
    const auto bit = [&](uint8_t clock, uint8_t data, bool value) {
        set(now_, clock, false);
        set(now_ + q1, data, value);
        set(now_ + half, clock, true);
        now_ += bit_;
    };
    for (const BusCall& call : calls) {
        if (call.service == Service::SerialWrite) {
            const uint64_t word = now_;
            for (const SerialField& field : SerialFields(call))
                for (uint32_t k = field.bits; k-- > 0;) bit(kSerClk, kSerData, k < 32 && (field.value >> k & 1) != 0);
            if (now_ == word) continue;
            if (call.result == 0) {
                set(word, kSerLoad, true);
                set(now_ - bit_ + q3, kSerLoad, false);
            }
            set(now_, kSerClk, false);
            set(now_, kSerData, false);
            continue;
        }
        for (const WireSymbol& symbol : I2cSymbols(call)) {
            switch (symbol.kind) {
            case WireSymbol::Kind::Start:
                set(now_, kSda, true);
                set(now_ + half, kSda, false);
                now_ += bit_;
                break;
            case WireSymbol::Kind::RepeatedStart:
            case WireSymbol::Kind::Stop: {
                const bool stop = symbol.kind == WireSymbol::Kind::Stop;
                bit(kScl, kSda, !stop);
                set(now_ - bit_ + q3, kSda, stop);
                break;
            }
            case WireSymbol::Kind::Byte:
                for (int k = 7; k >= 0; --k) bit(kScl, kSda, (symbol.byte >> k & 1) != 0);
                bit(kScl, kSda, !symbol.acknowledged);
                break;
            }
        }
    }
    if (now_ != start) {
        set(start, kStep, true);
        set(now_ - 1, kStep, false);
        // UART 8N1, least significant bit first, idle high: one bit time idle
        // first, so that the first start bit has its falling edge.
        const uint64_t uart = bit_ / kVcdUartBitsPerBusBit;
        std::string text(operation);
        text += '\n';
        text.resize(std::min<uint64_t>(text.size(), (now_ - start - uart) / (10 * uart)));
        uint64_t at = start + uart;
        for (const char c : text) {
            set(at, kStepName, false);
            for (int k = 0; k < 8; ++k) set(at + (1 + k) * uart, kStepName, (static_cast<u8>(c) >> k & 1) != 0);
            set(at + 9 * uart, kStepName, true);
            at += 10 * uart;
        }
    }
    Write(changes);
}

uint64_t VcdWriter::Finish() {
    if (!started_ || now_ != stamped_) Timestamp(now_);
    out_.flush();
    return now_ * kVcdUnitNanoseconds;
}

uint64_t WriteVcd(std::ostream& out, std::span<const SessionStep> steps, uint64_t kilohertz) {
    VcdWriter writer(out, kilohertz);
    for (const SessionStep& step : steps) writer.Add(step);
    return writer.Finish();
}

}  // namespace trel::host
