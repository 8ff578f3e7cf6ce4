// Kestrel golden sessions: a TV session (PAL-B/G, 471.25 MHz, stereo) and an
// FM session (100 MHz), each from open to close, compared with reviewed
// traces under tests/golden/.
#include "kestrel_support.h"
#include "session.h"

namespace trel::test {
namespace {

class KestrelSessionTest : public HostTest {
protected:
    const BoardDescriptor& kestrel() { return board(kKestrel); }

    void* OpenAndInit(GoldenSession& golden, u32 standard) {
        void* context = nullptr;
        BoardInfo info{};
        golden.Step("OpenBoard", kestrel().boardOps->OpenBoard(nullptr, &context, &info));
        EXPECT_NE(context, nullptr);
        kestrel().videoOps->GetDefaultVideoProperties(context, device(), &properties_);
        golden.Step("GetDefaultVideoProperties", std::nullopt);
        golden.Step("InitVideoSource(" + Hex32(standard) + ", 0xFFFFFFFF, defaults)",
                    kestrel().videoOps->InitVideoSource(context, device(), standard, 0xFFFFFFFF, &properties_));
        AudioConfig audio{1, 48000, 0, 0};
        golden.Step("InitAudio(48000)", kestrel().audioOps->InitAudio(context, device(), &audio));
        return context;
    }
    void SetTuner(GoldenSession& golden, void* context, u32 id, u32 value, u32* record, const std::string& what) {
        golden.Step("SetTunerProperty(" + what + ")",
                    kestrel().tunerOps->SetTunerProperty(context, device(), id, value, record));
    }
    void Capture(GoldenSession& golden, void* context, u32 mask, u32 width, u32 height) {
        Guarded<CaptureConfig> config = HostConfig(mask, width, height, 0);
        golden.Step("OnStartCapture(" + Hex32(mask) + ", " + std::to_string(width) + "x" + std::to_string(height) + ")",
                    kestrel().videoOps->OnStartCapture(context, device(), config.get()));
        golden.CaptureFields(*config.get());
    }
    void ReadFrequency(GoldenSession& golden, void* context) {
        u32 record[kTunerFrequencyFields] = {};
        const u32 status = kestrel().tunerOps->GetTunerProperty(context, device(), 4, nullptr, record);
        golden.Step("GetTunerProperty(frequency)", status);
        std::string line = "record:";
        for (u32 field : record) line += " " + std::to_string(field);
        golden.Note(line);
    }

