#include "platform/linux/pulse/PulseAudioInput.h"

#include <algorithm>

#include "base/Error.h"

namespace orvendi {
namespace {

// Connecting and opening a stream take milliseconds on a local server; a
// server that has not answered by then is treated as absent.
constexpr std::chrono::milliseconds kServerTimeout{3000};
// The server hands over audio in fragments this long, so the first words after
// the dictation key goes down are already on their way when the stream starts.
constexpr pa_usec_t kFragmentMicroseconds = 20'000;
constexpr uint32_t kDefaultBufferFrames = 4096;
constexpr const char* kStreamName = "Dictation";

} // namespace

PulseAudioInput::PulseAudioInput() : pulse_(kServerTimeout) {}

PulseAudioInput::~PulseAudioInput() {
    PulseContext::Lock lock(pulse_);
    tap_ = nullptr;
    closeStreamLocked();
}

PulseContext::Source PulseAudioInput::sourceLocked() {
    auto source = pulse_.defaultSource();
    source.sampleSpec.format = PA_SAMPLE_FLOAT32NE;
    source_ = source;
    return source;
}

AudioFormat PulseAudioInput::inputFormat() {
    PulseContext::Lock lock(pulse_);
    // While recording, the stream's format is the one that counts.
    const auto source = stream_ != nullptr && source_ ? *source_ : sourceLocked();
    return AudioFormat{static_cast<double>(source.sampleSpec.rate), source.sampleSpec.channels};
}

void PulseAudioInput::installTap(uint32_t bufferFrames, AudioTap tap) {
    PulseContext::Lock lock(pulse_);
    tap_ = std::move(tap);
    bufferFrames_ = bufferFrames > 0 ? bufferFrames : kDefaultBufferFrames;
    resetPlanesLocked();
}

void PulseAudioInput::removeTap() {
    PulseContext::Lock lock(pulse_);
    // Hand over what has arrived so far: the last words before the key went up
    // belong to the recording even when they do not fill a whole buffer.
    if (stream_ != nullptr) {
        readAvailableLocked();
    }
    deliverGatheredLocked();
    tap_ = nullptr;
}

void PulseAudioInput::start() {
    PulseContext::Lock lock(pulse_);
    if (stream_ != nullptr && PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
        return;
    }
    // A stream the server dropped (it went away) is replaced.
    closeStreamLocked();
    // The format the caller last read, so that the tap's planes match what it
    // prepared for; the server converts if the default input changed since.
    const auto source = source_ ? *source_ : sourceLocked();
    pa_context* context = pulse_.connectedContext();

    stream_ = pa_stream_new(context, kStreamName, &source.sampleSpec, &source.channelMap);
    if (stream_ == nullptr) {
        throw PlatformError("The microphone could not be opened: " + pulse_.lastErrorText() + ".");
    }
    pa_stream_set_state_callback(
        stream_, [](pa_stream*, void* pulse) { static_cast<PulseContext*>(pulse)->signal(); },
        &pulse_);
    pa_stream_set_read_callback(
        stream_,
        [](pa_stream*, size_t, void* input) {
            static_cast<PulseAudioInput*>(input)->readAvailableLocked();
        },
        this);

    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(-1);
    attributes.prebuf = static_cast<uint32_t>(-1);
    attributes.minreq = static_cast<uint32_t>(-1);
    attributes.fragsize =
        static_cast<uint32_t>(pa_usec_to_bytes(kFragmentMicroseconds, &source.sampleSpec));
    // The read callback may run as soon as the stream is ready, while start()
    // still waits for the lock, so the planes must be shaped before connecting.
    channels_ = source.sampleSpec.channels;
    resetPlanesLocked();
    // No device name: the recording follows the system's current default input.
    if (pa_stream_connect_record(stream_, nullptr, &attributes, PA_STREAM_ADJUST_LATENCY) < 0) {
        const std::string reason = pulse_.lastErrorText();
        closeStreamLocked();
        throw PlatformError("The microphone could not be opened: " + reason + ".");
    }
    const bool settled = pulse_.wait([this] {
        const auto state = pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    });
    if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
        const std::string reason = settled ? pulse_.lastErrorText() : "timed out";
        closeStreamLocked();
        throw PlatformError("The microphone could not be opened: " + reason + ".");
    }
}

void PulseAudioInput::stop() {
    PulseContext::Lock lock(pulse_);
    if (stream_ != nullptr) {
        readAvailableLocked();
    }
    deliverGatheredLocked();
    closeStreamLocked();
}

void PulseAudioInput::closeStreamLocked() {
    if (stream_ == nullptr) {
        return;
    }
    pa_stream_set_read_callback(stream_, nullptr, nullptr);
    pa_stream_set_state_callback(stream_, nullptr, nullptr);
    if (PA_STREAM_IS_GOOD(pa_stream_get_state(stream_))) {
        pa_stream_disconnect(stream_);
    }
    pa_stream_unref(stream_);
    stream_ = nullptr;
    gathered_ = 0;
}

void PulseAudioInput::readAvailableLocked() {
    if (pa_stream_get_state(stream_) != PA_STREAM_READY) {
        return;
    }
    const size_t frameBytes = sizeof(float) * channels_;
    while (pa_stream_readable_size(stream_) > 0) {
        const void* data = nullptr;
        size_t bytes = 0;
        if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) {
            return;
        }
        const size_t frames = bytes / frameBytes;
        if (data != nullptr) {
            gatherLocked(static_cast<const float*>(data), frames);
        } else {
            // A hole in the server's buffer: keep the timeline with silence.
            gatherLocked(nullptr, frames);
        }
        pa_stream_drop(stream_);
    }
}

void PulseAudioInput::gatherLocked(const float* interleaved, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        const size_t count = std::min<size_t>(frames - done, bufferFrames_ - gathered_);
        for (uint32_t channel = 0; channel < channels_; ++channel) {
            float* plane = planes_[channel].data() + gathered_;
            for (size_t frame = 0; frame < count; ++frame) {
                plane[frame] = interleaved != nullptr
                                   ? interleaved[(done + frame) * channels_ + channel]
                                   : 0.0f;
            }
        }
        gathered_ += static_cast<uint32_t>(count);
        done += count;
        if (gathered_ == bufferFrames_) {
            deliverGatheredLocked();
        }
    }
}

void PulseAudioInput::deliverGatheredLocked() {
    if (gathered_ > 0 && tap_) {
        tap_(planePointers_.data(), channels_, gathered_);
    }
    gathered_ = 0;
}

void PulseAudioInput::resetPlanesLocked() {
    gathered_ = 0;
    planes_.assign(channels_, std::vector<float>(bufferFrames_));
    planePointers_.clear();
    for (const auto& plane : planes_) {
        planePointers_.push_back(plane.data());
    }
}

} // namespace orvendi
