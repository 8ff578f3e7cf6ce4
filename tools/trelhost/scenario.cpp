// Bench sessions: the directive table and the run (see scenario.h).
#include "scenario.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <memory>

#include "commands.h"
#include "input.h"
#include "report.h"
#include "vcd.h"

namespace trelhost {
namespace {

using trel::u32;
using trel::host::Op;
using trel::host::Service;
using trel::host::Step;

std::pair<std::string_view, std::string_view> SplitAt(std::string_view text, char separator) {
    const size_t at = text.find(separator);
    if (at == std::string_view::npos) return {text, {}};
    return {text.substr(0, at), text.substr(at + 1)};
}

std::vector<std::string_view> List(std::string_view text) {
    std::vector<std::string_view> items;
    for (;;) {
        const auto [item, rest] = SplitAt(text, ',');
        items.push_back(item);
        if (item.size() == text.size()) return items;
        text = rest;
    }
}

const trel::BoardDescriptor& Board(const Scenario& s) { return *trel::host::ModuleCatalogue()[s.board]; }
std::string BoardName(const Scenario& s) { return std::string("board '") + trel::host::CatalogueBoardName(s.board) + "'"; }

// A named value, or a number: `names` first, then ParseUnsigned.
struct Name {
    const char* name;
    u32 value;
};
std::optional<u32> Named(std::span<const Name> names, std::string_view text) {
    for (const Name& n : names)
        if (text == n.name) return n.value;
    return std::nullopt;
}
std::string NameList(std::span<const Name> names) {
    std::string list;
    for (const Name& n : names) list += std::string(list.empty() ? "" : ", ") + n.name;
    return list;
}

// TV standards: a family name takes the mask of the board's first format
// record serving the family, as the host read the records; the other names
// are single standards.
constexpr Name kStandardFamilies[] = {{"ntsc", 0xA07}, {"pal", 0x5F0}, {"secam", 0xFF000}};
constexpr Name kStandards[] = {
    {"ntsc-m", 0x1},         {"ntsc-m-j", 0x2},      {"ntsc-443", 0x4},     {"pal-b", 0x10},      {"pal-d", 0x20},
    {"pal-g", 0x40},         {"pal-h", 0x80},        {"pal-i", 0x100},      {"pal-m", 0x200},     {"pal-n", 0x400},
    {"pal-60", 0x800},       {"secam-b", 0x1000},    {"secam-d", 0x2000},   {"secam-g", 0x4000},  {"secam-h", 0x8000},
    {"secam-k", 0x10000},    {"secam-k1", 0x20000},  {"secam-l", 0x40000},  {"secam-l1", 0x80000}, {"pal-n-combo", 0x100000},
};
// TV-audio mode flags; names join with '+' ("lang-a+stereo" is 0x12).
constexpr Name kAudioModes[] = {{"mono", 0x01}, {"stereo", 0x02}, {"lang-a", 0x10}, {"lang-b", 0x20}};
constexpr Name kTunerModes[] = {{"tv", 1}, {"fm", 2}};
// Host services as --fail names them.
constexpr Name kServices[] = {
    {"i2c-write", static_cast<u32>(Service::I2cWrite)},
    {"i2c-read", static_cast<u32>(Service::I2cRead)},
    {"i2c-write-buffer", static_cast<u32>(Service::I2cWriteBuffer)},
    {"i2c-write-subaddress", static_cast<u32>(Service::I2cWriteSubaddress)},
    {"i2c-read-subaddress", static_cast<u32>(Service::I2cReadSubaddress)},
    {"serial-write", static_cast<u32>(Service::SerialWrite)},
    {"device-control", static_cast<u32>(Service::DeviceControl)},
    {"encoder-write", static_cast<u32>(Service::EncoderWrite)},
    {"query-parameter", static_cast<u32>(Service::QueryParameter)},
};

// Parses into `value`; the error text, or "" when it parsed.
std::string Unsigned(std::string_view text, u32& value, uint64_t max = UINT32_MAX) {
    const auto parsed = ParseUnsigned(text, max);
    if (!parsed) return parsed.error;
    value = static_cast<u32>(*parsed.value);
    return "";
}
std::string AtLeastOne(std::string_view text, size_t& value) {
    u32 n = 0;
    if (std::string error = Unsigned(text, n); !error.empty() || n != 0) {
        value = n;
        return error;
    }
    return "expected a count from 1, got '0'";
}
// A value the module judges: any u32, or a negative number as the u32 the host passes.
std::string Value(std::string_view text, u32& value) {
    const auto parsed = ParseSigned(text, INT32_MIN, UINT32_MAX);
    if (!parsed) return parsed.error;
    value = static_cast<u32>(*parsed.value);
    return "";
}
std::string Frequency(std::string_view text, u32& value) {
    const auto parsed = ParseFrequency(text);
    if (!parsed) return parsed.error;
    value = *parsed.value;
    return "";
}
// Names of `names` joined with '+', or a number.
std::string Flags(std::span<const Name> names, std::string_view text, u32& value) {
    if (!text.empty() && text[0] >= '0' && text[0] <= '9') return Unsigned(text, value);
    value = 0;
    for (std::string_view rest = text;;) {
        const auto [name, tail] = SplitAt(rest, '+');
        const auto flag = Named(names, name);
        if (!flag) return "expected " + NameList(names) + " (joined with '+') or a number, got '" + std::string(text) + "'";
        value |= *flag;
        if (name.size() == rest.size()) return "";
        rest = tail;
    }
}

std::vector<trel::u8> U32Bytes(u32 value) {
    return {static_cast<trel::u8>(value), static_cast<trel::u8>(value >> 8), static_cast<trel::u8>(value >> 16),
            static_cast<trel::u8>(value >> 24)};
}

Step MakeStep(const Scenario& s, Op op, std::array<u32, 3> args, std::string label) {
    Step step;
    step.op = op;
    step.board = s.board;
    step.args = args;
    step.label = std::move(label);
    return step;
}

std::string NeedSlot(const Scenario& s, Op op, const char* what) {
    if (trel::host::HasSlot(Board(s), op)) return "";
    return BoardName(s) + " has no " + what;
}
std::string NeedTuner(Scenario& s) { return NeedSlot(s, Op::GetTunerProperty, "tuner"); }

void Line(Scenario& s, const char* name, const std::string& value = "") {
    s.lines.push_back(value.empty() ? name : std::string(name) + " " + value);
}

// ---- the directives

std::string Param(Scenario& s, std::string_view text) {
    const auto [name, number] = SplitAt(text, '=');
    u32 value = 0;
    if (name.empty() || name.size() == text.size()) return "expected NAME=VALUE, got '" + std::string(text) + "'";
    if (std::string error = Unsigned(number, value); !error.empty()) return error;
    s.parameters.emplace_back(std::string(name), value);
    Line(s, "param", std::string(name) + "=" + std::to_string(value));
    return "";
}

std::string Param50Hz(Scenario& s, std::string_view text) { return Param(s, "50Hz=" + std::string(text)); }

std::string AddAnswer(Scenario& s, u32 address, u32 reg, u32 value) {
    s.answers.push_back({static_cast<trel::u8>(address), static_cast<trel::u16>(reg), static_cast<trel::u8>(value)});
    Line(s, "answer", Hex(address, 2) + ":" + Hex(reg, 2) + "=" + Hex(value, 2));
    return "";
}

std::string Answer(Scenario& s, std::string_view text) {
    const auto [where, byte] = SplitAt(text, '=');
    const auto [address, reg] = SplitAt(where, ':');
    if (where.size() == text.size() || address.size() == where.size())
        return "expected ADDRESS:REGISTER=VALUE, got '" + std::string(text) + "'";
    u32 a = 0, r = 0, v = 0;
    for (std::string error : {Unsigned(address, a, 0xFF), Unsigned(reg, r, 0xFFFF), Unsigned(byte, v, 0xFF)})
        if (!error.empty()) return error;
    return AddAnswer(s, a, r, v);
}

std::string Signal50Hz(Scenario& s, std::string_view) {
    const auto& bit = trel::host::CatalogueEntry(s.board).signal50Hz;
    if (!bit) return BoardName(s) + " reads no 50-Hz signal status";
    return AddAnswer(s, bit->address, bit->reg, bit->mask);
}

// N[=RESULT] or SERVICE[:ADDRESS[:REGISTER]][=RESULT], ADDRESS and REGISTER '*' for any.
std::string Fail(Scenario& s, std::string_view text) {
    const auto [what, resultText] = SplitAt(text, '=');
    u32 result = 1;
    if (what.size() != text.size())
        if (std::string error = Unsigned(resultText, result); !error.empty()) return error;
    if (!what.empty() && what[0] >= '0' && what[0] <= '9') {
        size_t call = 0;
        if (std::string error = AtLeastOne(what, call); !error.empty()) return error;
        if (s.failCall) return "one counted failure a session (already: call " + std::to_string(s.failCall->call) + ")";
        s.failCall = Scenario::CountedFailure{call, result};
        Line(s, "fail", std::to_string(call) + "=" + Hex(result, 1));
        return "";
    }
    const auto [service, place] = SplitAt(what, ':');
    const auto [address, reg] = SplitAt(place, ':');
    const auto named = Named(kServices, service);
    if (!named) return "expected a call number or a service (" + NameList(kServices) + "), got '" + std::string(what) + "'";
    Scenario::MatchedFailure failure{static_cast<Service>(*named), -1, -1, result};
    std::string canonical(service);
    for (auto [field, max, target] : {std::tuple{address, 0xFFu, &failure.address}, std::tuple{reg, 0xFFFFu, &failure.reg}}) {
        if (field.empty() || field == "*") {
            canonical += ":*";
            continue;
        }
        u32 value = 0;
        if (std::string error = Unsigned(field, value, max); !error.empty()) return error;
        *target = static_cast<int>(value);
        canonical += ":" + Hex(value, 2);
    }
    s.failMatching.push_back(failure);
    Line(s, "fail", canonical + "=" + Hex(result, 1));
    return "";
}

std::string FailAlloc(Scenario& s, std::string_view text) {
    if (std::string error = AtLeastOne(text, s.failAllocation); !error.empty()) return error;
    Line(s, "fail-alloc", std::to_string(s.failAllocation));
    return "";
}

std::string Size(Scenario& s, std::string_view text) {
    const size_t x = text.find_first_of("xX");
    if (x == std::string_view::npos) return "expected WIDTHxHEIGHT, e.g. 720x480, got '" + std::string(text) + "'";
    u32 width = 0, height = 0;
    for (std::string error : {Unsigned(text.substr(0, x), width), Unsigned(text.substr(x + 1), height)})
        if (!error.empty()) return error;
    s.session.captureWidth = width;
    s.session.captureHeight = height;
    Line(s, "size", std::to_string(width) + "x" + std::to_string(height));
    return "";
}

std::string Standard(Scenario& s, std::string_view text) {
    u32 mask = 0;
    if (std::string error = Unsigned(text, mask); !error.empty()) return error;
    s.session.standard = mask;
    Line(s, "standard", Hex(mask, 8));
    return "";
}

std::string TuneTo(Scenario& s, std::string_view text, bool fm) {
    if (std::string error = NeedTuner(s); !error.empty()) return error;
    if (fm ? s.session.tvFrequency.has_value() : s.session.fmFrequency.has_value())
        return "a session tunes a TV channel or an FM station, not both";
    u32 hz = 0;
    if (std::string error = Frequency(text, hz); !error.empty()) return error;
    (fm ? s.session.fmFrequency : s.session.tvFrequency) = hz;
    Line(s, fm ? "fm" : "tune", std::to_string(hz));
    return "";
}
std::string Tune(Scenario& s, std::string_view text) { return TuneTo(s, text, false); }
std::string Fm(Scenario& s, std::string_view text) { return TuneTo(s, text, true); }

std::string AudioMode(Scenario& s, std::string_view text) {
    if (std::string error = NeedTuner(s); !error.empty()) return error;
    u32 flags = 0;
    if (std::string error = Flags(kAudioModes, text, flags); !error.empty()) return error;
    s.session.tvAudioMode = flags;
    Line(s, "audio-mode", Hex(flags, 2));
    return "";
}

// A property by the board's name for it, or by index.
std::string Property(const Scenario& s, std::string_view name, u32& index) {
    for (const trel::host::PropertyName& p : trel::host::CatalogueEntry(s.board).properties) {
        if (name == p.name) {
            index = p.index;
            return "";
        }
    }
    if (!name.empty() && name[0] >= '0' && name[0] <= '9') return Unsigned(name, index);
    std::string names;
    for (const trel::host::PropertyName& p : trel::host::CatalogueEntry(s.board).properties)
        names += std::string(names.empty() ? "" : ", ") + p.name;
    return BoardName(s) + " has no property '" + std::string(name) + "' (its names: " + names + "; or an index)";
}

// NAME=VALUE[:EXTRA], comma-separated.
std::string SetCtrl(Scenario& s, std::string_view text) {
    for (std::string_view item : List(text)) {
        const auto [name, setting] = SplitAt(item, '=');
        const auto [valueText, extraText] = SplitAt(setting, ':');
        if (name.size() == item.size()) return "expected NAME=VALUE[:EXTRA], got '" + std::string(item) + "'";
        u32 index = 0, value = 0, extra = 0;
        for (std::string error : {Property(s, name, index), Value(valueText, value),
                                  valueText.size() == setting.size() ? std::string() : Unsigned(extraText, extra)})
            if (!error.empty()) return error;
        std::string canonical = std::string(name) + "=" + std::string(valueText);
        if (valueText.size() != setting.size()) canonical += ":" + std::to_string(extra);
        s.steps.push_back({MakeStep(s, Op::SetVideoProperty, {index, value, extra}, canonical), {}});
        Line(s, "set-ctrl", canonical);
    }
    return "";
}

std::string GetCtrl(Scenario& s, std::string_view text) {
    for (std::string_view name : List(text)) {
        u32 index = 0;
        if (std::string error = Property(s, name, index); !error.empty()) return error;
        s.steps.push_back({MakeStep(s, Op::GetVideoProperty, {index, 0, 0}, std::string(name)), {}});
        Line(s, "get-ctrl", std::string(name));
    }
    return "";
}

std::string SetInput(Scenario& s, std::string_view text) {
    if (std::string error = NeedSlot(s, Op::SetCurrentVideoInputId, "input table"); !error.empty()) return error;
    u32 input = 0;
    if (std::string error = Unsigned(text, input); !error.empty()) return error;
    s.steps.push_back({MakeStep(s, Op::SetCurrentVideoInputId, {input, 0, 0}, "input"), {}});
    Line(s, "set-input", std::to_string(input));
    return "";
}

std::string SetSource(Scenario& s, std::string_view text) {
    u32 source = 0;
    if (std::string error = Unsigned(text, source); !error.empty()) return error;
    s.steps.push_back({MakeStep(s, Op::SetVideoProperty, {trel::kPropVideoSource, source, 0}, "source"), {}});
    Line(s, "set-source", std::to_string(source));
    return "";
}

std::string SetStandard(Scenario& s, std::string_view text) {
    u32 mask = 0;
    std::string family;
    if (const auto named = Named(kStandards, text)) {
        mask = *named;
    } else if (const auto familyMask = Named(kStandardFamilies, text)) {
        mask = *familyMask;  // until the formats are read
        family = text;
    } else if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
        if (std::string error = Unsigned(text, mask); !error.empty()) return error;
    } else {
        return "expected a standard (" + NameList(kStandardFamilies) + ", " + NameList(kStandards) +
               ") or a mask, got '" + std::string(text) + "'";
    }
    s.steps.push_back({MakeStep(s, Op::SetVideoProperty, {trel::kPropTvStandard, mask, 0}, "standard"), family});
    Line(s, "set-standard", family.empty() && !Named(kStandards, text) ? Hex(mask, 8) : std::string(text));
    return "";
}

const trel::host::TunerProperty* FindTunerProperty(std::string_view name) {
    for (const trel::host::TunerProperty& p : trel::host::TunerProperties())
        if (name == p.name) return &p;
    return nullptr;
}

// A tuner property's value: the mode and TV-audio mode by name, the frequency with its unit.
std::string TunerValue(const trel::host::TunerProperty& p, std::string_view text, u32& value) {
    if (p.id == 2 || p.id == 1) return Flags(kTunerModes, text, value);
    if (p.id == 10) return Flags(kAudioModes, text, value);
    if (p.id == 4) return Frequency(text, value);
    return Unsigned(text, value);
}

std::string TunerStep(Scenario& s, std::string_view text, bool set) {
    if (std::string error = NeedTuner(s); !error.empty()) return error;
    const auto [name, valueText] = SplitAt(text, '=');
    const trel::host::TunerProperty* p = FindTunerProperty(name);
    if (p == nullptr) {
        std::string names;
        for (const trel::host::TunerProperty& t : trel::host::TunerProperties())
            names += std::string(names.empty() ? "" : ", ") + t.name;
        return "expected a tuner property (" + names + "), got '" + std::string(name) + "'";
    }
    const bool hasValue = name.size() != text.size();
    if (set && !hasValue) return "expected NAME=VALUE, got '" + std::string(text) + "'";
    u32 value = 0;
    if (hasValue)
        if (std::string error = TunerValue(*p, valueText, value); !error.empty()) return error;
    Step step = MakeStep(s, set ? Op::SetTunerProperty : Op::GetTunerProperty, {p->id, 0, 0}, p->name);
    // The value travels in the record where the property has one (its first field).
    const size_t record = set ? 0 : 1;
    if (p->record && hasValue) step.records[record].bytes = U32Bytes(value);
    if (set && !p->record) {
        step.args[1] = value;
        step.records[0].null = true;
    }
    if (!set && !p->record) step.records[1].null = true;
    s.steps.push_back({std::move(step), {}});
    Line(s, set ? "set-tuner" : "get-tuner", hasValue ? std::string(name) + "=" + std::to_string(value) : std::string(name));
    return "";
}
std::string SetTuner(Scenario& s, std::string_view text) { return TunerStep(s, text, true); }
std::string GetTuner(Scenario& s, std::string_view text) { return TunerStep(s, text, false); }

std::string NoCapture(Scenario& s, std::string_view) {
    s.captureStart = false;
    Line(s, "no-capture");
    return "";
}

constexpr Directive kDirectives[] = {
    {"param", "NAME=VALUE", "A host parameter the module queries (\"50Hz\")", Param},
    {"50hz", "N", "The host parameter \"50Hz\" (as param 50Hz=N)", Param50Hz},
    {"answer", "ADDRESS:REGISTER=VALUE", "The register's content before the session (I2C address byte, register, byte)",
     Answer},
    {"signal-50hz", nullptr, "The decoder reports a 50-Hz signal (the answer of the board's signal bit)", Signal50Hz},
    {"fail", "N[=RESULT] | SERVICE[:ADDRESS[:REGISTER]][=RESULT]",
     "Fail the session's N-th host call, or every call of a service to that address and register (* any); "
     "the call returns RESULT (default 1)",
     Fail},
    {"fail-alloc", "N", "The session's N-th pool allocation fails", FailAlloc},
    {"size", "WxH", "Capture size asked at capture start", Size},
    {"standard", "MASK", "TV standard mask programmed by InitVideoSource and asked at capture start", Standard},
    {"tune", "FREQ", "Tune this TV channel (Hz, or with k or M: 471.25M) before capture start", Tune},
    {"fm", "FREQ", "Tune this FM station (Hz, or with k or M: 100M) before capture start", Fm},
    {"audio-mode", "MODE", "TV-audio mode: mono, stereo, lang-a, lang-b (joined with +) or flags", AudioMode},
    {"set-ctrl", "NAME=VALUE[:EXTRA],...", "Set video properties by the board's names (or index)", SetCtrl},
    {"get-ctrl", "NAME,...", "Read video properties", GetCtrl},
    {"set-input", "N", "Select video input N", SetInput},
    {"set-source", "N", "Select video source N (property 0)", SetSource},
    {"set-standard", "NAME|MASK", "Select a TV standard (property 0x1002): ntsc, pal, secam, pal-b, ... or a mask",
     SetStandard},
    {"set-tuner", "NAME=VALUE", "Set a tuner or TV-audio property by name", SetTuner},
    {"get-tuner", "NAME[=VALUE]", "Read a tuner or TV-audio property (VALUE: the record's first field)", GetTuner},
    {"no-capture", nullptr, "Stop before capture start (then close)", NoCapture},
};

// Whether the operation's result is a status (capabilities, input counts and
// types are values; the reserved slots' results mean nothing).
bool ResultIsStatus(Op op) {
    switch (op) {
        case Op::VideoReserved5:
        case Op::VideoReserved7:
        case Op::AudioReserved3:
        case Op::GetVideoSourceCaps:
        case Op::GetAudioSourceCaps:
        case Op::GetVideoInputs:
        case Op::GetVideoInputType:
        case Op::GetAudioInputType: return false;
        default: return trel::host::ReturnsStatus(op);
    }
}

}  // namespace

