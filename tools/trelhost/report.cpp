// Step reporters: the readable transcript and the JSON-lines form.
#include "report.h"

#include <nlohmann/json.hpp>
#include <optional>

#include "chips/board_chips.h"
#include "wire_time.h"

#include "board_readout.h"
#include "decode.h"

namespace trelhost {
namespace {

using trel::host::SessionEvent;
using trel::host::SessionStep;
using trel::host::chips::BoardChips;

// Time the bus calls of a step hold the wire: I2C transactions and serial
// words, clocked at 100 and at 400 kHz.
struct WireTime {
    size_t transactions = 0;
    uint64_t bits = 0;
    uint64_t serialBits = 0;

    void Add(const std::vector<trel::host::BusCall>& calls) {
        for (const trel::host::BusCall& call : calls) {
            const uint64_t callBits = trel::host::WireBits(call);
            if (callBits == 0) continue;
            ++transactions;
            bits += callBits;
            if (call.service == trel::host::Service::SerialWrite) serialBits += callBits;
        }
    }
    void Add(const WireTime& other) {
        transactions += other.transactions;
        bits += other.bits;
        serialBits += other.serialBits;
    }
};

// Microseconds with one decimal below a millisecond, else milliseconds with
// three, from whole nanoseconds (no floating point, so that every platform
// prints the same digits).
std::string Duration(uint64_t nanoseconds) {
    if (nanoseconds < 1000000) {
        const uint64_t tenths = (nanoseconds + 50) / 100;
        return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " us";
    }
    const uint64_t micro = (nanoseconds + 500) / 1000;
    std::string fraction = std::to_string(micro % 1000);
    fraction.insert(0, 3 - fraction.size(), '0');
    return std::to_string(micro / 1000) + "." + fraction + " ms";
}

std::string WireText(const WireTime& wire) {
    std::string text = std::to_string(wire.transactions) + (wire.transactions == 1 ? " transaction, " : " transactions, ") +
                       std::to_string(wire.bits) + " bits";
    if (wire.serialBits != 0) text += " (" + std::to_string(wire.serialBits) + " on the serial link)";
    return text + ": " + Duration(trel::host::WireNanoseconds(wire.bits, 100)) + " at 100 kHz, " +
           Duration(trel::host::WireNanoseconds(wire.bits, 400)) + " at 400 kHz";
}

nlohmann::ordered_json WireJson(const WireTime& wire) {
    return {{"transactions", wire.transactions},
            {"bits", wire.bits},
            {"serialBits", wire.serialBits},
            {"ns100kHz", trel::host::WireNanoseconds(wire.bits, 100)},
            {"ns400kHz", trel::host::WireNanoseconds(wire.bits, 400)}};
}

// The chip state lines a step changed (none without chip models).
std::vector<std::string> Explain(std::optional<BoardChips>& chips, const SessionStep& step) {
    if (!chips) return {};
    const std::vector<std::string> before = chips->Describe();
    chips->Feed(step.bus);
    return BoardChips::Changed(before, chips->Describe());
}

// == Operation -> status, then traces and bus calls as they happened, then
// the decoded records and any problem the kit noticed.
class TextReporter : public StepReporter {
public:
    TextReporter(std::ostream& out, size_t board, bool explain) : out_(out), board_(trel::host::CatalogueEntry(board)) {
        if (explain) chips_.emplace(board_);
    }

    void Report(const SessionStep& step) override {
        out_ << "== " << step.operation << " -> " << step.StatusText() << '\n';
        if (!step.arguments.empty()) out_ << "  args:  " << step.arguments << '\n';
        for (const SessionEvent& event : step.events) {
            if (event.kind == SessionEvent::Kind::Trace) {
                out_ << "  trace: " << step.traces[event.index] << '\n';
            } else {
                out_ << "  bus:   " << step.bus[event.index].Format() << '\n';
            }
        }
        for (const std::string& line : DescribeResult(step)) out_ << "  " << line << '\n';
        if (const auto scaler = ReadScaler(board_, step)) out_ << "  " << ScalerText(*scaler) << '\n';
        for (const std::string& line : Explain(chips_, step)) out_ << "  chip:  " << line << '\n';
        WireTime wire;
        wire.Add(step.bus);
        session_.Add(wire);
        if (wire.transactions != 0) out_ << "  wire:  " << WireText(wire) << '\n';
        for (const std::string& problem : step.problems) out_ << "  PROBLEM: " << problem << '\n';
        out_.flush();  // a sanitizer report at exit must not swallow what was printed
    }

    void Finish() override {
        out_ << "== session wire time: " << WireText(session_) << '\n';
        out_.flush();
    }

private:
    std::ostream& out_;
    const trel::host::BoardEntry& board_;
    std::optional<BoardChips> chips_;
    WireTime session_;
};

class JsonReporter : public StepReporter {
public:
    JsonReporter(std::ostream& out, size_t board, bool explain) : out_(out), board_(trel::host::CatalogueEntry(board)) {
        if (explain) chips_.emplace(board_);
    }

    void Report(const SessionStep& step) override {
        nlohmann::ordered_json bus = nlohmann::ordered_json::array();
        for (const auto& call : step.bus) bus.push_back(BusCallJson(call));
        nlohmann::ordered_json order = nlohmann::ordered_json::array();
        for (const SessionEvent& event : step.events) {
            order.push_back(event.kind == SessionEvent::Kind::Trace ? "trace" : "bus");
        }
        nlohmann::ordered_json line = {
            {"op", step.operation},
            {"args", step.arguments},
            {"status", step.status ? nlohmann::ordered_json(*step.status) : nlohmann::ordered_json()},
            {"trace", step.traces},
            {"bus", std::move(bus)},
            {"order", std::move(order)},
            {"problems", step.problems},
        };
        if (nlohmann::ordered_json result = ResultJson(step); !result.is_null()) line["result"] = std::move(result);
        if (const auto scaler = ReadScaler(board_, step)) line["result"]["scaler"] = ScalerJson(*scaler);
        if (chips_) line["chips"] = Explain(chips_, step);
        WireTime wire;
        wire.Add(step.bus);
        session_.Add(wire);
        line["wire"] = WireJson(wire);
        out_ << line.dump() << std::endl;
    }

    void Finish() override {
        const nlohmann::ordered_json line = {{"session", {{"wire", WireJson(session_)}}}};
        out_ << line.dump() << std::endl;
    }

private:
    std::ostream& out_;
    const trel::host::BoardEntry& board_;
    std::optional<BoardChips> chips_;
    WireTime session_;
};

}  // namespace

std::unique_ptr<StepReporter> MakeTextReporter(std::ostream& out, size_t board, bool explain) {
    return std::make_unique<TextReporter>(out, board, explain);
}
std::unique_ptr<StepReporter> MakeJsonReporter(std::ostream& out, size_t board, bool explain) {
    return std::make_unique<JsonReporter>(out, board, explain);
}

}  // namespace trelhost