    VideoPropertySet properties_{};
};

TEST_F(KestrelSessionTest, TvSessionPalBG) {
    GoldenSession golden(host_);
    Mark();
    void* context = OpenAndInit(golden, 0x50);
    SetTuner(golden, context, 2, 1, nullptr, "mode TV");
    u32 record[kTunerFrequencyFields] = {471'250'000, 0, 0, 0, 0, 21, 49};
    SetTuner(golden, context, 4, 0, record, "frequency 471250000");
    host_.ScriptSubaddressRead({0x80, 0x11, 0x02, 0x00}, {0x00, 0x40});
    u32 modes = 0;
    golden.Step("GetTunerProperty(audio modes)", kestrel().tunerOps->GetTunerProperty(context, device(), 8, &modes, nullptr));
    golden.Note("value: " + Hex32(modes));
    SetTuner(golden, context, 10, 0x12, nullptr, "audio mode 0x12");
    Capture(golden, context, 0x5F0, 720, 576);
    ReadFrequency(golden, context);
    golden.Step("CloseBoard", kestrel().boardOps->CloseBoard(context));
    golden.Check("kestrel_tv_session.txt");
}

TEST_F(KestrelSessionTest, FmSession) {
    GoldenSession golden(host_);
    Mark();
    void* context = OpenAndInit(golden, 0xFFFFFFFF);
    SetTuner(golden, context, 2, 2, nullptr, "mode FM");
    SetTuner(golden, context, 10, 0x02, nullptr, "audio mode 0x02");
    u32 record[kTunerFrequencyFields] = {100'000'000, 0, 0, 0, 0, 0, 49};
    SetTuner(golden, context, 4, 0, record, "frequency 100000000");
    Capture(golden, context, 0xA07, 720, 480);
    ReadFrequency(golden, context);
    golden.Step("CloseBoard", kestrel().boardOps->CloseBoard(context));
    golden.Check("kestrel_fm_session.txt");
}

// The host's usual sequence with the tuner (trelhost run --tune / --fm /
// --audio-mode): mode, TV-audio mode, frequency, then the record and the
// available modes read back, before the capture at the standard's format.
std::vector<host::SessionStep> RunSession(SimHost& host, size_t index, const host::SessionOptions& options) {
    std::vector<host::SessionStep> steps;
    EXPECT_TRUE(host::RunUsualSequence(host, index, options, [&](const host::SessionStep& s) { steps.push_back(s); }));
    for (const host::SessionStep& step : steps) EXPECT_THAT(step.problems, IsEmpty()) << step.operation;
    return steps;
}

std::vector<std::string> Operations(const std::vector<host::SessionStep>& steps, size_t from, size_t count) {
    std::vector<std::string> names;
    for (size_t i = from; i < from + count && i < steps.size(); ++i) names.push_back(steps[i].operation + " " + steps[i].arguments);
    return names;
}

constexpr size_t kTuneStepsFrom = 11;  // after GetVideoInputType

TEST_F(HostTest, HostSessionTunesATvChannelBeforeCapture) {
    host::SessionOptions options;
    options.standard = 0x10;
    options.tvFrequency = 471'250'000;
    options.tvAudioMode = 0x12;
    host_.ScriptSubaddressRead({0x80, 0x11, 0x02, 0x00}, {0x00, 0x40});
    const auto steps = RunSession(host_, kKestrel, options);
    ASSERT_EQ(steps.size(), 18u);
    EXPECT_THAT(Operations(steps, kTuneStepsFrom, 6),
                ElementsAre("SetTunerProperty context, device, id=2 (mode), value=1 (TV)",
                            "SetTunerProperty context, device, id=10 (TV-audio mode), value=0x00000012",
                            "SetTunerProperty context, device, id=4 (frequency), record={471250000 Hz, 0, ...}",
                            "GetTunerProperty context, device, id=4 (frequency), record",
                            "GetTunerProperty context, device, id=8 (TV-audio modes available), value",
                            "OnStartCapture context, device, config={standard 0x00000010, 720x576}"));
    EXPECT_EQ(steps[kTuneStepsFrom + 2].bus.front().Format(), K("W=CE041FE2").front());
    ASSERT_TRUE(steps[kTuneStepsFrom + 3].frequencyRecord.has_value());
    EXPECT_THAT(*steps[kTuneStepsFrom + 3].frequencyRecord, ElementsAre(471'250'000, 0, 3, 0, 0, 0, 0));
    EXPECT_EQ(steps[kTuneStepsFrom + 4].tvAudioModes, std::optional<u32>(0x13));
    for (size_t i = kTuneStepsFrom; i < kTuneStepsFrom + 5; ++i) EXPECT_EQ(steps[i].status, std::optional<u32>(0));
}

TEST_F(HostTest, HostSessionTunesAnFmStation) {
    host::SessionOptions options;
    options.fmFrequency = 100'000'000;
    const auto steps = RunSession(host_, kKestrel, options);
    ASSERT_EQ(steps.size(), 17u);
    EXPECT_EQ(steps[kTuneStepsFrom].arguments, "context, device, id=2 (mode), value=2 (FM radio)");
    EXPECT_EQ(steps[kTuneStepsFrom + 1].bus.front().Format(), K("W=881908A6").front());  // no mono bit in 0x10
    EXPECT_EQ((*steps[kTuneStepsFrom + 2].frequencyRecord)[0], 100'000'000u);
}

TEST_F(HostTest, HostSessionLeavesBoardsWithoutTunerUntuned) {
    host::SessionOptions options;
    options.tvFrequency = 471'250'000;
    const auto steps = RunSession(host_, kHeronI, options);
    for (const host::SessionStep& step : steps) EXPECT_EQ(step.operation.find("Tuner"), std::string::npos);
}

}  // namespace
}  // namespace trel::test
