// The transcript format (see transcript.h).
#include "transcript.h"

#include <cstdio>

namespace trel::host {

std::vector<std::string> TranscriptLines(const SessionStep& step) {
    std::vector<std::string> text;
    text.push_back(step.operation + " " + step.StatusText());
    // A run: its kind ("I2C 40 W |" + flags for writes, ">" for traces), its items.
    std::string kind;
    std::vector<std::string> items;
    const auto flush = [&] {
        if (items.empty()) return;
        std::string line = "  " + items[0];
        const bool write = kind[0] != '>';
        for (size_t i = 1; i < items.size(); ++i) line += (write ? " " : " | ") + items[i];
        text.push_back(write ? line + kind.substr(kind.find('|') + 1) : line);
        items.clear();
    };
    for (const SessionEvent& event : step.events) {
        const bool trace = event.kind == SessionEvent::Kind::Trace;
        const std::string line = trace ? "> " + step.traces[event.index] : step.bus[event.index].Format();
        const bool write = !trace && line.compare(0, 4, "I2C ") == 0 && line[7] == 'W' && line.size() >= 14 &&
                           line[11] == '=' && line.find('!') == std::string::npos;
        // Serial words ("SER 5E/1/28"), without flags or a failure.
        const bool serial = !trace && line.compare(0, 4, "SER ") == 0 && line.find(' ', 4) == std::string::npos;
        const std::string lineKind = trace    ? ">"
                                     : write  ? line.substr(0, 9) + "|" + line.substr(14)
                                     : serial ? "SER |"
                                              : "";
        if (!lineKind.empty() && lineKind == kind && items.size() < (trace ? 4u : 12u)) {
            items.push_back(trace ? line.substr(2) : serial ? line.substr(4) : line.substr(9, 5));
            continue;
        }
        flush();
        kind = lineKind;
        if (lineKind.empty()) {
            text.push_back("  " + line);
        } else {
            items.push_back(trace ? line : serial ? line : line.substr(0, 14));
        }
    }
    flush();
    for (const std::string& problem : step.problems) text.push_back("  ! " + problem);
    if (step.captureConfig) {
        const CaptureConfig& c = *step.captureConfig;
        text.push_back("  config hOffset=" + std::to_string(c.hOffset) + " vOffset=" + std::to_string(c.vOffset) +
                       " widthDoubled=" + std::to_string(c.widthDoubled) + " heightDoubled=" +
                       std::to_string(c.heightDoubled) + " sizeFlag3=" + std::to_string(c.sizeFlag3));
    }
    if (step.frequencyRecord) {
        std::string record = "  record";
        for (u32 field : *step.frequencyRecord) record.append(" ").append(std::to_string(field));
        text.push_back(record);
    }
    if (step.tvAudioModes) {
        char modes[24];
        std::snprintf(modes, sizeof(modes), "  modes 0x%08X", *step.tvAudioModes);
        text.push_back(modes);
    }
    return text;
}

}  // namespace trel::host
