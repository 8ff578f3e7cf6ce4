// trelhost compare: the replay from a capture, the alignment and its report (compare.h).
#include "compare.h"

#include <algorithm>
#include <cstdio>

#include "wire_time.h"

namespace trelhost {
namespace {

using trel::host::BusCall;
using trel::host::Service;

constexpr trel::u32 kNotAcknowledged = 1;  // what the host's I2C stack returns for a chip that did not answer
constexpr size_t kLookAhead = 8;           // capture transactions to one chip passed over to find a call's
constexpr size_t kContext = 3;             // rows shown before and after the first divergence

// Whether the capture's transaction can be the one the module asks for: the
// same bytes sent and as many read, or the same start refused.
bool Fits(const WireTransaction& seen, const WireTransaction& asked) {
    if (seen.segments.empty() || seen.segments.front().address != asked.segments.front().address) return false;
    const auto& sent = asked.segments.front().bytes;
    const auto& got = seen.segments.front().bytes;
    if (seen.notAcknowledged)
        return seen.segments.size() == 1 && got.size() <= sent.size() &&
               std::equal(got.begin(), got.end(), sent.begin());
    if (seen.segments.size() != asked.segments.size() || got != sent) return false;
    for (size_t s = 1; s < seen.segments.size(); ++s)
        if (seen.segments[s].address != asked.segments[s].address ||
            seen.segments[s].bytes.size() != asked.segments[s].bytes.size())
            return false;
    return true;
}

std::string Time(uint64_t sample, uint64_t samplerate) {
    if (samplerate == 0) return "";
    const uint64_t micro = sample * 1000000 / samplerate;
    char text[48];
    std::snprintf(text, sizeof(text), "%llu.%03llu ms", static_cast<unsigned long long>(micro / 1000),
                  static_cast<unsigned long long>(micro % 1000));
    return text;
}

const char* KindName(Comparison::Kind kind) {
    switch (kind) {
    case Comparison::Kind::Same: return "";
    case Comparison::Kind::Changed: return "changed";
    case Comparison::Kind::Missing: return "missing";
    case Comparison::Kind::Extra: return "extra";
    case Comparison::Kind::NotAcknowledged: return "not acknowledged";
    }
    return "";
}

// "#13 40 W 0D 00": the transaction's place in its list and its bytes.
std::string Numbered(size_t index, const WireTransaction& wire) {
    std::string text = "#";
    text += std::to_string(index + 1);
    text += ' ';
    text += wire.Text();
    return text;
}

std::string Pad(std::string text, size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

std::optional<WireTransaction> WireOf(const BusCall& call) {
    using trel::host::WireSymbol;
    const std::vector<WireSymbol> symbols = trel::host::I2cSymbols(call);
    if (symbols.empty()) return std::nullopt;  // the serial link, the encoder, device controls: not on the I2C bus
    WireTransaction wire;
    bool addressNext = false;
    for (const WireSymbol& symbol : symbols) {
        if (symbol.kind != WireSymbol::Kind::Byte) {
            addressNext = symbol.kind != WireSymbol::Kind::Stop;
        } else if (!wire.notAcknowledged) {
            if (addressNext) wire.segments.push_back({symbol.byte, {}});
            else wire.segments.back().bytes.push_back(symbol.byte);
            addressNext = false;
            wire.notAcknowledged = !symbol.acknowledged && !symbol.read;
        }
    }
    return wire;
}

// ---------------------------------------------------------------------------
CaptureAnswers::CaptureAnswers(trel::host::SimHost& host, const std::vector<WireTransaction>& capture,
                               std::vector<std::pair<std::string, trel::u32>> parameters)
    : host_(host), capture_(capture), parameters_(std::move(parameters)), next_(256, 0) {}

trel::u32 CaptureAnswers::Result(const BusCall& call) {
    answer_ = nullptr;
    asked_ = {call.address, call.reg};
    if (const auto asked = WireOf(call)) {
        const uint8_t chip = asked->Chip();
        size_t passed = 0;
        for (size_t i = next_[chip]; i < capture_.size() && passed <= kLookAhead; ++i) {
            if (capture_[i].Chip() != chip) continue;
            if (Fits(capture_[i], *asked)) {
                answer_ = &capture_[i];
                next_[chip] = i + 1;
                break;
            }
            ++passed;
        }
    }
    if (const auto injected = host_.InjectedFailure(call)) return *injected;
    if (answer_ != nullptr && answer_->notAcknowledged) {
        refused_.insert(call.sequence);
        return kNotAcknowledged;
    }
    return 0;
}

void CaptureAnswers::ReadBytes(trel::u8* bytes, size_t count) {
    if (answer_ == nullptr || answer_->segments.size() < 2) {
        // Not in the capture: the register as the session left it (presets, writes), zeros for a block.
        for (size_t i = 0; i < count; ++i) bytes[i] = count == 1 ? host_.Reg(asked_.first, asked_.second) : 0;
        return;
    }
    const std::vector<uint8_t>& got = answer_->segments.back().bytes;
    for (size_t i = 0; i < count; ++i) bytes[i] = i < got.size() ? got[i] : 0;
}

trel::u32 CaptureAnswers::Parameter(const std::string& name) {
    for (const auto& [parameter, value] : parameters_)
        if (parameter == name) return value;
    return 0;
}

// ---------------------------------------------------------------------------
size_t Comparison::Count(Kind kind) const {
    return static_cast<size_t>(
        std::count_if(rows.begin(), rows.end(), [kind](const Row& row) { return row.kind == kind; }));
}

bool Comparison::Identical() const { return Count(Kind::Same) == rows.size(); }

Comparison Compare(const std::vector<Expected>& expected, const std::vector<WireTransaction>& seen) {
    using Kind = Comparison::Kind;
    Comparison comparison;
    const auto same = [&](size_t e, size_t s) { return expected[e].wire == seen[s]; };
    const auto matched = [&](size_t e, size_t s) {
        comparison.rows.push_back({expected[e].refused ? Kind::NotAcknowledged : Kind::Same, e, s});
    };
    // What is left between two matched transactions: changed in pairs, then missing or extra.
    const auto gap = [&](size_t e0, size_t e1, size_t s0, size_t s1) {
        for (; e0 < e1 && s0 < s1; ++e0, ++s0) comparison.rows.push_back({Kind::Changed, e0, s0});
        for (; e0 < e1; ++e0) comparison.rows.push_back({Kind::Missing, e0, std::nullopt});
        for (; s0 < s1; ++s0) comparison.rows.push_back({Kind::Extra, std::nullopt, s0});
    };
    // The common start and end are matched as they stand; the middle by the
    // longest common sequence.
    size_t head = 0;
    while (head < expected.size() && head < seen.size() && same(head, head)) ++head;
    size_t tail = 0;
    while (tail < expected.size() - head && tail < seen.size() - head &&
           same(expected.size() - 1 - tail, seen.size() - 1 - tail))
        ++tail;
    for (size_t i = 0; i < head; ++i) matched(i, i);
    const size_t n = expected.size() - head - tail;
    const size_t m = seen.size() - head - tail;
    constexpr size_t kLargest = size_t{1} << 24;  // cells of the table (32 MB); beyond, the middle is compared in place
    if (n == 0 || m == 0 || (n + 1) * (m + 1) > kLargest) {
        gap(head, head + n, head, head + m);
    } else {
        // lengths[i][j]: the longest common sequence of expected[head+i..] and seen[head+j..].
        // Within kLargest cells the shorter side is under 4096: lengths fit 16 bits.
        std::vector<uint16_t> lengths((n + 1) * (m + 1), 0);
        const auto at = [&](size_t i, size_t j) -> uint16_t& { return lengths[i * (m + 1) + j]; };
        for (size_t i = n; i-- > 0;)
            for (size_t j = m; j-- > 0;)
                at(i, j) = same(head + i, head + j) ? static_cast<uint16_t>(at(i + 1, j + 1) + 1)
                                                    : std::max(at(i + 1, j), at(i, j + 1));
        size_t i = 0, j = 0, gapI = 0, gapJ = 0;
        while (i < n && j < m) {
            if (same(head + i, head + j)) {
                gap(head + gapI, head + i, head + gapJ, head + j);
                matched(head + i, head + j);
                gapI = ++i;
                gapJ = ++j;
            } else if (at(i + 1, j) >= at(i, j + 1)) {
                ++i;
            } else {
                ++j;
            }
        }
        gap(head + gapI, head + n, head + gapJ, head + m);
    }
    for (size_t i = tail; i-- > 0;) matched(expected.size() - 1 - i, seen.size() - 1 - i);
    return comparison;
}

void PrintComparison(std::ostream& out, const Comparison& comparison, const std::vector<Expected>& expected,
                     const std::vector<WireTransaction>& seen, uint64_t samplerate) {
    using Kind = Comparison::Kind;
    if (comparison.Identical()) {
        out << "identical, " << comparison.rows.size() << " transactions\n";
        return;
    }
    const auto& rows = comparison.rows;
    const size_t first = static_cast<size_t>(
        std::find_if(rows.begin(), rows.end(), [](const Comparison::Row& row) { return row.kind != Kind::Same; }) -
        rows.begin());
    // The step it belongs to: its own transaction's, or for an extra one the
    // transaction the module sent before it (or after it, at the start).
    std::optional<size_t> owner = rows[first].expected;
    for (size_t r = first; !owner && r-- > 0;) owner = rows[r].expected;
    for (size_t r = first; !owner && r < rows.size(); ++r) owner = rows[r].expected;
    const Comparison::Row& row = rows[first];
    out << "first divergence: " << KindName(row.kind);
    if (owner) {
        const Expected& e = expected[*owner];
        out << (row.expected ? ", in step " : ", after step ") << e.step << " " << e.operation
            << " (its I2C transaction " << e.call << ")";
    }
    if (row.seen) {
        const std::string time = Time(seen[*row.seen].sample, samplerate);
        if (!time.empty()) out << ", at " << time << " in the capture";
    }
    out << "\n";
    const size_t from = first > kContext ? first - kContext : 0;
    const size_t to = std::min(rows.size(), first + kContext + 1);
    std::vector<std::string> stepColumn, expectedColumn, seenColumn;
    size_t stepWidth = 4, expectedWidth = 8, seenWidth = 4;
    for (size_t r = from; r < to; ++r) {
        const Comparison::Row& shown = rows[r];
        std::string step, e, s;
        if (shown.expected) {
            const Expected& x = expected[*shown.expected];
            step = std::to_string(x.step) + " " + x.operation;
            e = Numbered(*shown.expected, x.wire);
        }
        if (shown.seen) s = Numbered(*shown.seen, seen[*shown.seen]);
        stepWidth = std::max(stepWidth, step.size());
        expectedWidth = std::max(expectedWidth, e.size());
        seenWidth = std::max(seenWidth, s.size());
        stepColumn.push_back(step);
        expectedColumn.push_back(e);
        seenColumn.push_back(s);
    }
    out << "    " << Pad("step", stepWidth) << "  " << Pad("expected", expectedWidth) << "  seen\n";
    for (size_t r = from; r < to; ++r) {
        const size_t k = r - from;
        std::string line = std::string(r == first ? "  > " : "    ") + Pad(stepColumn[k], stepWidth) + "  " +
                           Pad(expectedColumn[k], expectedWidth) + "  " + seenColumn[k];
        if (rows[r].kind != Kind::Same)
            line = Pad(line, 4 + stepWidth + 2 + expectedWidth + 2 + seenWidth + 2) + KindName(rows[r].kind);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        out << line << "\n";
    }
    out << "summary: " << comparison.Count(Kind::Missing) << " missing, " << comparison.Count(Kind::Extra) << " extra, "
        << comparison.Count(Kind::Changed) << " changed, " << comparison.Count(Kind::NotAcknowledged)
        << " not acknowledged (" << expected.size() << " transactions expected, " << seen.size() << " seen)\n";
}

}  // namespace trelhost
