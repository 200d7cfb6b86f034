#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "capture/Recorder.h"
#include "capture/WAV.h"
#include "support/fakes/FakeAudioInput.h"
#include "support/fakes/FakeFiles.h"
#include "support/fakes/VirtualScheduler.h"

namespace orvendi {
namespace {

using namespace std::chrono_literals;

// The audio thread keeps delivering while the main thread ends recordings:
// whatever the tap accepted before it was removed is in the result, and the
// spool file is never written after it was closed.
TEST(RecorderConcurrency, EveryBufferAcceptedBeforeStopIsInTheRecording) {
    test::VirtualScheduler scheduler(test::VirtualScheduler::Background::Threads);
    test::FakeAudioInput input;
    input.format = {16000, 1};
    test::FakeFiles files;
    Recorder recorder(input, scheduler, files);

    for (int round = 0; round < 6; ++round) {
        SCOPED_TRACE(round);
        recorder.start();
        std::atomic<size_t> acceptedFrames{0};
        std::thread audioThread([&] {
            const std::vector<std::vector<float>> buffer{std::vector<float>(160, 0.3f)};
            while (input.deliver(buffer)) {
                acceptedFrames += 160;
                std::this_thread::sleep_for(100us);
            }
        });
        // Stop once the tap has taken some audio, however slowly the audio
        // thread got going: an empty capture is no recording at all.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (acceptedFrames < 480 && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(1ms);
        }
        if (round % 2 == 0) {
            const auto recording = recorder.stop();
            audioThread.join();
            ASSERT_TRUE(recording.has_value());
            const auto frames = WAV::pcmData(recording->wav)->size() / 2;
            EXPECT_NEAR(double(frames), double(acceptedFrames), 32);
            recording->discardRecoveryCopy();
        } else {
            recorder.cancel();
            audioThread.join();
        }
        EXPECT_TRUE(recorder.pendingRecordings().empty());
    }
}

} // namespace
} // namespace orvendi
