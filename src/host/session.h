// Step lists the host runs on the engine: the host's usual session on one
// board, and every operation of a board as the measuring tools call it.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine.h"

namespace trel::host {

// What the host asks for beyond its defaults.
struct SessionOptions {
    std::optional<u32> captureWidth;
    std::optional<u32> captureHeight;
    std::optional<u32> standard;
    // Tuner boards: a TV channel or an FM station to tune (Hz), and the TV-audio
    // mode flags to set; none of them: the tuner is left alone.
    std::optional<u32> tvFrequency = std::nullopt;
    std::optional<u32> fmFrequency = std::nullopt;
    std::optional<u32> tvAudioMode = std::nullopt;

    bool UsesTuner() const { return tvFrequency || fmFrequency || tvAudioMode; }
};

// The kernel-streaming tuner properties (Get/SetTunerProperty ids) by the
// names the host's tools give them; `record`: the call passes a record of
// u32 fields (mode capabilities, frequency, status) rather than one value.
struct TunerProperty {
    const char* name;
    u32 id;
    bool record;
};
std::span<const TunerProperty> TunerProperties();

// The host's usual sequence on a board: open it; GetVideoSourceCaps,
// GetVideoFormats, GetStreamFormatTable, GetDefaultVideoProperties;
// InitVideoSource with the defaults read, keeping the current source and the
// current standard or programming the standard `options` asks for; the audio
// capabilities, chip configuration and InitAudio with 48 kHz PCM; the video
// inputs and input type; on a tuner board when `options` asks, the mode and
// the frequency record, the TV-audio mode, the frequency record and the
// available TV-audio modes read back; OnStartCapture at the first format
// (the first serving the asked standard) or the asked size; CloseBoard.
// Slots of absent tables are left out.
std::vector<Step> UsualSession(const BoardDescriptor& board, size_t boardIndex, const SessionOptions& options = {});

// Every operation of the board's tables, with the arguments of the host's
// default session, and one call per case that takes its own path (property
// indexes, tuner properties, inputs): OpenBoard first, CloseBoard last, each
// labelled with its case ("brightness 60"; "" for the plain call).
std::vector<Step> OperationCases(const BoardDescriptor& board, size_t boardIndex);

// The sessions of the reviewed transcripts (tests/golden/<file>): every
// board's usual session, Heron I with PAL at CIF, Kestrel tuned to a TV
// channel (with the TV-audio status answering `audioStatus`) and to an FM station.
struct ReviewedSession {
    size_t board;
    std::string file;
    SessionOptions options;
    std::vector<u8> audioStatus;  // the TV-audio decoder's status register answers this (empty: zeros)
};
std::vector<ReviewedSession> ReviewedSessions(const SimHost& host);
// Sets up the host's answers the session asks for.
void PrepareHost(SimHost& host, const ReviewedSession& session);

// Runs the usual session on a fresh engine; returns whether the board opened.
bool RunUsualSequence(SimHost& host, size_t boardIndex, const SessionOptions& options, const StepObserver& observer);

}  // namespace trel::host
