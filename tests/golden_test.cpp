// Every board through the host's usual session (trelhost run: open, formats,
// stream table, defaults, set-up, audio, inputs, the tuner where asked,
// capture start, close), compared with reviewed transcripts under
// tests/golden/: the exact bus calls with their flags, the traces in order,
// the statuses, the capture fields and the tuner records of each board's
// start-up and capture start.
#include "test_support.h"

namespace trel::test {
namespace {

std::vector<host::ReviewedSession> GoldenRows() {
    SimHost host;
    return host::ReviewedSessions(host);
}

class GoldenSession : public HostTest, public ::testing::WithParamInterface<host::ReviewedSession> {};

TEST_P(GoldenSession, MatchesTheReviewedTranscript) {
    const host::ReviewedSession& r = GetParam();
    host::PrepareHost(host_, r);
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