std::span<const Directive> Directives() { return kDirectives; }

const Directive* FindDirective(std::string_view name) {
    for (const Directive& d : kDirectives)
        if (name == d.name) return &d;
    return nullptr;
}

std::string Apply(Scenario& scenario, const Directive& directive, std::string_view value) {
    return directive.apply(scenario, value);
}

void PrintScript(std::ostream& out, const Scenario& scenario) {
    out << "open " << trel::host::CatalogueBoardName(scenario.board) << '\n';
    for (const std::string& line : scenario.lines) out << line << '\n';
}

void AddWaveformOptions(CLI::App* command, WaveformOutput& waveform) {
    CLI::Option* vcd = command->add_option(
        "--vcd", waveform.file,
        "Write the session's buses to FILE as a logic analyzer's waveform (VCD: scl, sda, step, step_name as UART, "
        "ser_clk, ser_data, ser_load), lasting its wire time");
    vcd->type_name("FILE");
    command
        ->add_option("--bus-clock", waveform.kilohertz, "The bus clock the waveform is drawn at (default 400k)")
        ->type_name("100k|400k")
        ->transform(CLI::Validator(
            [](std::string& text) {
                if (text != "100k" && text != "400k") return "expected 100k or 400k, got '" + text + "'";
                text.pop_back();
                return std::string();
            },
            ""))
        ->needs(vcd);
}

