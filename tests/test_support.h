// Shared fixture and helpers: every test drives the module as the host does,
// through GetBoardModuleCaps, the catalogue and the operation tables.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <initializer_list>
#include <string_view>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <utility>
#include <string>
#include <vector>

#include "catalogue.h"
#include "session.h"
#include "sim_host.h"
#include "trace_texts.h"
#include "transcript.h"

namespace trel::test {

using host::BusCall;
using host::Guarded;
using host::Kernel;
using host::Service;
using host::SimHost;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;
using Lines = std::vector<std::string>;

// The module's catalogue, read once as the host reads it (GetBoardModuleCaps
// with the active host's table, so nothing changes for the host).
inline const BoardDescriptor* const* ModuleCatalogue(u32* count) {
    static u32 n = 0;
    static const BoardDescriptor* const* catalogue = [] {
        const BoardDescriptor* const* c = nullptr;
        host::SimHost* active = host::ActiveHost();
        host::Module::Get().GetBoardModuleCaps(nullptr, active != nullptr ? active->Registered() : nullptr, &c, &n);
        return c;
    }();
    if (count != nullptr) *count = n;
    return catalogue;
}
inline size_t CatalogueCount() {
    u32 count = 0;
    ModuleCatalogue(&count);
    return count;
}

// The catalogue index of a board of the tests' table (tests/catalogue.h),
// found by its ids; a board the module lacks stops the suite, named.
inline size_t Board(std::string_view name) {
    u32 count = 0;
    const BoardDescriptor* const* catalogue = ModuleCatalogue(&count);
    for (const ExpectedBoard& e : kCatalogue) {
        if (name != e.name) continue;
        for (u32 i = 0; i < count; ++i) {
            const BoardDescriptor& d = *catalogue[i];
            if (d.vendorId == e.vendor && d.productId == e.product && d.revision == e.revision) return i;
        }
        std::fprintf(stderr, "the module's catalogue has no board %s (%04X:%04X revision 0x%04X)\n", e.name, e.vendor,
                     e.product, e.revision);
        std::abort();
    }
    std::fprintf(stderr, "no board named %s in tests/catalogue.h\n", std::string(name).c_str());
    std::abort();
}

// The tests' row of catalogue entry `index`, by its ids (null: none).
inline const ExpectedBoard* ExpectedRow(size_t index) {
    u32 count = 0;
    const BoardDescriptor* const* catalogue = ModuleCatalogue(&count);
    if (index >= count) return nullptr;
    const BoardDescriptor& d = *catalogue[index];
    for (const ExpectedBoard& e : kCatalogue)
        if (d.vendorId == e.vendor && d.productId == e.product && d.revision == e.revision) return &e;
    return nullptr;
}

// Every board of the module's catalogue, as test parameters.
inline auto AllBoards() { return ::testing::Range<size_t>(0, CatalogueCount()); }
// The named boards, as test parameters.
inline std::vector<size_t> Boards(std::initializer_list<const char*> names) {
    std::vector<size_t> indexes;
    for (const char* name : names) indexes.push_back(Board(name));
    return indexes;
}

inline constexpr u32 kKeep = 0xFFFFFFFF;
inline constexpr u32 kInvalid = 0xFFFFFFFF;
inline constexpr u32 kBusFailure = 0xFFFFFFFD;
inline constexpr u32 kNotSupported = 0xFFFFFFFC;

// A fresh simulated host per test; the kernel's trace and pool state is reset
// and checked afterwards (well-formed traces, no pool misuse, nothing leaked).
class HostTest : public ::testing::Test {
protected:
    void SetUp() override {
        Kernel::Get().ClearTraces();
        Kernel::Get().ClearPoolErrors();
        Kernel::Get().FailAllocation(0);
        Kernel::Get().FailAllAllocations(false);
        liveAtStart_ = Kernel::Get().LiveAllocations().size();
    }
    void TearDown() override {
        EXPECT_THAT(Kernel::Get().TraceErrors(), ::testing::IsEmpty());
        EXPECT_THAT(Kernel::Get().PoolErrors(), ::testing::IsEmpty());
        for (void* context : opened_) board(openedIndex_.at(context)).boardOps->CloseBoard(context);
        EXPECT_EQ(Kernel::Get().LiveAllocations().size(), liveAtStart_);
    }

