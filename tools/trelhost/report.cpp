// Step reporters: the readable transcript and the JSON-lines form.
#include "report.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <variant>

#include "chips/board_chips.h"
#include "wire_time.h"

#include "board_readout.h"
#include "decode.h"
#include "warnings.h"

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

// What every reporter keeps across a session: the board's chip models, fed
// with every step's bus calls (for --explain and for the warnings), and the
// wire time.
struct SessionWatch {
    SessionWatch(size_t board, bool explain, std::ostream& err)
        : board_(trel::host::CatalogueEntry(board)), chips_(board_), warnings_(chips_), explain_(explain), err_(err) {}

    struct Seen {
        std::vector<trel::host::chips::ChipAspect> changed;  // with --explain: the chip state the step changed
        std::vector<Warning> warnings;
        WireTime wire;
    };
    Seen Observe(const SessionStep& step) {
        Seen seen;
        const std::vector<trel::host::chips::ChipAspect> before = explain_ ? chips_.State() : std::vector<trel::host::chips::ChipAspect>{};
        chips_.Feed(step.bus);
        if (explain_) seen.changed = BoardChips::Changed(before, chips_.State());
        seen.warnings = warnings_.Check(step);
        seen.wire.Add(step.bus);
        session_.Add(seen.wire);
        return seen;
    }
    // On stderr, after the step's own lines.
    void Warn(const std::vector<Warning>& warnings) {
        for (const Warning& warning : warnings) err_ << "trelhost: warning: " << warning.text << '\n';
        err_.flush();
    }

    const trel::host::BoardEntry& board_;
    BoardChips chips_;
    WarningWatch warnings_;
    bool explain_;
    std::ostream& err_;
    WireTime session_;
};

// == Operation -> status, then traces and bus calls as they happened, then
// the decoded records and any problem the kit noticed.
class TextReporter : public StepReporter {
public:
    TextReporter(std::ostream& out, size_t board, bool explain, std::ostream& err)
        : out_(out), watch_(board, explain, err) {}

    void Report(const SessionStep& step) override {
        const SessionWatch::Seen seen = watch_.Observe(step);
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
        if (const auto scaler = ReadScaler(watch_.board_, step)) out_ << "  " << ScalerText(*scaler) << '\n';
        for (const auto& aspect : seen.changed) out_ << "  chip:  " << aspect.text << '\n';
        if (seen.wire.transactions != 0) out_ << "  wire:  " << WireText(seen.wire) << '\n';
        for (const std::string& problem : step.problems) out_ << "  PROBLEM: " << problem << '\n';
        out_.flush();  // a sanitizer report at exit must not swallow what was printed
        watch_.Warn(seen.warnings);
    }

    void Finish() override {
        out_ << "== session wire time: " << WireText(watch_.session_) << '\n';
        out_.flush();
    }

private:
    std::ostream& out_;
    SessionWatch watch_;
};

nlohmann::ordered_json FieldsJson(const std::vector<trel::host::chips::StateField>& fields) {
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (const auto& field : fields) {
        std::visit([&](const auto& value) { json[field.name] = value; }, field.value);
    }
    return json;
}

// One JSON object per step, then a session line; each carries its type and
// the version of the output's schema (docs/trelhost-output.schema.json).
class JsonReporter : public StepReporter {
public:
    JsonReporter(std::ostream& out, size_t board, bool explain, std::ostream& err)
        : out_(out), watch_(board, explain, err), explain_(explain) {}

    void Report(const SessionStep& step) override {
        const SessionWatch::Seen seen = watch_.Observe(step);
        nlohmann::ordered_json bus = nlohmann::ordered_json::array();
        for (const auto& call : step.bus) bus.push_back(BusCallJson(call));
        nlohmann::ordered_json order = nlohmann::ordered_json::array();
        for (const SessionEvent& event : step.events) {
            order.push_back(event.kind == SessionEvent::Kind::Trace ? "trace" : "bus");
        }
        nlohmann::ordered_json line = {
            {"type", "step"},
            {"version", kOutputVersion},
            {"op", step.operation},
            {"args", step.arguments},
            {"arguments", ArgumentsJson(step)},
            {"status", step.status ? nlohmann::ordered_json(*step.status) : nlohmann::ordered_json()},
            {"trace", step.traces},
            {"bus", std::move(bus)},
            {"order", std::move(order)},
            {"problems", step.problems},
        };
        if (!step.label.empty()) line["label"] = step.label;
        if (nlohmann::ordered_json result = ResultJson(step); !result.is_null()) line["result"] = std::move(result);
        if (const auto scaler = ReadScaler(watch_.board_, step)) line["result"]["scaler"] = ScalerJson(*scaler);
        if (explain_) {
            nlohmann::ordered_json chips = nlohmann::ordered_json::array();
            nlohmann::ordered_json state = nlohmann::ordered_json::array();
            for (const auto& aspect : seen.changed) {
                chips.push_back(aspect.text);
                state.push_back({{"aspect", aspect.Name()}, {"text", aspect.text}, {"fields", FieldsJson(aspect.fields)}});
            }
            line["chips"] = std::move(chips);
            line["chipState"] = std::move(state);
        }
        nlohmann::ordered_json warnings = nlohmann::ordered_json::array();
        for (const Warning& warning : seen.warnings) warnings.push_back(warning.Json());
        line["warnings"] = std::move(warnings);
        line["wire"] = WireJson(seen.wire);
        out_ << line.dump() << std::endl;
        watch_.Warn(seen.warnings);
    }

    void Finish() override {
        const nlohmann::ordered_json line = {
            {"type", "session"}, {"version", kOutputVersion}, {"wire", WireJson(watch_.session_)}};
        out_ << line.dump() << std::endl;
    }

private:
    std::ostream& out_;
    SessionWatch watch_;
    bool explain_;
};

}  // namespace

std::unique_ptr<StepReporter> MakeTextReporter(std::ostream& out, size_t board, bool explain, std::ostream& err) {
    return std::make_unique<TextReporter>(out, board, explain, err);
}
std::unique_ptr<StepReporter> MakeJsonReporter(std::ostream& out, size_t board, bool explain, std::ostream& err) {
    return std::make_unique<JsonReporter>(out, board, explain, err);
}

}  // namespace trelhost
