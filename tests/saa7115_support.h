// Test support for the SAA7115 boards: the register lists as the boards list
// them (transcribed, never computed), bus-line builders, the host's capture
// record, and golden session traces.
//
// A golden session is a board driven through a fixed host session, written out
// step by step (operation, status, bus lines, trace lines, the capture
// configuration fields) and compared with a reviewed file under tests/golden/.
// TREL_UPDATE_GOLDEN=1 rewrites the files instead (review the diff before
// committing it).
#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "test_support.h"

namespace trel::test {

inline constexpr u32 kKeep = 0xFFFFFFFF;
inline constexpr u32 kInvalid = 0xFFFFFFFF;
inline constexpr u32 kBusFailure = 0xFFFFFFFD;
inline constexpr u32 kNotSupported = 0xFFFFFFFC;

// "9E=F2 9F=00" -> {"I2C 40 W 9E=F2", "I2C 40 W 9F=00"}; `suffix` carries flags (" f8000").
inline std::vector<std::string> Writes(const std::string& list, const std::string& suffix = "") {
    std::vector<std::string> lines;
    std::istringstream in(list);
    for (std::string entry; in >> entry;) lines.push_back("I2C 40 W " + entry + suffix);
    return lines;
}
inline std::vector<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
    std::vector<std::string> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Heron I's decoder set-up table.
inline const std::string kHeronSetup =
    "01=08 02=C9 03=20 04=80 05=80 06=EB 07=E0 08=F0 09=80 0A=80 0B=40 0C=40 0D=00 0E=03 0F=2A 10=0E "
    "11=00 12=8D 13=00 14=00 15=11 16=01 17=DA 18=40 19=80 1A=00 1B=42 1C=A9 30=66 31=90 32=01 34=00 "
    "35=00 36=20 38=03 39=20 3A=88 40=00 41=FF 42=FF 43=FF 44=FF 45=FF 46=FF 47=FF 48=FF 49=FF 4A=FF "
    "4B=FF 4C=FF 4D=FF 4E=FF 4F=FF 50=FF 51=FF 52=FF 53=FF 54=FF 55=FF 56=FF 57=FF 58=40 59=47 5A=06 "
    "5B=83 5D=06 5E=00 80=30 81=03 83=00 84=00 85=00 86=45 87=31 88=C0 90=02 91=08 92=09 93=80 94=02 "
    "95=00 96=D0 97=02 98=10 99=00 9A=F2 9B=00 9C=D0 9D=02 9E=F2 9F=00 A0=01 A1=00 A2=00 A4=80 A5=40 "
    "A6=40 A8=00 A9=04 AA=00 AC=00 AD=02 AE=00 B0=00 B1=04 B2=00 B3=04 B4=00 B8=00 BC=00 C0=03 C1=08 "
    "C2=09 C3=80 C4=02 C5=00 C6=D0 C7=02 C8=10 C9=00 CA=F2 CB=00 CC=D0 CD=02 CE=F2 CF=00 D0=01 D1=00 "
    "D2=00 D4=80 D5=40 D6=40 D8=00 D9=04 DA=00 DC=00 DD=02 DE=00 E0=00 E1=04 E2=00 E3=04 E4=00 E8=00 "
    "88=F0";
// Bittern's, as its own listing gives it (3A=80 and 54=F4 differ from Heron I's).
inline const std::string kBitternSetup =
    "01=08 02=C9 03=20 04=80 05=80 06=EB 07=E0 08=F0 09=80 0A=80 0B=40 0C=40 0D=00 0E=03 0F=2A 10=0E "
    "11=00 12=8D 13=00 14=00 15=11 16=01 17=DA 18=40 19=80 1A=00 1B=42 1C=A9 "
    "30=66 31=90 32=01 34=00 35=00 36=20 38=03 39=20 3A=80 "
    "40=00 41=FF 42=FF 43=FF 44=FF 45=FF 46=FF 47=FF 48=FF 49=FF 4A=FF 4B=FF 4C=FF 4D=FF 4E=FF 4F=FF 50=FF "
    "51=FF 52=FF 53=FF 54=F4 55=FF 56=FF 57=FF 58=40 59=47 5A=06 5B=83 5D=06 5E=00 "
    "80=30 81=03 83=00 84=00 85=00 86=45 87=31 88=C0 "
    "90=02 91=08 92=09 93=80 94=02 95=00 96=D0 97=02 98=10 99=00 9A=F2 9B=00 9C=D0 9D=02 9E=F2 9F=00 "
    "A0=01 A1=00 A2=00 A4=80 A5=40 A6=40 A8=00 A9=04 AA=00 AC=00 AD=02 AE=00 B0=00 B1=04 B2=00 B3=04 B4=00 "
    "B8=00 BC=00 "
    "C0=03 C1=08 C2=09 C3=80 C4=02 C5=00 C6=D0 C7=02 C8=10 C9=00 CA=F2 CB=00 CC=D0 CD=02 CE=F2 CF=00 "
    "D0=01 D1=00 D2=00 D4=80 D5=40 D6=40 D8=00 D9=04 DA=00 DC=00 DD=02 DE=00 E0=00 E1=04 E2=00 E3=04 E4=00 "
    "E8=00 88=F0";
// TV standard lists: Heron I 13 writes, Bittern 12 (no 5A, 14 in 98/C8).
inline const std::string kHeron525 = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0 5A=06";
inline const std::string kHeron625 = "88=C0 98=16 9A=20 9B=01 9E=20 9F=01 C8=16 CA=20 CB=01 CE=20 CF=01 88=F0 5A=03";
inline const std::string kBittern525 = "88=C0 98=10 9A=F2 9B=00 9E=F2 9F=00 C8=10 CA=F2 CB=00 CE=F2 CF=00 88=F0";
inline const std::string kBittern625 = "88=C0 98=14 9A=20 9B=01 9E=20 9F=01 C8=14 CA=20 CB=01 CE=20 CF=01 88=F0";

// The host's capture record: 0x5A everywhere but the fields it fills.
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

inline std::string Hex32(u32 value) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08X", value);
    return text;
}

