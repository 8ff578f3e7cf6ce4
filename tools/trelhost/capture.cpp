// Reading a capture through sigrok-cli: its channels (--show), then its I2C
// annotations (-P i2c -A i2c=...), which become wire transactions here. The
// bits are sigrok's decoder's business; this file only groups its
// annotations, start to stop.
#include "capture.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "input.h"

#ifndef _WIN32
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace trelhost {
namespace {

// sigrok-cli, or the program TREL_SIGROK_CLI names.
std::string SigrokCli() {
    const char* program = std::getenv("TREL_SIGROK_CLI");
    return program != nullptr && *program != '\0' ? program : "sigrok-cli";
}

struct Child {
    bool started = false;
    int status = -1;     // the exit status
    std::string output;  // stdout and stderr, as they came
};

#ifdef _WIN32
Child RunChild(const std::vector<std::string>&) { return {}; }
constexpr const char* kCannotStart = "this build of trelhost does not start it; run compare on Linux";
#else
constexpr const char* kCannotStart = "it is not installed or cannot be started";
Child RunChild(const std::vector<std::string>& args) {
    Child child;
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned == 0) {
        char buffer[65536];
        for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof(buffer))) != 0;) {
            if (n > 0) child.output.append(buffer, static_cast<size_t>(n));
            else if (errno != EINTR) break;
        }
    }
    close(pipeEnds[0]);
    if (spawned != 0) return child;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    // A shell reports a program it could not run as 127.
    child.started = !(WIFEXITED(status) && WEXITSTATUS(status) == 127);
    child.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return child;
}
#endif

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// sigrok's own words about the file: its lines that are not the output asked for.
std::string Complaint(const std::vector<std::string>& lines, bool (*isOutput)(const std::string&)) {
    for (const std::string& line : lines)
        if (!line.empty() && !isOutput(line)) return line;
    return "";
}

bool ShowLine(const std::string& line) {
    return StartsWith(line, "Samplerate:") || StartsWith(line, "Channels:") || StartsWith(line, "- ") ||
           StartsWith(line, "Logic ") || StartsWith(line, "Analog ");
}

// "10000-10000 i2c-1: Start": the start sample and the text.
bool Annotation(const std::string& line, uint64_t& sample, std::string& text) {
    const size_t dash = line.find('-');
    const size_t colon = line.find(": ");
    if (dash == std::string::npos || colon == std::string::npos || dash == 0 || dash > colon) return false;
    const auto start = ParseUnsigned(line.substr(0, dash), UINT64_MAX);
    if (!start || line.find(" i2c-") == std::string::npos) return false;
    sample = *start.value;
    text = line.substr(colon + 2);
    return true;
}
bool AnnotationLine(const std::string& line) {
    uint64_t sample = 0;
    std::string text;
    return Annotation(line, sample, text);
}

bool ByteAfter(const std::string& text, const char* prefix, uint8_t& byte) {
    if (!StartsWith(text, prefix)) return false;
    const auto value = ParseUnsigned("0x" + text.substr(std::strlen(prefix)), 0xFF);
    if (!value) return false;
    byte = static_cast<uint8_t>(*value.value);
    return true;
}

// Groups the decoder's annotations (in the order of their start samples) into
// transactions; false when the capture ends inside one.
bool Group(const std::vector<std::pair<uint64_t, std::string>>& annotations, std::vector<WireTransaction>& out) {
    std::optional<WireTransaction> open;
    bool lastSent = false;  // the last byte came from the master: an acknowledge bit of the chip's follows
    for (const auto& [sample, text] : annotations) {
        uint8_t byte = 0;
        if (text == "Start") {
            if (open) out.push_back(std::move(*open));
            open = WireTransaction{};
            open->sample = sample;
        } else if (!open) {
            continue;  // the capture starts inside a transaction: not the session's
        } else if (text == "Stop") {
            out.push_back(std::move(*open));
            open.reset();
        } else if (ByteAfter(text, "Address write: ", byte) || ByteAfter(text, "Address read: ", byte)) {
            const bool read = StartsWith(text, "Address read");
            open->segments.push_back({static_cast<uint8_t>(byte << 1 | (read ? 1 : 0)), {}});
            lastSent = true;
        } else if (ByteAfter(text, "Data write: ", byte) || ByteAfter(text, "Data read: ", byte)) {
            if (open->segments.empty()) open->segments.push_back({});
            if (!open->notAcknowledged) open->segments.back().bytes.push_back(byte);
            lastSent = StartsWith(text, "Data write");
        } else if (text == "NACK" && lastSent) {
            open->notAcknowledged = true;
        }
    }
    if (open) out.push_back(std::move(*open));
    return !open;
}

}  // namespace

