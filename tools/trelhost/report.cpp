// Step reporters: the readable transcript and the JSON-lines form.
#include "report.h"

#include <nlohmann/json.hpp>

#include "board_readout.h"
#include "decode.h"

namespace trelhost {
namespace {

using trel::host::SessionEvent;
using trel::host::SessionStep;

// == Operation -> status, then traces and bus calls as they happened, then
// the decoded records and any problem the kit noticed.
class TextReporter : public StepReporter {
public:
    TextReporter(std::ostream& out, size_t board) : out_(out), board_(board) {}

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
        for (const std::string& problem : step.problems) out_ << "  PROBLEM: " << problem << '\n';
        out_.flush();  // a sanitizer report at exit must not swallow what was printed
    }

private:
    std::ostream& out_;
    size_t board_;
};

class JsonReporter : public StepReporter {
public:
    JsonReporter(std::ostream& out, size_t board) : out_(out), board_(board) {}

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
        out_ << line.dump() << std::endl;
    }

private:
    std::ostream& out_;
    size_t board_;
};

}  // namespace

std::unique_ptr<StepReporter> MakeTextReporter(std::ostream& out, size_t board) {
    return std::make_unique<TextReporter>(out, board);
}
std::unique_ptr<StepReporter> MakeJsonReporter(std::ostream& out, size_t board) {
    return std::make_unique<JsonReporter>(out, board);
}

}  // namespace trelhost
