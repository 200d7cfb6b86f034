#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/harness/TempDir.h"

namespace orvendi::test {

// A private PulseAudio server whose default source is a virtual microphone fed
// in real time (tests/support/harness/audio-session). While the session lives, this
// process's PULSE_SERVER points at it. Throws std::runtime_error when the
// server cannot be started.
class AudioSession {
public:
    struct Options {
        unsigned rate = 48000;
        unsigned channels = 2;
        // False starts a server without any source.
        bool microphone = true;
    };

    AudioSession();
    explicit AudioSession(Options options);
    ~AudioSession();
    AudioSession(const AudioSession&) = delete;
    AudioSession& operator=(const AudioSession&) = delete;

    // Queues a clip (any file sox reads) for the microphone; `fast` writes it
    // into the fifo at once rather than in real time.
    void play(const std::filesystem::path& file, bool fast = false);
    // Waits until every queued clip has gone into the microphone.
    void waitUntilPlayed(double timeoutSeconds = 60);

private:
    TempDir folder_;
    std::string pulseServer_;
    std::optional<std::string> previousPulseServer_;
};

// Runs a program (searched in PATH) with its output discarded; returns its exit
// status (127 when there is no such program), or -1 when a signal ended it.
int runProgram(const std::vector<std::string>& arguments);

// Spoken English from espeak-ng as a WAV file (22,050 Hz mono 16-bit).
void writeSpeech(const std::string& text, const std::filesystem::path& wav);

// Points PULSE_SERVER at a socket nobody listens on, for as long as it lives.
class NoSoundServer {
public:
    NoSoundServer();
    ~NoSoundServer();
    NoSoundServer(const NoSoundServer&) = delete;
    NoSoundServer& operator=(const NoSoundServer&) = delete;

private:
    TempDir folder_;
    std::optional<std::string> previousPulseServer_;
};

} // namespace orvendi::test