int RunScenario(const Scenario& scenario, bool json, bool explain, const WaveformOutput& waveform) {
    using namespace trel;
    using namespace trel::host;
    std::ofstream vcdFile;
    std::optional<VcdWriter> vcd;
    const auto vcdFailure = [&waveform](int error) {
        std::cerr << "trelhost: cannot write the waveform file '" << waveform.file << "'"
                  << (error != 0 ? std::string(" (") + std::strerror(error) + ")" : "") << '\n';
        return kExitOutput;
    };
    if (!waveform.file.empty()) {
        errno = 0;
        vcdFile.open(waveform.file, std::ios::binary | std::ios::trunc);
        if (!vcdFile) return vcdFailure(errno);
        vcd.emplace(vcdFile, waveform.kilohertz);
    }
    SimHost host;
    const std::unique_ptr<StepReporter> reporter = json ? MakeJsonReporter(std::cout, scenario.board, explain)
                                                        : MakeTextReporter(std::cout, scenario.board, explain);
    const int exitCode = PlayScenario(scenario, host, [&](const SessionStep& step) {
        reporter->Report(step);
        if (vcd) vcd->Add(step);
    });
    reporter->Finish();
    if (vcd) {
        vcd->Finish();
        errno = 0;
        vcdFile.close();
        if (!vcdFile) return vcdFailure(errno);
    }
    return exitCode;
}

