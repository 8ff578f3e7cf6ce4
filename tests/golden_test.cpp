// Every board through the host's usual session (trelhost run: open, formats,
// stream table, defaults, set-up, audio, inputs, the tuner where asked,
// capture start, close), compared with reviewed transcripts under
// tests/golden/: the exact bus calls with their flags, the traces in order,
// the statuses, the capture fields and the tuner records of each board's
// start-up and capture start.
#include <cctype>

#include "test_support.h"

namespace trel::test {
namespace {

struct GoldenRow {
    size_t board;
    std::string file;  // under tests/golden/
    host::SessionOptions options;
    std::vector<u8> audioStatus;  // Kestrel: the audio status register's answer
};

std::vector<GoldenRow> GoldenRows() {
    std::vector<GoldenRow> rows;
    for (size_t b = 0; b < CatalogueCount(); ++b) {
        std::string name = BoardName(b);
        for (char& c : name) c = c == ' ' ? '_' : static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        rows.push_back({b, name + "_usual_session.txt", {}, {}});
    }
    host::SessionOptions pal;  // Heron I with PAL at CIF: the 625-line list, audio clock and field settings
    pal.standard = 0x5F0;
    pal.captureWidth = 352;
    pal.captureHeight = 288;
    rows.push_back({Board("Heron I"), "heron_i_pal_cif_session.txt", pal, {}});
    host::SessionOptions tv;  // PAL-B/G, 471.25 MHz, language A stereo
    tv.standard = 0x50;
    tv.tvFrequency = 471'250'000;
    tv.tvAudioMode = 0x12;
    rows.push_back({Board("Kestrel"), "kestrel_tv_session.txt", tv, {0x00, 0x40}});
    host::SessionOptions fm;  // 100 MHz, stereo
    fm.fmFrequency = 100'000'000;
    fm.tvAudioMode = 0x02;
    rows.push_back({Board("Kestrel"), "kestrel_fm_session.txt", fm, {}});
    return rows;
}

class GoldenSession : public HostTest, public ::testing::WithParamInterface<GoldenRow> {};

TEST_P(GoldenSession, MatchesTheReviewedTranscript) {
    const GoldenRow& r = GetParam();
    if (!r.audioStatus.empty()) host_.ScriptSubaddressRead({0x80, 0x11, 0x02, 0x00}, r.audioStatus);
    CheckGolden(SessionTranscript(host_, r.board, r.options), r.file);
}

INSTANTIATE_TEST_SUITE_P(Sessions, GoldenSession, ::testing::ValuesIn(GoldenRows()), [](const auto& info) {
    std::string name = info.param.file;
    name = name.substr(0, name.find('.'));
    name.erase(std::remove(name.begin(), name.end(), '_'), name.end());
    return name;
});

}  // namespace
}  // namespace trel::test
