// Recorder timings on a private PulseAudio server with a virtual microphone:
// start(), start() to the first buffer, the tap's longest run, stop() after a
// 60-second capture at 48 kHz stereo (alone, and followed by a live
// transcription that converts as it goes), and resident memory across a 10-minute
// recording. The long captures are written into the pipe source at once, so
// the microphone delivers them faster than real time.
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

#include "capture/Recorder.h"
#include "dictation/LiveTranscription.h"
#include "platform/linux/pulse/PulseAudioInput.h"
#include "platform/linux/system/EventLoopScheduler.h"
#include "platform/linux/system/XdgFiles.h"
#include "support/harness/AudioSession.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

namespace orvendi {
namespace {

using Clock = std::chrono::steady_clock;

double millisecondsBetween(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

// Passes everything to the real input and times the tap it installs.
class TimedInput : public AudioInput {
public:
    explicit TimedInput(AudioInput& input) : input_(input) {}
    AudioFormat inputFormat() override { return input_.inputFormat(); }
    void installTap(uint32_t bufferFrames, AudioTap tap) override {
        input_.installTap(bufferFrames,
                          [this, tap = std::move(tap)](const float* const* planes,
                                                       uint32_t channels, uint32_t frames) {
                              const auto began = Clock::now();
                              tap(planes, channels, frames);
                              const auto ended = Clock::now();
                              std::lock_guard lock(mutex_);
                              if (!firstBuffer_) {
                                  firstBuffer_ = began;
                              }
                              tapRuns_.push_back(millisecondsBetween(began, ended));
                              frames_ += frames;
                          });
    }
    void removeTap() override { input_.removeTap(); }
    void start() override { input_.start(); }
    void stop() override { input_.stop(); }

    void reset() {
        std::lock_guard lock(mutex_);
        firstBuffer_.reset();
        frames_ = 0;
    }
    std::optional<Clock::time_point> firstBuffer() {
        std::lock_guard lock(mutex_);
        return firstBuffer_;
    }
    // Median, 99th percentile and longest run of the tap, in milliseconds.
    std::array<double, 3> tapRuns() {
        std::lock_guard lock(mutex_);
        std::vector<double> runs = tapRuns_;
        std::sort(runs.begin(), runs.end());
        if (runs.empty()) {
            return {0, 0, 0};
        }
        return {runs[runs.size() / 2], runs[runs.size() * 99 / 100], runs.back()};
    }
    void reportTapRuns(const char* title) {
        const auto [median, p99, longest] = tapRuns();
        std::printf("%s median %.3f ms, 99th percentile %.3f ms, longest %.3f ms (%zu buffers)\n",
                    title, median, p99, longest, tapRuns_.size());
        tapRuns_.clear();
    }
    uint64_t frames() {
        std::lock_guard lock(mutex_);
        return frames_;
    }

private:
    AudioInput& input_;
    std::mutex mutex_;
    std::optional<Clock::time_point> firstBuffer_;
    std::vector<double> tapRuns_;
    uint64_t frames_ = 0;
};

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0, resident = 0;
    statm >> pages >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

// Processor time of the calling thread: what stop() costs without the waits
// a busy machine adds.
double threadProcessorMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000 + double(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void waitForFrames(TimedInput& input, uint64_t frames, const std::function<void()>& meanwhile) {
    const auto deadline = Clock::now() + std::chrono::minutes(10);
    while (input.frames() < frames && Clock::now() < deadline) {
        meanwhile();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
}

void startAndFirstBuffer(Recorder& recorder, TimedInput& input) {
    constexpr int kRounds = 20;
    std::vector<double> starts, firstBuffers, stops;
    for (int round = 0; round < kRounds; ++round) {
        input.reset();
        const auto began = Clock::now();
        recorder.start();
        const auto started = Clock::now();
        while (!input.firstBuffer()) {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const auto stopping = Clock::now();
        auto recording = recorder.stop();
        stops.push_back(millisecondsBetween(stopping, Clock::now()));
        if (recording) {
            recording->discardRecoveryCopy();
        }
        starts.push_back(millisecondsBetween(began, started));
        firstBuffers.push_back(millisecondsBetween(began, *input.firstBuffer()));
    }
    std::printf("start():                     median %.2f ms, max %.2f ms (%d rounds)\n",
                median(starts), *std::max_element(starts.begin(), starts.end()), kRounds);
    std::printf("start() to first buffer:     median %.1f ms, max %.1f ms\n", median(firstBuffers),
                *std::max_element(firstBuffers.begin(), firstBuffers.end()));
    std::printf("stop() after 0.5 s:          median %.1f ms\n", median(stops));
}

// `follow` makes an observer for each recording (live transcription), or none.
void stopAfterOneMinute(Recorder& recorder, TimedInput& input, test::AudioSession& session,
                        const std::filesystem::path& folder, const char* title,
                        const std::function<std::shared_ptr<CaptureObserver>()>& follow) {
    const auto clip = folder / "minute.wav";
    test::runTool("sox -n -r 48000 -c 2 -b 16 " + test::shellQuoted(clip) +
                  " synth 60 pinknoise vol 0.3");
    std::vector<double> stops, processorTimes;
    for (int round = 0; round < 3; ++round) {
        input.reset();
        recorder.start(follow ? follow() : nullptr);
        session.play(clip, /*fast=*/true);
        waitForFrames(input, 60 * 48000, [] {});
        const double processorBefore = threadProcessorMilliseconds();
        const auto stopping = Clock::now();
        auto recording = recorder.stop();
        stops.push_back(millisecondsBetween(stopping, Clock::now()));
        processorTimes.push_back(threadProcessorMilliseconds() - processorBefore);
        if (recording) {
            recording->discardRecoveryCopy();
        }
    }
    std::printf("stop() after 60 s 48k stereo%s: median %.1f ms, max %.1f ms (3 rounds); "
                "processor time on the calling thread median %.1f ms\n",
                title, median(stops), *std::max_element(stops.begin(), stops.end()),
                median(processorTimes));
}

void memoryDuringTenMinutes(Recorder& recorder, TimedInput& input, test::AudioSession& session,
                            const std::filesystem::path& folder) {
    const auto clip = folder / "ten-minutes.wav";
    test::runTool("sox -n -r 48000 -c 2 -b 16 " + test::shellQuoted(clip) +
                  " synth 600 pinknoise vol 0.3");
    input.reset();
    const double before = residentMegabytes();
    recorder.start();
    const auto began = Clock::now();
    session.play(clip, /*fast=*/true);
    std::vector<std::pair<double, double>> samples; // (audio minutes, MiB)
    waitForFrames(input, 600 * 48000, [&] {
        samples.emplace_back(double(input.frames()) / 48000 / 60, residentMegabytes());
    });
    const double captureSeconds = millisecondsBetween(began, Clock::now()) / 1000;
    const double duringPeak = std::max_element(samples.begin(), samples.end(), [](auto a, auto b) {
                                  return a.second < b.second;
                              })->second;
    auto recording = recorder.stop();
    const double afterStop = residentMegabytes();
    std::printf("10 min at 48k stereo (captured in %.0f s): resident before %.1f MiB, "
                "peak during %.1f MiB, after stop %.1f MiB\n",
                captureSeconds, before, duringPeak, afterStop);
    std::printf("  resident by audio minute:");
    double nextMinute = 0;
    for (const auto& [minutes, megabytes] : samples) {
        if (minutes >= nextMinute) {
            std::printf(" %.0f:%.1f", minutes, megabytes);
            nextMinute += 1;
        }
    }
    std::printf("\n");
    if (recording) {
        std::printf("  WAV %.1f MiB\n", double(recording->wav.size()) / (1024.0 * 1024.0));
        recording->discardRecoveryCopy();
    }
}

} // namespace
} // namespace orvendi

int main() {
    using namespace orvendi;
    test::TempDir folder;
    setenv("XDG_DATA_HOME", (folder.path() / "data").c_str(), 1);
    test::AudioSession session;
    EventLoopScheduler scheduler;
    XdgFiles files;
    PulseAudioInput pulse;
    TimedInput input(pulse);
    Recorder recorder(input, scheduler, files);

    startAndFirstBuffer(recorder, input);
    input.reportTapRuns("tap, real-time microphone:  ");
    stopAfterOneMinute(recorder, input, session, folder.path(), "", nullptr);
    input.reportTapRuns("tap, 60 s bursts:           ");
    // Followed by a live transcription, which converts as the audio arrives
    // (the backend is never reached: pink noise has no pause to cut at).
    const TranscriptionCalls unused{
        [](const Bytes&, int64_t, bool) { return TranscriptionReceipt{}; },
        [](const std::string&, const std::string&, int64_t) { return TranscriptionReceipt{}; }};
    stopAfterOneMinute(recorder, input, session, folder.path(), ", converted live",
                       [&] { return std::make_shared<LiveTranscription>(scheduler, unused); });
    input.reportTapRuns("tap, 60 s bursts, live:     ");
    memoryDuringTenMinutes(recorder, input, session, folder.path());
    input.reportTapRuns("tap, 10 min burst:          ");
    return 0;
}