    const BoardDescriptor& board(size_t index) { return host_.Board(index); }
    void* device() { return host_.Device(); }

    // Opens a board and closes it at the end of the test.
    void* Open(size_t index, BoardInfo* info = nullptr) {
        BoardInfo scratch{};
        void* context = nullptr;
        EXPECT_EQ(board(index).boardOps->OpenBoard(nullptr, &context, info ? info : &scratch), kStatusSuccess);
        if (context != nullptr) {
            opened_.push_back(context);
            openedIndex_[context] = index;
        }
        return context;
    }

    // Log and traces from here on.
    void Mark() {
        host_.ClearLog();
        Kernel::Get().ClearTraces();
    }
    std::vector<std::string> Bus() const { return host_.FormattedLog(); }
    const std::vector<std::string>& Traces() const { return Kernel::Get().Traces(); }

    SimHost host_;
    std::vector<void*> opened_;
    std::map<void*, size_t> openedIndex_;
    size_t liveAtStart_ = 0;
};

// A board's name for messages and test names: its row in tests/catalogue.h,
// or its ids when the tests do not know it (the catalogue test then fails).
inline std::string BoardName(size_t index) {
    if (const ExpectedBoard* row = ExpectedRow(index)) return row->name;
    u32 count = 0;
    const BoardDescriptor* const* catalogue = ModuleCatalogue(&count);
    if (index >= count) return "Missing" + std::to_string(index);
    return Line("Unknown_%04X_%04X_%04X", catalogue[index]->vendorId, catalogue[index]->productId, catalogue[index]->revision);
}

// The name per-board expectations are keyed by: the board's own, or that of
// the board whose hardware it is (tests/catalogue.h).
inline std::string BoardKey(size_t index) {
    const ExpectedBoard* row = ExpectedRow(index);
    return row != nullptr && row->hardware != nullptr ? row->hardware : BoardName(index);
}

// For parameterised tests: readable test names from board indexes.
inline std::string BoardParamName(const ::testing::TestParamInfo<size_t>& info) {
    std::string name = BoardName(info.param);
    name.erase(std::remove(name.begin(), name.end(), ' '), name.end());
    return name;
}

// Bus lines as the simulated host prints them, from a blank-separated list:
// "0A=99" gives "I2C <address> W 0A=99<suffix>", "1F->02" a read; with an
// empty address every entry is a whole line with '_' for blanks ("SER_5E/1/28").
inline Lines Writes(u8 address, const std::string& list, const std::string& suffix = "") {
    Lines lines;
    std::istringstream in(list);
    const std::string prefix = Line("I2C %02X ", address);
    for (std::string entry; in >> entry;) {
        if (address == 0) {
            std::replace(entry.begin(), entry.end(), '_', ' ');
            lines.push_back(entry);
        } else {
            lines.push_back(prefix + std::string(entry.find("->") != std::string::npos ? "R " : "W ") + entry + suffix);
        }
    }
    return lines;
}
inline Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The trace lines of InitVideoSource applying a property set.
inline Lines PropertyTraces(const VideoPropertySet& set) {
    Lines lines;
    for (u32 i = 0; i < kVideoPropertyCount; ++i) lines.push_back(Line(kSetVideoProperty, i + 1, set.value[i]));
    return lines;
}

template <typename T>
std::vector<u8> BytesOf(const T& record) {
    const auto* p = reinterpret_cast<const u8*>(&record);
    return {p, p + sizeof(T)};
}

inline std::string Hex32(u32 value) { return Line("0x%08X", value); }
// Pieces of parameterised test names (letters, digits and '_' only).
inline std::string NameHex(u32 value) { return Hex32(value).substr(2); }
inline std::string NameBoard(size_t index) { return BoardParamName({index, 0}); }

// The host's capture record: `fill` everywhere but the fields it fills.
inline Guarded<CaptureConfig> HostConfig(u32 mask, u32 width, u32 height, u8 fill = 0x5A) {
    Guarded<CaptureConfig> config(fill);
    config->standardMask = mask;
    config->captureWidth = width;
    config->captureHeight = height;
    return config;
}
// Every byte of the record and its guard, so a stray write shows by offset.
inline void ExpectSameBytes(const Guarded<CaptureConfig>& actual, const Guarded<CaptureConfig>& expected) {
    for (size_t i = 0; i < sizeof(actual.bytes); ++i) ASSERT_EQ(actual.bytes[i], expected.bytes[i]) << "byte " << i;
}

// One opened board; Mark() has been called once it is open.
class BoardTest : public HostTest {
protected:
    void OpenBoard(size_t index) {
        index_ = index;
        context_ = Open(index);
        Mark();
    }
    const VideoOps& video() { return *board(index_).videoOps; }
    u32 Set(u32 index, u32 value, u32 extra = 0) { return video().SetVideoProperty(context_, device(), index, value, extra); }
    u32 Get(u32 index, u32* value) { return video().GetVideoProperty(context_, device(), index, value); }
    u32 Property(u32 index) {
        u32 value = 0xDEADBEEF;
        EXPECT_EQ(Get(index, &value), 0u);
        return value;
    }
    u32 Init(u32 standard, u32 source, const VideoPropertySet& set) {
        return video().InitVideoSource(context_, device(), standard, source, &set);
    }
    u32 Capture(Guarded<CaptureConfig>& config) { return video().OnStartCapture(context_, device(), config.get()); }
    u32 SelectInput(u32 input) { return board(index_).inputOps->Set_Current_Video_InputID(context_, device(), input); }
    u32 InputType() { return board(index_).inputOps->GetVideoInputType(context_); }
    VideoPropertySet Defaults() {
        VideoPropertySet set{};
        video().GetDefaultVideoProperties(context_, device(), &set);
        return set;
    }

