// Kestrel test fixture: the board opened through the catalogue, its tables,
// and a short notation for the bus lines of its four devices (every call with
// flags 0x8000).
#pragma once

#include "saa7115_support.h"

namespace trel::test {

// Space-separated tokens, each one bus line as the simulated host prints it:
//   0A=FF          SAA7115 write          1F->02        SAA7115 read
//   10:0030=2043   TV-audio write         11:007E->0102 TV-audio read (high, low)
//   ctl=8000       TV-audio control       C2=DE40       tuner control [DE 40]
//   86=167449      IF demodulator [16 74 49]              W=CE041FE2   tuning word
inline Lines K(const std::string& tokens) {
    const auto spaced = [](const std::string& hex) {
        std::string out;
        for (size_t i = 0; i < hex.size(); i += 2) out += " " + hex.substr(i, 2);
        return out;
    };
    Lines lines;
    std::istringstream in(tokens);
    for (std::string t; in >> t;) {
        std::string line;
        if (t.find(':') != std::string::npos) line = "SUB 80 " + t;
        else if (t.rfind("ctl=", 0) == 0) line = "SUB 80 00 W" + spaced(t.substr(4));
        else if (t.rfind("C2=", 0) == 0) line = "SUB C2 W" + spaced(t.substr(3));
        else if (t.rfind("86=", 0) == 0) line = "SUB 86 00 W" + spaced(t.substr(3));
        else if (t.rfind("W=", 0) == 0) line = "BUF C2 W" + spaced(t.substr(2));
        else if (t.find("->") != std::string::npos) line = "I2C 40 R " + t;
        else line = "I2C 40 W " + t;
        lines.push_back(line + " f8000");
    }
    return lines;
}
// Kestrel's SAA7115 set-up table: the listing shared with Heron I but for
// 02=C1, 09=40, 3A=80 and 54=F4.
inline Lines KestrelSetup() {
    return Saa(With(kHeronSetup, {{"02=C9", "02=C1"}, {"09=80", "09=40"}, {"3A=88", "3A=80"}, {"54=FF", "54=F4"}}), " f8000");
}
// The 13-write standard lists (the same as Heron I's) and the source writes.
inline Lines K525() { return Saa(kHeron525, " f8000"); }
inline Lines K625() { return Saa(kHeron625, " f8000"); }
inline Lines KSource(u32 source) { return K(source == 0 ? "02=C8 09=80" : source == 1 ? "02=C1 09=40" : "02=C3 09=40"); }

class KestrelTest : public BoardTest {
protected:
    void SetUp() override {
        BoardTest::SetUp();
        OpenBoard(kKestrel);
    }
    const InputOps& inputs() { return *board(kKestrel).inputOps; }
    const TunerOps& tuner() { return *board(kKestrel).tunerOps; }

    // Board state changes made as the host makes them, then the log cleared.
    void UseStandard(u32 standard) {
        ASSERT_EQ(Set(kPropTvStandard, standard), 0u);
        Mark();
    }
    void UseLineInput() {
        ASSERT_EQ(inputs().Set_Current_Audio_InputID(context_, device(), 4), 0u);
        Mark();
    }
    void UseTunerMode(u32 mode) {
        ASSERT_EQ(tuner().SetTunerProperty(context_, device(), 2, mode, nullptr), 0u);
        Mark();
    }
    void UseAudioMode(u32 flags) {
        ASSERT_EQ(tuner().SetTunerProperty(context_, device(), 10, flags, nullptr), 0u);
        Mark();
    }
    // Tunes with a full frequency record: last hz - 1, flags 0x55, channel 30.
    u32 Tune(u32 hz, u32 country = 49) {
        u32 record[kTunerFrequencyFields] = {hz, hz - 1, 0x55, 7, 8, 30, country};
        return tuner().SetTunerProperty(context_, device(), 4, 0, record);
    }
    std::vector<u32> FrequencyRecord() {
        std::vector<u32> record(kTunerFrequencyFields, 0xEEEEEEEE);
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), 4, nullptr, record.data()), 0u);
        return record;
    }
    u32 TunerValue(u32 id) {
        u32 value = 0xEEEEEEEE;
        EXPECT_EQ(tuner().GetTunerProperty(context_, device(), id, &value, nullptr), 0u);
        return value;
    }
};

}  // namespace trel::test
