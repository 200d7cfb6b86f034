#pragma once

#include <atomic>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "capture/CaptureObserver.h"
#include "capture/Recording.h"
#include "capture/RecoveryStore.h"
#include "platform/AudioInput.h"
#include "platform/Files.h"
#include "platform/Scheduler.h"

namespace orvendi {

class SpoolFile;

// Records the default microphone during a dictation. While it runs, the audio
// goes unconverted into a spool file in the recovery store, written on the
// serial queue "recorder"; stop() turns the spool into a 16 kHz mono WAV kept
// in the store until its transcript is delivered.
//
// start, stop, cancel and isRecording belong to the main thread.
class Recorder {
public:
    Recorder(AudioInput& input, Scheduler& scheduler, Files& files);
    // A recording still running is ended and its spool file left for recovery.
    ~Recorder();
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    // Throws the platform's error when the recovery folder, the spool file or
    // the microphone cannot be had; nothing is left running or installed then.
    // Does nothing while a recording runs. `observer`, if any, follows this
    // recording; when it hands back the converted audio at the end, stop()
    // uses that instead of converting the spool file.
    void start(std::shared_ptr<CaptureObserver> observer = nullptr);
    // Absent when nothing usable was recorded; the spool file then stays for
    // recovery if there is one. Never throws.
    std::optional<Recording> stop();
    // Ends the recording and deletes its audio.
    void cancel();
    bool isRecording() const { return isRecording_; }
    // How much audio the microphone has delivered to the recording running, in
    // seconds; 0 when none runs. Counted on the audio thread, so it is a clock
    // of its own that a busy main thread does not hold back.
    double capturedSeconds() const;

    std::vector<std::filesystem::path> pendingRecordings() const;
    std::optional<Recording> recover(const std::filesystem::path& url) const;
    // What a retry may take: never the spool of the recording in progress
    // (RecoveryStore::retryableRecordings and takeNextPending), nor a recording
    // whose upload is on its way.
    std::vector<std::filesystem::path> retryableRecordings() const;
    std::optional<Recording> takeNextPending() const;
    // A recording between its submission and its outcome: sending it again
    // meanwhile would paste its text twice.
    void uploadStarted(const std::filesystem::path& recording);
    void uploadEnded(const std::filesystem::path& recording);

private:
    AudioTap makeTap(std::shared_ptr<SpoolFile> spool, uint32_t channels,
                     std::shared_ptr<CaptureObserver> observer,
                     std::shared_ptr<std::atomic<uint64_t>> capturedFrames);
    std::optional<Bytes> convertedAudio(const std::filesystem::path& spoolURL);
    void releaseObserver();
    void endCapture();
    // Closes the spool after every write already queued; returns its location.
    std::optional<std::filesystem::path> closeSpool();
    std::optional<std::filesystem::path> liveSpool() const;
    bool isUploading(const std::filesystem::path& file) const;

    AudioInput& input_;
    Scheduler& scheduler_;
    RecoveryStore store_;
    std::shared_ptr<SerialQueue> queue_;
    // The tap holds this weakly: once the recorder is gone it does nothing.
    std::shared_ptr<const bool> alive_ = std::make_shared<const bool>(true);

    std::shared_ptr<SpoolFile> spoolFile_;
    std::optional<std::filesystem::path> spoolURL_;
    std::shared_ptr<CaptureObserver> observer_;
    // Frames delivered to the recording running, and their rate.
    std::shared_ptr<std::atomic<uint64_t>> capturedFrames_;
    double sampleRate_ = 0;
    bool isRecording_ = false;
    double startedAt_;
    std::vector<std::filesystem::path> uploading_;
};

} // namespace orvendi