int PlayScenario(const Scenario& scenario, trel::host::SimHost& host, const trel::host::StepObserver& observer) {
    using namespace trel;
    using namespace trel::host;
    for (const auto& [name, value] : scenario.parameters) host.SetParameter(name, value);
    for (const auto& a : scenario.answers) host.SetReg(a.address, a.reg, a.value);
    Kernel::Get().ClearTraces();  // the load banner is not part of the session
    for (const auto& f : scenario.failMatching) host.FailMatching(f.service, f.address, f.reg, f.result);
    if (scenario.failCall) host.FailNthCall(scenario.failCall->call, scenario.failCall->result);
    if (scenario.failAllocation != 0) Kernel::Get().FailAllocation(scenario.failAllocation);

    // The usual session, the added steps before capture start.
    std::vector<Step> steps = UsualSession(host.Board(scenario.board), scenario.board, scenario.session);
    auto capture = steps.end() - (steps.empty() ? 0 : 1);  // before CloseBoard
    if (capture != steps.begin() && (capture - 1)->op == Op::OnStartCapture) --capture;
    if (!scenario.captureStart && capture != steps.end() && capture->op == Op::OnStartCapture) capture = steps.erase(capture);
    std::vector<const Scenario::Added*> added(steps.size(), nullptr);
    const auto at = capture - steps.begin();
    for (auto it = scenario.steps.rbegin(); it != scenario.steps.rend(); ++it) {
        steps.insert(steps.begin() + at, it->step);
        added.insert(added.begin() + at, &*it);
    }

    bool problems = false;
    bool failed = false;
    Engine engine(host, [&](const SessionStep& step) {
        problems = problems || !step.problems.empty();
        failed = failed || (ResultIsStatus(step.op) && step.status != kStatusSuccess);
        observer(step);
    });
    std::optional<u32> standardSet;  // the standard last selected by an added step
    for (size_t i = 0; i < steps.size(); ++i) {
        Step& step = steps[i];
        if (added[i] != nullptr && !added[i]->standardName.empty()) {
            const u32 family = step.args[1];
            for (const VideoFormat& format : engine.Formats(step.board)) {
                if ((format.standardMask & family) != 0) {
                    step.args[1] = format.standardMask;
                    break;
                }
            }
        }
        if (step.op == Op::OnStartCapture && !scenario.session.standard && standardSet)
            step.capture.standard = standardSet;
        const SessionStep done = engine.Run(step);
        if (added[i] != nullptr && step.op == Op::SetVideoProperty && step.args[0] == kPropTvStandard &&
            done.status == kStatusSuccess)
            standardSet = step.args[1];
        if (step.op == Op::OpenBoard && done.status != kStatusSuccess) break;
    }
    if (scenario.failAllocation != 0) Kernel::Get().FailAllocation(0);
    return problems ? kExitProblems : failed ? kExitOperationFailed : kExitOk;
}

}  // namespace trelhost