std::string WireTransaction::Text() const {
    std::string text;
    for (const Segment& segment : segments) {
        if (!text.empty()) text += " / ";
        text += Hex(segment.address, 2).substr(2) + ((segment.address & 1) != 0 ? " R" : " W");
        for (uint8_t byte : segment.bytes) {
            text += ' ';
            text += Hex(byte, 2).substr(2);
        }
    }
    if (notAcknowledged) text += " NAK";
    return text;
}

CaptureRead ReadCapture(const CaptureFile& file) {
    CaptureRead read;
    std::ifstream in(file.path, std::ios::binary);
    if (!in) {
        read.error = "cannot open '" + file.path + "': " + std::strerror(errno);
        return read;
    }
    char magic[4] = {};
    in.read(magic, sizeof(magic));
    // A sigrok session file is a zip archive; anything else is read as a VCD waveform.
    const bool session = in.gcount() == 4 && std::memcmp(magic, "PK\x03\x04", 4) == 0;
    std::vector<std::string> base = {SigrokCli(), "-i", file.path};
    if (!session) base.insert(base.end(), {"-I", "vcd"});

    std::vector<std::string> show = base;
    show.push_back("--show");
    const Child shown = RunChild(show);
    if (!shown.started) {
        read.error = "compare needs sigrok-cli ('" + SigrokCli() + "'): " + kCannotStart;
        return read;
    }
    const std::vector<std::string> showLines = Lines(shown.output);
    std::vector<std::string> channels;
    bool hasChannels = false;
    uint64_t samplerate = 0;
    for (const std::string& line : showLines) {
        if (StartsWith(line, "Channels:")) hasChannels = true;
        if (StartsWith(line, "Samplerate: ")) {
            if (const auto rate = ParseUnsigned(line.substr(12), UINT64_MAX)) samplerate = *rate.value;
        }
        if (StartsWith(line, "- ") && line.find(':') != std::string::npos)
            channels.push_back(line.substr(2, line.rfind(':') - 2));
    }
    const std::string showComplaint = Complaint(showLines, ShowLine);
    if (shown.status != 0 || !hasChannels || showComplaint.find("unprocessed") != std::string::npos) {
        read.error = "'" + file.path + "' is not a capture sigrok can read" +
                     (showComplaint.empty() ? std::string(" (no channels)") : " (sigrok-cli: " + showComplaint + ")");
        return read;
    }
    std::string names;
    for (const std::string& channel : channels) names += (names.empty() ? "" : ", ") + channel;
    for (const std::string& wanted : {file.scl, file.sda}) {
        bool found = false;
        for (const std::string& channel : channels) found = found || channel == wanted;
        if (!found) {
            read.error = "the capture has no channel '" + wanted + "' (its channels: " + names +
                         "; name them with --scl and --sda)";
            return read;
        }
    }

    std::vector<std::string> decode = base;
    decode.insert(decode.end(), {"-P", "i2c:scl=" + file.scl + ":sda=" + file.sda, "-A",
                                 "i2c=start:repeat-start:stop:ack:nack:address-read:address-write:data-read:data-write",
                                 "--protocol-decoder-samplenum"});
    const Child decoded = RunChild(decode);
    const std::vector<std::string> lines = Lines(decoded.output);
    const std::string complaint = Complaint(lines, AnnotationLine);
    if (decoded.status != 0 || !complaint.empty()) {
        read.error = "sigrok-cli could not decode '" + file.path + "'" +
                     (complaint.empty() ? std::string() : " (sigrok-cli: " + complaint + ")");
        return read;
    }
    std::vector<std::pair<uint64_t, std::string>> annotations;
    for (const std::string& line : lines) {
        uint64_t sample = 0;
        std::string text;
        if (Annotation(line, sample, text)) annotations.emplace_back(sample, text);
    }
    // sigrok prints a byte's "Read"/"Write" marker before the address it ends;
    // the annotations in the order they start on the wire.
    std::stable_sort(annotations.begin(), annotations.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    Capture capture;
    capture.samplerate = samplerate;
    if (!Group(annotations, capture.transactions)) {
        read.error = "'" + file.path + "' ends inside an I2C transaction: the capture is cut short";
        return read;
    }
    read.capture = std::move(capture);
    return read;
}

}  // namespace trelhost
