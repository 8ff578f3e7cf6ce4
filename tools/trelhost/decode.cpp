// Decoding of BoardInfo, format records, property sets, stream format tables,
// the audio chip configuration, the CaptureConfig fields the module writes,
// and on the tuner board the tuning words on the bus, the frequency record
// and the TV-audio modes.
#include "decode.h"

#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <utility>

#include "input.h"

namespace trelhost {
namespace {

using trel::host::BusCall;
using trel::host::Service;
using trel::host::SessionStep;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

std::string FlagsText(const trel::VideoFormat& format) {
    std::string text;
    for (size_t i = 0; i < sizeof(format.formatFlags); ++i) {
        if (format.formatFlags[i] == 0) continue;
        char entry[16];
        std::snprintf(entry, sizeof(entry), " %zu:%02X", offsetof(trel::VideoFormat, formatFlags) + i,
                      format.formatFlags[i]);
        text += entry;
    }
    return text.empty() ? " none" : text;
}

std::string FormatText(size_t index, const trel::VideoFormat& f) {
    std::string text = "format " + std::to_string(index) + ": " + Quoted(FieldText(f.formatName, sizeof(f.formatName))) +
                       " / " + Quoted(FieldText(f.sourceName, sizeof(f.sourceName))) + ", standard " +
                       Hex(f.standardMask, 8) + ", rate " + std::to_string(f.frameRate) + ", " +
                       std::to_string(f.width) + "x" + std::to_string(f.height) + ", size " +
                       std::to_string(f.recordSize);
    if (f.reserved0 != 0) text += ", reserved0 " + Hex(f.reserved0, 8);
    return text + ", flags" + FlagsText(f);
}

std::string CaptureText(const trel::CaptureConfig& c) {
    return "capture: hOffset " + std::to_string(c.hOffset) + ", vOffset " + std::to_string(c.vOffset) +
           ", widthDoubled " + std::to_string(c.widthDoubled) + ", heightDoubled " + std::to_string(c.heightDoubled) +
           ", sizeFlag3 " + std::to_string(c.sizeFlag3) + ", cfgByteA " + std::to_string(c.cfgByteA) + ", cfgByteB " +
           std::to_string(c.cfgByteB) + ", cfgByteC " + std::to_string(c.cfgByteC);
}

// The counts of a stream format table, limited to the room the layout has.
struct TableCounts {
    trel::u32 sizes;
    trel::u32 rates;
    trel::u32 options;
};

TableCounts Counts(const trel::StreamFormatTable& t) {
    return {std::min(t.frameSizeCount, trel::kMaxFrameSizeEntries), std::min(t.frameRateCount, trel::kMaxFrameRateEntries),
            std::min(t.optionCount, trel::kMaxStreamOptionEntries)};
}

std::string CountText(trel::u32 count, trel::u32 room) {
    return std::to_string(count) + (count > room ? " (more than the " + std::to_string(room) + " that fit)" : "");
}

// Bytes that are neither a count nor a field of a counted entry and yet are
// non-zero: the host's areas and the reserved words should all be zero.
size_t NonZeroReservedBytes(const trel::StreamFormatTable& table, size_t* firstOffset) {
    auto rest = std::make_unique<trel::StreamFormatTable>(table);
    const TableCounts counts = Counts(table);
    rest->frameSizeCount = rest->frameRateCount = rest->optionCount = 0;
    for (trel::u32 i = 0; i < counts.sizes; ++i) {
        trel::FrameSizeEntry& e = rest->frameSizes[i];
        std::memset(e.name, 0, sizeof(e.name));
        std::memset(e.description, 0, sizeof(e.description));
        e.kind = e.entrySize = e.width = e.height = e.sizeFlags = e.upperRateLimit = e.lowerRateLimit = 0;
    }
    for (trel::u32 i = 0; i < counts.rates; ++i) {
        trel::FrameRateEntry& e = rest->frameRates[i];
        std::memset(e.name, 0, sizeof(e.name));
        std::memset(e.description, 0, sizeof(e.description));
        e.kind = e.entrySize = e.frameRate = e.halfRate = 0;
    }
    for (trel::u32 i = 0; i < counts.options; ++i) rest->options[i] = trel::StreamOptionEntry{};
    const auto* bytes = reinterpret_cast<const unsigned char*>(rest.get());
    size_t nonZero = 0;
    for (size_t i = 0; i < sizeof(trel::StreamFormatTable); ++i) {
        if (bytes[i] == 0) continue;
        if (nonZero++ == 0) *firstOffset = i;
    }
    return nonZero;
}

std::string FrameSizeText(size_t index, const trel::FrameSizeEntry& e) {
    return "size " + std::to_string(index) + ": " + Quoted(FieldText(e.name, sizeof(e.name))) + " / " +
           Quoted(FieldText(e.description, sizeof(e.description))) + ", " + std::to_string(e.width) + "x" +
           std::to_string(e.height) + ", rate limits " + std::to_string(e.upperRateLimit) + " / " +
           std::to_string(e.lowerRateLimit) + ", kind " + Hex(e.kind, 4) + ", entry size " +
           std::to_string(e.entrySize) + ", flags " + Hex(e.sizeFlags, 8);
}

std::string FrameRateText(size_t index, const trel::FrameRateEntry& e) {
    return "rate " + std::to_string(index) + ": " + Quoted(FieldText(e.name, sizeof(e.name))) + " / " +
           Quoted(FieldText(e.description, sizeof(e.description))) + ", " + std::to_string(e.frameRate) +
           " per 1001 s, " + (e.halfRate != 0 ? "half rate" : "full rate") + ", kind " + std::to_string(e.kind) +
           ", entry size " + std::to_string(e.entrySize);
}

// The tuner module's four-byte tuning word: control byte, band byte, divider
// (high byte first). The control byte sets the divider's step: 0xCE TV
// channels in 62.5 kHz steps, 0x88 FM radio in 50 kHz steps.
constexpr trel::u8 kTunerAddress = 0xC2;
struct TuningWord {
    trel::u8 control;
    trel::u8 band;
    unsigned divider;
    unsigned stepHz;  // 0: a control byte of unknown step
};

std::optional<TuningWord> DecodeTuningWord(const BusCall& call) {
    if (call.service != Service::I2cWriteBuffer || call.address != kTunerAddress || call.data.size() != 4) {
        return std::nullopt;
    }
    TuningWord word{call.data[0], call.data[1], unsigned(call.data[2]) << 8 | call.data[3], 0};
    if (word.control == 0xCE) word.stepHz = 62'500;
    if (word.control == 0x88) word.stepHz = 50'000;
    return word;
}

// 471250000 -> "471.250 MHz".
std::string Megahertz(unsigned long long hz) {
    char text[32];
    std::snprintf(text, sizeof(text), "%llu.%03llu MHz", hz / 1'000'000, hz % 1'000'000 / 1'000);
    return text;
}

std::string TuningWordText(const TuningWord& w) {
    char text[96];
    std::snprintf(text, sizeof(text), "tuning word: control 0x%02X, band 0x%02X, divider %u (0x%04X)", w.control,
                  w.band, w.divider, w.divider);
    std::string line = text;
    if (w.stepHz != 0) {
        line += " x " + std::string(w.stepHz == 62'500 ? "62.5" : "50") + " kHz = oscillator " +
                Megahertz(static_cast<unsigned long long>(w.divider) * w.stepHz);
    }
    return line;
}

std::string FrequencyText(const std::array<trel::u32, trel::kTunerFrequencyFields>& r) {
    return "frequency: " + Megahertz(r[0]) + " (" + std::to_string(r[0]) + " Hz), last " + std::to_string(r[1]) +
           ", tuning flags " + std::to_string(r[2]) + ", subchannels " + std::to_string(r[3]) + "/" +
           std::to_string(r[4]) + ", channel " + std::to_string(r[5]) + ", country " + std::to_string(r[6]);
}

// KS_TVAUDIO_MODE bits.
std::string AudioModesText(trel::u32 modes) {
    std::string names;
    for (const auto& [bit, name] : {std::pair{0x01u, "mono"}, std::pair{0x02u, "stereo"},
                                    std::pair{0x10u, "language A"}, std::pair{0x20u, "language B"}}) {
        if ((modes & bit) != 0) names += std::string(names.empty() ? "" : ", ") + name;
    }
    return "TV-audio modes: " + Hex(modes, 8) + " (" + (names.empty() ? "none" : names) + ")";
}

nlohmann::ordered_json FormatJson(const trel::VideoFormat& f) {
    return {
        {"formatName", FieldText(f.formatName, sizeof(f.formatName))},
        {"sourceName", FieldText(f.sourceName, sizeof(f.sourceName))},
        {"reserved0", f.reserved0},
        {"recordSize", f.recordSize},
        {"standardMask", f.standardMask},
        {"frameRate", f.frameRate},
        {"width", f.width},
        {"height", f.height},
        {"formatFlags", std::vector<unsigned>(std::begin(f.formatFlags), std::end(f.formatFlags))},
    };
}

// The names of a slot's u32 arguments and pointer arguments, in slot order.
struct SlotArguments {
    trel::host::Op op;
    const char* values[3];
    const char* records[2];
};
using trel::host::Op;
constexpr SlotArguments kSlotArguments[] = {
    {Op::OpenBoard, {}, {"info"}},
    {Op::GetVideoFormats, {}, {"count", "formats"}},
    {Op::GetDefaultVideoProperties, {}, {"properties"}},
    {Op::InitVideoSource, {"standard", "source"}, {"properties"}},
    {Op::OnStartCapture, {}, {"config"}},
    {Op::SetVideoProperty, {"index", "value", "extra"}, {}},
    {Op::GetVideoProperty, {"index"}, {"value"}},
    {Op::GetAudioChipconfig, {}, {"chipConfig", "audio"}},
    {Op::InitAudio, {}, {"audio"}},
    {Op::SetCurrentVideoInputId, {"input"}, {}},
    {Op::SetCurrentAudioInputId, {"input"}, {}},
    {Op::GetTunerProperty, {"id"}, {"value", "record"}},
    {Op::SetTunerProperty, {"id", "value"}, {"record"}},
};

template <typename T>
std::optional<T> RecordAs(const std::vector<trel::u8>& bytes) {
    if (bytes.size() != sizeof(T)) return std::nullopt;
    T value{};
    std::memcpy(&value, bytes.data(), sizeof(T));
    return value;
}

// The fields of a record the host hands over filled: the capture asked, an
// audio configuration, a property set, a tuner record.
nlohmann::ordered_json RecordFields(const std::string& name, const std::vector<trel::u8>& bytes) {
    if (name == "config") {
        if (const auto c = RecordAs<trel::CaptureConfig>(bytes)) {
            return {{"standardMask", c->standardMask}, {"captureWidth", c->captureWidth}, {"captureHeight", c->captureHeight}};
        }
    } else if (name == "audio") {
        if (const auto a = RecordAs<trel::AudioConfig>(bytes)) {
            return {{"formatTag", a->formatTag}, {"sampleRate", a->sampleRate}, {"modeSelect", a->modeSelect},
                    {"sampleParameter", a->sampleParameter}};
        }
    } else if (name == "properties") {
        if (const auto p = RecordAs<trel::VideoPropertySet>(bytes)) {
            std::vector<trel::s32> values;
            for (trel::u32 value : p->value) values.push_back(static_cast<trel::s32>(value));
            return {{"values", values}};
        }
    } else if (name == "record" && !bytes.empty() && bytes.size() % sizeof(trel::u32) == 0) {
        std::vector<trel::u32> words(bytes.size() / sizeof(trel::u32));
        std::memcpy(words.data(), bytes.data(), bytes.size());
        return {{"words", words}};
    }
    return nullptr;
}

}  // namespace

nlohmann::ordered_json ArgumentsJson(const SessionStep& step) {
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    nlohmann::ordered_json records = nlohmann::ordered_json::array();
    for (const SlotArguments& slot : kSlotArguments) {
        if (slot.op != step.op) continue;
        for (size_t i = 0; i < 3 && slot.values[i] != nullptr; ++i) values[slot.values[i]] = step.args[i];
        for (size_t i = 0; i < 2 && slot.records[i] != nullptr; ++i) {
            const std::vector<trel::u8>& bytes = step.records[i];
            nlohmann::ordered_json record = {{"name", slot.records[i]}, {"null", bytes.empty()}, {"size", bytes.size()}};
            if (nlohmann::ordered_json fields = RecordFields(slot.records[i], bytes); !fields.is_null()) {
                record["fields"] = std::move(fields);
            }
            records.push_back(std::move(record));
        }
    }
    return {{"context", step.context != nullptr}, {"values", std::move(values)}, {"records", std::move(records)}};
}

std::string FieldText(const char* text, size_t size) { return std::string(text, strnlen(text, size)); }

std::vector<std::string> DescribeResult(const SessionStep& step) {
    std::vector<std::string> lines;
    if (step.boardInfo) {
        const trel::BoardInfo& info = *step.boardInfo;
        lines.push_back("info:  " + Quoted(FieldText(info.name, sizeof(info.name))) + ", revision " +
                        Hex(info.revision, 4) + ", A " + std::to_string(info.valueA) + ", B " + Hex(info.flagsB, 8));
    }
    for (size_t i = 0; i < step.formats.size(); ++i) lines.push_back(FormatText(i, step.formats[i]));
    if (step.streamTable) {
        lines.push_back("table:");
        for (const std::string& line : DescribeStreamFormatTable(*step.streamTable)) lines.push_back("  " + line);
    } else if (step.streamFormatTable) {
        lines.push_back("table: null");
    }
    if (step.properties) {
        std::string text = "properties:";
        for (trel::u32 value : step.properties->value) text.append(" ").append(std::to_string(static_cast<trel::s32>(value)));
        lines.push_back(text);
    }
    if (step.chipConfig) {
        std::string text = "chip config:";
        for (trel::u16 word : step.chipConfig->word) {
            char entry[8];
            std::snprintf(entry, sizeof(entry), " %04X", word);
            text += entry;
        }
        lines.push_back(text);
    }
    if (step.captureConfig) lines.push_back(CaptureText(*step.captureConfig));
    for (const BusCall& call : step.bus) {
        if (const auto word = DecodeTuningWord(call)) lines.push_back(TuningWordText(*word));
    }
    if (step.frequencyRecord) lines.push_back(FrequencyText(*step.frequencyRecord));
    if (step.tvAudioModes) lines.push_back(AudioModesText(*step.tvAudioModes));
    return lines;
}

nlohmann::ordered_json ResultJson(const SessionStep& step) {
    nlohmann::ordered_json result = nlohmann::ordered_json::object();
    if (step.boardInfo) {
        const trel::BoardInfo& info = *step.boardInfo;
        result["info"] = {{"name", FieldText(info.name, sizeof(info.name))},
                          {"revision", info.revision},
                          {"valueA", info.valueA},
                          {"flagsB", info.flagsB}};
    }
    if (!step.formats.empty()) {
        nlohmann::ordered_json formats = nlohmann::ordered_json::array();
        for (const trel::VideoFormat& format : step.formats) formats.push_back(FormatJson(format));
        result["formats"] = std::move(formats);
    }
    if (step.streamTable) {
        result["streamFormatTable"] = StreamFormatTableJson(*step.streamTable);
    } else if (step.streamFormatTable) {
        result["streamFormatTable"] = nullptr;
    }
    if (step.properties) {
        std::vector<trel::s32> values;
        for (trel::u32 value : step.properties->value) values.push_back(static_cast<trel::s32>(value));
        result["properties"] = values;
    }
    if (step.chipConfig) {
        result["chipConfig"] = std::vector<trel::u16>(std::begin(step.chipConfig->word), std::end(step.chipConfig->word));
    }
    if (step.captureConfig) {
        const trel::CaptureConfig& c = *step.captureConfig;
        result["capture"] = {{"hOffset", c.hOffset},           {"vOffset", c.vOffset},
                             {"widthDoubled", c.widthDoubled}, {"heightDoubled", c.heightDoubled},
                             {"sizeFlag3", c.sizeFlag3},       {"cfgByteA", c.cfgByteA},
                             {"cfgByteB", c.cfgByteB},         {"cfgByteC", c.cfgByteC}};
    }
    nlohmann::ordered_json words = nlohmann::ordered_json::array();
    for (const BusCall& call : step.bus) {
        const auto word = DecodeTuningWord(call);
        if (!word) continue;
        nlohmann::ordered_json entry = {{"control", word->control}, {"band", word->band}, {"divider", word->divider}};
        if (word->stepHz != 0) entry["oscillatorHz"] = static_cast<unsigned long long>(word->divider) * word->stepHz;
        words.push_back(std::move(entry));
    }
    if (!words.empty()) result["tuningWords"] = std::move(words);
    if (step.frequencyRecord) {
        const auto& r = *step.frequencyRecord;
        result["frequency"] = {{"frequency", r[0]}, {"lastFrequency", r[1]}, {"tuningFlags", r[2]},
                               {"videoSubchannel", r[3]}, {"audioSubchannel", r[4]}, {"channel", r[5]},
                               {"country", r[6]}};
    }
    if (step.tvAudioModes) result["tvAudioModes"] = *step.tvAudioModes;
    return result.empty() ? nlohmann::ordered_json() : result;
}

std::vector<std::string> DescribeStreamFormatTable(const trel::StreamFormatTable& t) {
    const TableCounts counts = Counts(t);
    std::vector<std::string> lines;
    lines.push_back("frame sizes: " + CountText(t.frameSizeCount, trel::kMaxFrameSizeEntries));
    for (trel::u32 i = 0; i < counts.sizes; ++i) lines.push_back("  " + FrameSizeText(i, t.frameSizes[i]));
    lines.push_back("frame rates: " + CountText(t.frameRateCount, trel::kMaxFrameRateEntries));
    for (trel::u32 i = 0; i < counts.rates; ++i) lines.push_back("  " + FrameRateText(i, t.frameRates[i]));
    lines.push_back("options: " + CountText(t.optionCount, trel::kMaxStreamOptionEntries));
    for (trel::u32 i = 0; i < counts.options; ++i) {
        std::string text = "  option " + std::to_string(i) + ":";
        for (trel::s32 word : t.options[i].word) text.append(" ").append(std::to_string(word));
        lines.push_back(text);
    }
    size_t first = 0;
    const size_t nonZero = NonZeroReservedBytes(t, &first);
    lines.push_back(nonZero == 0 ? std::string("reserved bytes: all zero")
                                 : "reserved bytes: " + std::to_string(nonZero) + " non-zero, the first at offset " +
                                       Hex(static_cast<unsigned>(first), 4));
    return lines;
}

nlohmann::ordered_json StreamFormatTableJson(const trel::StreamFormatTable& t) {
    const TableCounts counts = Counts(t);
    nlohmann::ordered_json sizes = nlohmann::ordered_json::array();
    for (trel::u32 i = 0; i < counts.sizes; ++i) {
        const trel::FrameSizeEntry& e = t.frameSizes[i];
        sizes.push_back({{"name", FieldText(e.name, sizeof(e.name))},
                         {"description", FieldText(e.description, sizeof(e.description))},
                         {"kind", e.kind},
                         {"entrySize", e.entrySize},
                         {"width", e.width},
                         {"height", e.height},
                         {"sizeFlags", e.sizeFlags},
                         {"upperRateLimit", e.upperRateLimit},
                         {"lowerRateLimit", e.lowerRateLimit}});
    }
    nlohmann::ordered_json rates = nlohmann::ordered_json::array();
    for (trel::u32 i = 0; i < counts.rates; ++i) {
        const trel::FrameRateEntry& e = t.frameRates[i];
        rates.push_back({{"name", FieldText(e.name, sizeof(e.name))},
                         {"description", FieldText(e.description, sizeof(e.description))},
                         {"kind", e.kind},
                         {"entrySize", e.entrySize},
                         {"frameRate", e.frameRate},
                         {"halfRate", e.halfRate}});
    }
    nlohmann::ordered_json options = nlohmann::ordered_json::array();
    for (trel::u32 i = 0; i < counts.options; ++i) {
        options.push_back(std::vector<trel::s32>(std::begin(t.options[i].word), std::end(t.options[i].word)));
    }
    size_t first = 0;
    const size_t nonZero = NonZeroReservedBytes(t, &first);
    return {{"frameSizeCount", t.frameSizeCount}, {"frameSizes", std::move(sizes)},
            {"frameRateCount", t.frameRateCount}, {"frameRates", std::move(rates)},
            {"optionCount", t.optionCount},       {"options", std::move(options)},
            {"nonZeroReservedBytes", nonZero}};
}

nlohmann::ordered_json BusCallJson(const BusCall& call) {
    nlohmann::ordered_json j = {{"service", trel::host::ServiceName(call.service)}, {"text", call.Format()}};
    const bool ok = !call.injected;
    switch (call.service) {
    case Service::I2cWrite:
    case Service::I2cRead:
        j["address"] = call.address;
        j["reg"] = call.reg;
        if (call.service == Service::I2cWrite || ok) j["value"] = call.value;
        j["flags"] = call.flags;
        break;
    case Service::I2cWriteBuffer:
        j["address"] = call.address;
        j["data"] = call.data;
        j["flags"] = call.flags;
        break;
    case Service::I2cWriteSubaddress:
    case Service::I2cReadSubaddress:
        j["header"] = call.header;
        j["data"] = call.data;
        j["flags"] = call.flags;
        break;
    case Service::SerialWrite:
        j["field1"] = call.address;
        j["field2"] = call.reg;
        j["field3"] = call.value;
        break;
    case Service::DeviceControl:
        j["selector"] = call.selector;
        j["value"] = call.value;
        break;
    case Service::EncoderWrite:
        j["reg"] = call.reg;
        j["value"] = call.value;
        break;
    case Service::QueryParameter:
        j["name"] = call.name;
        j["value"] = call.value;
        break;
    }
    j["constants"] = call.constants;
    j["result"] = call.result;
    if (call.injected) j["injected"] = true;
    return j;
}

}  // namespace trelhost
