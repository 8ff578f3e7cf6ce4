// Golden session traces: a board driven through a fixed host session, written
// out step by step (operation, status, bus lines, trace lines, the capture
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
#include <vector>

#include "test_support.h"

namespace trel::test {

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
    void Step(const std::string& operation, std::optional<u32> status) {
        lines_.push_back(status ? operation + " -> " + Hex32(*status) : operation);
        for (const std::string& line : host_.FormattedLog()) lines_.push_back("  " + line);
        for (const std::string& trace : Kernel::Get().Traces()) lines_.push_back("  trace: " + trace);
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
