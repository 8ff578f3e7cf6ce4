// Kestrel test fixture: the board opened through the catalogue, its tables,
// and the bus lines its four devices produce (every call with flags 0x8000).
#pragma once

#include <cstdio>

#include "saa7115_support.h"

namespace trel::test {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

// Bus lines as the simulated host formats them.
inline std::string Hex2(u32 v) {
    char text[8];
    std::snprintf(text, sizeof(text), "%02X", v & 0xFF);
    return text;
}
inline std::string Hex4(u32 v) {
    char text[8];
    std::snprintf(text, sizeof(text), "%04X", v & 0xFFFF);
    return text;
}
inline constexpr const char* kF = " f8000";
// SAA7115 register write.
inline std::string Dec(u32 reg, u32 value) { return "I2C 40 W " + Hex2(reg) + "=" + Hex2(value) + kF; }
// SAA7115 register read answering `value`.
inline std::string DecRead(u32 reg, u32 value) { return "I2C 40 R " + Hex2(reg) + "->" + Hex2(value) + kF; }
// TV-audio decoder write S:RRRR = VVVV.
inline std::string Tv(u32 sub, u32 reg, u32 value) {
    return "SUB 80 " + Hex2(sub) + ":" + Hex4(reg) + "=" + Hex4(value) + kF;
}
// TV-audio decoder control register write.
inline std::string TvCtl(u32 value) { return "SUB 80 00 W " + Hex2(value >> 8) + " " + Hex2(value) + kF; }
// TV-audio decoder read of 11:RRRR answering hi, lo.
inline std::string TvRead(u32 reg, u32 hi, u32 lo) {
    return "SUB 80 11:" + Hex4(reg) + "->" + Hex4(hi << 8 | lo) + kF;
}
// Tuner control write [C2] a b.
inline std::string Ctl(u32 a, u32 b) { return "SUB C2 W " + Hex2(a) + " " + Hex2(b) + kF; }
// IF demodulator write [86 00] a b c.
inline std::string If(u32 a, u32 b, u32 c) { return "SUB 86 00 W " + Hex2(a) + " " + Hex2(b) + " " + Hex2(c) + kF; }
// Tuning word to the tuner module.
inline std::string Word(u32 a, u32 b, u32 c, u32 d) {
    return "BUF C2 W " + Hex2(a) + " " + Hex2(b) + " " + Hex2(c) + " " + Hex2(d) + kF;
}

// Parameter names: hex of a value, "m" for a minus sign.
inline std::string HexName(u32 v) {
    char text[16];
    std::snprintf(text, sizeof(text), "%X", v);
    return text;
}
inline std::string SignedName(s32 v) { return v < 0 ? "m" + std::to_string(-static_cast<int64_t>(v)) : std::to_string(v); }

using Lines = std::vector<std::string>;
inline Lines operator+(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The 13-write standard lists (the same as Heron I's).
inline Lines Standard525() { return Writes(kHeron525, kF); }
inline Lines Standard625() { return Writes(kHeron625, kF); }
// Source selection: 02 then 09.
inline Lines Source(u32 source) {
    constexpr u8 k02[] = {0xC8, 0xC1, 0xC3};
    constexpr u8 k09[] = {0x80, 0x40, 0x40};
    return {Dec(0x02, k02[source]), Dec(0x09, k09[source])};
}

class KestrelTest : public HostTest {
protected:
    void SetUp() override {
        HostTest::SetUp();
        context_ = Open(kKestrel);
        Mark();
    }
    const BoardDescriptor& kestrel() { return board(kKestrel); }
    const VideoOps& video() { return *kestrel().videoOps; }
    const InputOps& inputs() { return *kestrel().inputOps; }
    const TunerOps& tuner() { return *kestrel().tunerOps; }

    // Board state changes made as the host makes them, then the log cleared.
    void UseStandard(u32 standard) {
        ASSERT_EQ(video().SetVideoProperty(context_, device(), kPropTvStandard, standard, 0), 0u);
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
    // Tunes with a full frequency record; channel 30, country 49 unless given.
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
    u32 VideoValue(u32 index) {
        u32 value = 0xEEEEEEEE;
        EXPECT_EQ(video().GetVideoProperty(context_, device(), index, &value), 0u);
        return value;
    }

    void* context_ = nullptr;
};

}  // namespace trel::test
