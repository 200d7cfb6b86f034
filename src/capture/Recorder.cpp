#include "capture/Recorder.h"

#include <algorithm>
#include <cmath>
#include <system_error>
#include <utility>

#include "base/Error.h"
#include "capture/AudioConversion.h"
#include "capture/SpoolFile.h"
#include "capture/WAV.h"

namespace orvendi {
namespace {

constexpr uint32_t kTapBufferFrames = 4096;
constexpr const char* kQueueLabel = "recorder";
constexpr const char* kSpoolExtension = "caf";

} // namespace

Recorder::Recorder(AudioInput& input, Scheduler& scheduler, Files& files)
    : input_(input), scheduler_(scheduler), store_(files),
      queue_(scheduler.serialQueue(kQueueLabel)), startedAt_(scheduler.now()) {}

Recorder::~Recorder() {
    if (isRecording_) {
        endCapture();
        closeSpool();
        releaseObserver();
    }
}

void Recorder::start(std::shared_ptr<CaptureObserver> observer) {
    // A second tap would write every buffer twice into one spool file.
    if (isRecording_) {
        return;
    }
    const AudioFormat format = input_.inputFormat();
    if (!(format.sampleRate > 0) || format.channels == 0) {
        throw PlatformError("The microphone reports no usable audio format.");
    }
    const auto url = store_.newRecoveryURL(kSpoolExtension);
    auto spool = std::make_shared<SpoolFile>(url, format.sampleRate, format.channels);
    spoolFile_ = spool;
    spoolURL_ = url;
    observer_ = std::move(observer);
    if (observer_) {
        observer_->captureStarted(format);
    }
    capturedFrames_ = std::make_shared<std::atomic<uint64_t>>(0);
    sampleRate_ = format.sampleRate;
    input_.installTap(kTapBufferFrames,
                      makeTap(std::move(spool), format.channels, observer_, capturedFrames_));
    try {
        input_.start();
    } catch (...) {
        // Nothing half-started stays behind: no tap, and no empty spool file
        // that would be offered for retry forever.
        input_.removeTap();
        if (auto leftover = closeSpool()) {
            std::error_code ignored;
            std::filesystem::remove(*leftover, ignored);
        }
        releaseObserver();
        throw;
    }
    startedAt_ = scheduler_.now();
    isRecording_ = true;
}

AudioTap Recorder::makeTap(std::shared_ptr<SpoolFile> spool, uint32_t channels,
                           std::shared_ptr<CaptureObserver> observer,
                           std::shared_ptr<std::atomic<uint64_t>> capturedFrames) {
    return [alive = std::weak_ptr<const bool>(alive_), queue = queue_, spool = std::move(spool),
            channels, observer = std::move(observer), capturedFrames = std::move(capturedFrames)](
               const float* const* planes, uint32_t planeCount, uint32_t frames) {
        // Runs on the audio thread: copy and hand over, nothing that may block.
        if (alive.expired() || planes == nullptr || planeCount != channels || frames == 0) {
            return;
        }
        capturedFrames->fetch_add(frames, std::memory_order_relaxed);
        std::vector<float> interleaved(size_t(frames) * channels);
        for (uint32_t channel = 0; channel < channels; ++channel) {
            const float* plane = planes[channel];
            for (uint32_t frame = 0; frame < frames; ++frame) {
                interleaved[size_t(frame) * channels + channel] = plane[frame];
            }
        }
        queue->async([spool, samples = std::move(interleaved), frames, observer]() mutable {
            spool->write(samples.data(), frames);
            // The same samples, once on disk, go on to be transcribed live.
            if (observer) {
                observer->captured(std::move(samples), frames);
            }
        });
    };
}

double Recorder::capturedSeconds() const {
    if (!isRecording_ || !capturedFrames_ || !(sampleRate_ > 0)) {
        return 0;
    }
    return double(capturedFrames_->load(std::memory_order_relaxed)) / sampleRate_;
}

std::optional<Recording> Recorder::stop() {
    if (!isRecording_) {
        return std::nullopt;
    }
    endCapture();
    // Whole seconds, halves away from zero.
    const auto durationSeconds = static_cast<int64_t>(std::llround(scheduler_.now() - startedAt_));
    const auto spoolURL = closeSpool();
    if (!spoolURL) {
        releaseObserver();
        return std::nullopt;
    }
    const auto pcm = convertedAudio(*spoolURL);
    if (!pcm || pcm->empty()) {
        return std::nullopt;
    }
    auto wav = WAV::wrap(*pcm);
    if (!wav) {
        return std::nullopt;
    }
    try {
        auto stored = store_.persistForRecovery(*wav, *spoolURL);
        return Recording{std::move(*wav), durationSeconds, std::move(stored)};
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

void Recorder::cancel() {
    if (!isRecording_) {
        return;
    }
    endCapture();
    if (auto spoolURL = closeSpool()) {
        std::error_code ignored;
        std::filesystem::remove(*spoolURL, ignored);
    }
    releaseObserver();
}

std::optional<Bytes> Recorder::convertedAudio(const std::filesystem::path& spoolURL) {
    auto observer = std::exchange(observer_, nullptr);
    if (observer) {
        if (auto pcm = observer->captureEnded(); pcm && !pcm->empty()) {
            return pcm;
        }
    }
    return convertTo16kMonoInt16(spoolURL);
}

void Recorder::releaseObserver() {
    if (auto observer = std::exchange(observer_, nullptr)) {
        observer->captureCancelled();
    }
}

void Recorder::endCapture() {
    isRecording_ = false;
    // Ending a recording cannot fail: a microphone that has gone away is
    // already stopped.
    try {
        input_.removeTap();
    } catch (const std::exception&) {
    }
    try {
        input_.stop();
    } catch (const std::exception&) {
    }
}

std::optional<std::filesystem::path> Recorder::closeSpool() {
    std::optional<std::filesystem::path> url;
    queue_->sync([&] {
        if (spoolFile_) {
            spoolFile_->close();
            spoolFile_.reset();
        }
        url = std::move(spoolURL_);
        spoolURL_.reset();
    });
    return url;
}

std::vector<std::filesystem::path> Recorder::pendingRecordings() const {
    return store_.pendingRecordings();
}

std::optional<Recording> Recorder::recover(const std::filesystem::path& url) const {
    return store_.recover(url);
}

std::vector<std::filesystem::path> Recorder::retryableRecordings() const {
    // The agent knows the one recording it writes; a spool left by a process
    // that just ended (a crash) is offered at once.
    auto files = store_.retryableRecordings(liveSpool(), false);
    std::erase_if(files, [this](const auto& file) { return isUploading(file); });
    return files;
}

std::optional<Recording> Recorder::takeNextPending() const {
    for (const auto& file : retryableRecordings()) {
        if (auto recording = store_.take(file)) {
            return recording;
        }
    }
    return std::nullopt;
}

void Recorder::uploadStarted(const std::filesystem::path& recording) {
    uploading_.push_back(recording);
}

void Recorder::uploadEnded(const std::filesystem::path& recording) {
    if (const auto it = std::find(uploading_.begin(), uploading_.end(), recording);
        it != uploading_.end()) {
        uploading_.erase(it);
    }
}

bool Recorder::isUploading(const std::filesystem::path& file) const {
    return std::any_of(uploading_.begin(), uploading_.end(), [&file](const auto& recording) {
        std::error_code error;
        return file == recording || std::filesystem::equivalent(file, recording, error);
    });
}

std::optional<std::filesystem::path> Recorder::liveSpool() const {
    return isRecording_ ? spoolURL_ : std::nullopt;
}

} // namespace orvendi