    size_t index_ = 0;
    void* context_ = nullptr;
};

// The host's usual session on one board (open, formats, defaults, set-up
// with the standard `options` names or keeping the current one, audio,
// inputs, the tuner as `options` asks, capture at the first format, close) as
// text, in the host kit's transcript format (transcript.h).
inline Lines SessionTranscript(SimHost& host, size_t board, const host::SessionOptions& options = {}) {
    Lines text;
    host::RunUsualSequence(host, board, options, [&text](const host::SessionStep& step) {
        const Lines lines = host::TranscriptLines(step);
        text.insert(text.end(), lines.begin(), lines.end());
    });
    return text;
}

// Compares `lines` with the reviewed file tests/golden/<name> (lines starting
// with '#' are review notes). TREL_UPDATE_GOLDEN=1 rewrites the file instead,
// keeping its notes: review the diff before committing it.
inline void CheckGolden(const Lines& lines, const std::string& name) {
    const std::filesystem::path path = std::filesystem::path(__FILE__).parent_path() / "golden" / name;
    Lines notes;
    Lines expected;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty()) (line[0] == '#' ? notes : expected).push_back(line);
    in.close();
    if (const char* update = std::getenv("TREL_UPDATE_GOLDEN"); update != nullptr && *update == '1') {
        std::ofstream out(path);
        for (const Lines* part : {&std::as_const(notes), &lines})
            for (const std::string& line : *part) out << line << "\n";
        return;
    }
    ASSERT_FALSE(expected.empty()) << "missing " << path << " (run with TREL_UPDATE_GOLDEN=1 and review it)";
    EXPECT_THAT(lines, ::testing::ElementsAreArray(expected)) << "golden file " << path;
}

}  // namespace trel::test
