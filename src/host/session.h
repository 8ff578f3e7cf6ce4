// The host's usual sequence on one board: open it, ask its capabilities, bring
// up video and audio, look at its inputs, start a capture and close it. Each
// operation is one step, handed to an observer with what the module printed and
// put on the bus while it ran.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame/host_interface.h"
#include "sim_host.h"

namespace trel::host {

// What the host asks for at capture start, beyond the first format record.
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

// A trace line or a bus call of a step, in the order they happened.
struct SessionEvent {
    enum class Kind { Trace, Bus };
    Kind kind;
    size_t index;  // into SessionStep::traces or SessionStep::bus
};

struct SessionStep {
    std::string operation;
    std::string arguments;
    std::optional<u32> status;        // what the operation returned; none for void operations
    std::vector<std::string> traces;  // complete trace messages
    std::vector<BusCall> bus;
    std::vector<SessionEvent> events;
    // Broken trace patterns, pool misuse, writes past or outside host records.
    std::vector<std::string> problems;

    // Records the operation filled (each set only by the step that fills it).
    std::optional<BoardInfo> boardInfo;
    std::vector<VideoFormat> formats;
    std::optional<VideoPropertySet> properties;
    std::optional<bool> streamFormatTable;  // GetStreamFormatTable: a table was returned
    // A copy of the returned table as it was when the call returned (the module
    // rebuilds it in place at the next call).
    std::shared_ptr<const StreamFormatTable> streamTable;
    std::optional<AudioChipConfig> chipConfig;
    std::optional<CaptureConfig> captureConfig;
    std::optional<std::array<u32, kTunerFrequencyFields>> frequencyRecord;  // GetTunerProperty frequency
    std::optional<u32> tvAudioModes;  // GetTunerProperty, the TV-audio modes available

    std::string StatusText() const;  // "0x00000000", or "none"
};

// CaptureConfig bytes the module may write at capture start; every other byte is the host's.
bool ModuleMayWrite(size_t offset);

using StepObserver = std::function<void(const SessionStep&)>;

// One board driven as the host drives it. The operations run in the order the
// caller chooses; each is reported as a step. Steps of absent tables are skipped.
class Session {
public:
    Session(SimHost& host, size_t boardIndex, StepObserver observer);

    // Runs `call` as one step: collects the traces, bus calls and problems that
    // appear while it runs, and reports the step. `call` makes the module call,
    // may fill the step's records and returns the status (nullopt: none).
    using Call = std::function<std::optional<u32>(SessionStep&)>;
    SessionStep Step(std::string operation, std::string arguments, const Call& call);

    // OpenBoard with a zero-filled BoardInfo; false when it did not succeed.
    bool Open();
    // GetVideoSourceCaps, GetVideoFormats, GetStreamFormatTable, GetDefaultVideoProperties.
    void QueryVideo();
    // GetStreamFormatTable alone; the step holds a copy of the table returned.
    SessionStep QueryStreamFormatTable();
    // InitVideoSource with the default properties, keeping the current source and
    // the current standard, or programming the standard `options` asks for (so that
    // the decoder runs the standard the capture is started with).
    void InitVideo(const SessionOptions& options = {});
    // GetAudioSourceCaps, GetAudioChipconfig, InitAudio with 48 kHz PCM.
    void InitAudio();
    // GetVideoInputs, GetVideoInputType.
    void QueryInputs();
    // Tuner boards: the mode (TV or FM radio) and the frequency record when a
    // frequency is given, the TV-audio mode when one is given, then the frequency
    // record and the available TV-audio modes read back. Nothing without TunerOps.
    void Tune(const SessionOptions& options);
    // OnStartCapture at the size of the first format (the first serving the
    // standard of `options`, when one is given), or the size `options` gives.
    void StartCapture(const SessionOptions& options);
    // CloseBoard; reports allocations still live once the board is closed.
    void Close();

    SimHost& Host() { return host_; }
    const BoardDescriptor& Board() const { return board_; }
    void* Context() const { return context_; }
    const std::vector<VideoFormat>& Formats() const { return formats_; }

private:
    SimHost& host_;
    const BoardDescriptor& board_;
    StepObserver observer_;
    void* context_ = nullptr;
    size_t liveAtOpen_ = 0;
    std::vector<VideoFormat> formats_;
    VideoPropertySet properties_{};
};

// The host's usual sequence: Open, QueryVideo, InitVideo, InitAudio,
// QueryInputs, Tune (when `options` asks for the tuner), StartCapture, Close. Stops after OpenBoard when it fails;
// returns whether the board was opened.
bool RunUsualSequence(SimHost& host, size_t boardIndex, const SessionOptions& options, const StepObserver& observer);

}  // namespace trel::host