class GoldenSession {
public:
    explicit GoldenSession(SimHost& host) : host_(host) {}

    // Records one step: what ran, its status, then the bus and trace lines it
    // produced (the log and traces are cleared for the next step).
    // Bus lines and trace lines interleave in the order they happened.
    void Step(const std::string& operation, std::optional<u32> status) {
        lines_.push_back(status ? operation + " -> " + Hex32(*status) : operation);
        const std::vector<BusCall>& log = host_.Log();
        const std::vector<std::string>& traces = Kernel::Get().Traces();
        const std::vector<uint64_t>& order = Kernel::Get().TraceOrder();
        size_t b = 0;
        size_t t = 0;
        while (b < log.size() || t < traces.size()) {
            if (b == log.size() || (t < traces.size() && order[t] < log[b].sequence)) {
                lines_.push_back("  trace: " + traces[t++]);
            } else {
                lines_.push_back("  " + log[b++].Format());
            }
        }
        host_.ClearLog();
        Kernel::Get().ClearTraces();
    }
    void Note(const std::string& line) { lines_.push_back("  " + line); }
    void CaptureFields(const CaptureConfig& config) {
        std::ostringstream out;
        out << "config: hOffset " << config.hOffset << " vOffset " << config.vOffset << " widthDoubled "
            << unsigned(config.widthDoubled) << " heightDoubled " << unsigned(config.heightDoubled)
            << " sizeFlag3 " << unsigned(config.sizeFlag3);
        Note(out.str());
    }

    // The default session: open, the default properties, InitVideoSource keeping
    // source and standard, capture start at 720x480 NTSC and 352x288 PAL, close.
    void Run(size_t index) {
        const BoardDescriptor& board = host_.Board(index);
        void* context = nullptr;
        BoardInfo info{};
        Step("OpenBoard", board.boardOps->OpenBoard(nullptr, &context, &info));
        if (context == nullptr) return;
        VideoPropertySet properties{};
        board.videoOps->GetDefaultVideoProperties(context, host_.Device(), &properties);
        Step("GetDefaultVideoProperties", std::nullopt);
        Step("InitVideoSource(0xFFFFFFFF, 0xFFFFFFFF, defaults)",
             board.videoOps->InitVideoSource(context, host_.Device(), 0xFFFFFFFF, 0xFFFFFFFF, &properties));
        for (const auto& [mask, w, h] : {std::tuple{0xA07u, 720u, 480u}, std::tuple{0x5F0u, 352u, 288u}}) {
            Guarded<CaptureConfig> config = HostConfig(mask, w, h, 0);
            const u32 status = board.videoOps->OnStartCapture(context, host_.Device(), config.get());
            Step("OnStartCapture(" + Hex32(mask) + ", " + std::to_string(w) + "x" + std::to_string(h) + ")", status);
            CaptureFields(*config.get());
        }
        Step("CloseBoard", board.boardOps->CloseBoard(context));
    }

    // Compares with tests/golden/<name>, or rewrites it under TREL_UPDATE_GOLDEN.
    void Check(const std::string& name) const {
        const std::filesystem::path path = std::filesystem::path(__FILE__).parent_path() / "golden" / name;
        if (const char* update = std::getenv("TREL_UPDATE_GOLDEN"); update != nullptr && *update == '1') {
            std::vector<std::string> header;  // the review notes at the top stay
            std::ifstream old(path);
            for (std::string line; std::getline(old, line) && !line.empty() && line[0] == '#';) header.push_back(line);
            old.close();
            std::ofstream out(path);
            for (const std::string& line : header) out << line << "\n";
            for (const std::string& line : lines_) out << line << "\n";
            return;
        }
        std::ifstream in(path);
        ASSERT_TRUE(in.good()) << "missing " << path << " (run with TREL_UPDATE_GOLDEN=1 and review it)";
        std::vector<std::string> expected;
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line[0] != '#') expected.push_back(line);
        }
        EXPECT_THAT(lines_, ::testing::ElementsAreArray(expected)) << "golden file " << path;
    }

    const std::vector<std::string>& Lines() const { return lines_; }

private:
    SimHost& host_;
    std::vector<std::string> lines_;
};

}  // namespace trel::test
