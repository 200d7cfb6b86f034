#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "base/Error.h"
#include "capture/Recorder.h"
#include "capture/WAV.h"
#include "support/fakes/FakeAudioInput.h"
#include "support/fakes/FakeFiles.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/SoundFiles.h"

namespace orvendi {
namespace {

namespace fs = std::filesystem;
using test::samplesOf;

class RecorderTest : public testing::Test {
public:
    fs::path folder() const { return folder_; }
    // The file names in the recovery folder, sorted.
    std::vector<std::string> folderContents() const {
        std::vector<std::string> names;
        if (fs::exists(folder())) {
            for (const auto& entry : fs::directory_iterator(folder())) {
                names.push_back(entry.path().filename().string());
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    std::vector<fs::path> spoolFiles() const {
        std::vector<fs::path> found;
        for (const auto& name : folderContents()) {
            if (fs::path(name).extension() == ".caf") {
                found.push_back(folder() / name);
            }
        }
        return found;
    }
    // Hands the recorder `frames` frames of `value` on every channel of the input.
    void deliver(uint32_t frames, float value = 0.1f) {
        input.deliver(std::vector<std::vector<float>>(input.format.channels,
                                                      std::vector<float>(frames, value)));
    }

    test::VirtualScheduler scheduler;
    test::FakeAudioInput input;
    test::FakeFiles files;
    Recorder recorder{input, scheduler, files};

private:
    fs::path folder_ = files.applicationSupportDirectory() / "Orvendi" / "Pending Recordings";
};

TEST_F(RecorderTest, StopAndCancelWithoutStartDoNothing) {
    EXPECT_FALSE(recorder.stop().has_value());
    recorder.cancel();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_EQ(input.tapInstalls, 0);
    EXPECT_TRUE(folderContents().empty());
}

TEST_F(RecorderTest, StopStoresTheWAVInPlaceOfTheSpoolFile) {
    recorder.start();
    EXPECT_TRUE(recorder.isRecording());
    EXPECT_TRUE(input.running);
    EXPECT_EQ(input.tapBufferFrames, 4096u);
    ASSERT_EQ(spoolFiles().size(), 1u);
    const auto spool = spoolFiles().front();
    EXPECT_EQ(test::soundInfo(spool).sampleRate, 48000);
    EXPECT_EQ(test::soundInfo(spool).channels, 2);
    for (int i = 0; i < 12; ++i) {
        deliver(4096);
    }
    scheduler.advance(1.0);

    const auto recording = recorder.stop();
    ASSERT_TRUE(recording.has_value());
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(input.running);
    EXPECT_FALSE(input.hasTap());

    auto wavName = spool.filename();
    wavName.replace_extension("wav");
    EXPECT_EQ(folderContents(), std::vector<std::string>{wavName.string()});
    EXPECT_EQ(recording->recoveryURL, folder() / wavName);
    EXPECT_EQ(recording->wav, test::readBytes(recording->recoveryURL));
    const auto info = test::soundInfo(recording->recoveryURL);
    EXPECT_EQ(info.sampleRate, 16000);
    EXPECT_EQ(info.channels, 1);
    // 48 kHz stereo in, 16 kHz mono out: a third of the frames.
    EXPECT_NEAR(double(info.frames), 12 * 4096 / 3.0, 64);
    EXPECT_EQ(recorder.pendingRecordings(), std::vector<fs::path>{recording->recoveryURL});
    const auto recovered = recorder.recover(recording->recoveryURL);
    ASSERT_TRUE(recovered.has_value());
    EXPECT_EQ(recovered->wav, recording->wav);
}

TEST_F(RecorderTest, DurationIsRoundedToWholeSecondsHalvesUp) {
    struct Case {
        double seconds;
        int64_t expected;
    };
    for (const Case& c :
         {Case{0.4, 0}, Case{0.5, 1}, Case{1.49, 1}, Case{2.5, 3}, Case{61.6, 62}}) {
        SCOPED_TRACE(c.seconds);
        recorder.start();
        deliver(4096);
        scheduler.advance(c.seconds);
        const auto recording = recorder.stop();
        ASSERT_TRUE(recording.has_value());
        EXPECT_EQ(recording->durationSeconds, c.expected);
    }
}

TEST_F(RecorderTest, AudioQueuedJustBeforeStopIsInTheResult) {
    input.format = {16000, 1};
    recorder.start();
    for (int i = 0; i < 10; ++i) {
        deliver(4096, 0.0f);
    }
    // The last, short buffer is loud. None of these writes has run yet: they
    // wait on the recorder's queue when stop() begins.
    deliver(800, 0.5f);
    const auto recording = recorder.stop();
    ASSERT_TRUE(recording.has_value());

    const auto samples = samplesOf(*WAV::pcmData(recording->wav));
    EXPECT_NEAR(double(samples.size()), 10 * 4096 + 800, 32);
    const auto loud = std::count_if(samples.begin(), samples.end(),
                                    [](int16_t s) { return std::abs(s) > 0.4 * 32768; });
    EXPECT_GT(loud, 700);
}

TEST_F(RecorderTest, TheTapCopiesAndLeavesTheWritingToTheQueue) {
    input.format = {16000, 1};
    recorder.start();
    const auto spool = spoolFiles().front();
    const auto emptySize = fs::file_size(spool);
    std::vector<std::vector<float>> planes{std::vector<float>(4096, 0.25f)};
    input.deliver(planes);
    // The audio thread's buffer is reused as soon as the tap returns.
    std::fill(planes[0].begin(), planes[0].end(), -0.9f);
    EXPECT_EQ(fs::file_size(spool), emptySize) << "the tap wrote to the file itself";

    scheduler.runPending();
    EXPECT_GT(fs::file_size(spool), emptySize);
    const auto recording = recorder.stop();
    ASSERT_TRUE(recording.has_value());
    const auto samples = samplesOf(*WAV::pcmData(recording->wav));
    ASSERT_GT(samples.size(), 2048u);
    EXPECT_NEAR(samples[2048], 0.25 * 32768, 2);
}

TEST_F(RecorderTest, BuffersInAnotherLayoutAreDropped) {
    input.format = {16000, 1};
    recorder.start();
    input.deliver({std::vector<float>(4096, 0.5f), std::vector<float>(4096, 0.5f)});
    input.deliver({std::vector<float>{}});
    EXPECT_FALSE(recorder.stop().has_value());
}

TEST_F(RecorderTest, ASpoolWithoutFramesStaysForRecoveryAndStopIsAbsent) {
    recorder.start();
    scheduler.advance(2);
    EXPECT_FALSE(recorder.stop().has_value());
    ASSERT_EQ(spoolFiles().size(), 1u);
    EXPECT_EQ(folderContents().size(), 1u);
    EXPECT_EQ(recorder.pendingRecordings(), spoolFiles());
}

TEST_F(RecorderTest, CancelLeavesNothingOnDisk) {
    recorder.start();
    deliver(4096);
    scheduler.runPending();
    deliver(4096);
    recorder.cancel();
    EXPECT_FALSE(recorder.isRecording());
    EXPECT_FALSE(input.hasTap());
    EXPECT_FALSE(input.running);
    EXPECT_TRUE(folderContents().empty());
    scheduler.runPending();
    EXPECT_TRUE(folderContents().empty());
}

TEST_F(RecorderTest, ASecondStartWhileRecordingChangesNothing) {
    recorder.start();
    recorder.start();
    EXPECT_EQ(input.tapInstalls, 1);
    EXPECT_EQ(spoolFiles().size(), 1u);
    deliver(4096);
    const auto recording = recorder.stop();
    ASSERT_TRUE(recording.has_value());
    EXPECT_NEAR(double(test::soundInfo(recording->recoveryURL).frames), 4096 / 3.0, 32);
}

TEST_F(RecorderTest, AFailedStartLeavesNothingRunningAndTheNextStartWorks) {
    struct Case {
        const char* name;
        std::function<void(RecorderTest&)> breakIt;
        std::string expectedError;
    };
    // clang-format off
    const std::vector<Case> cases{
        {"no recovery folder", [](RecorderTest& t) { t.files.failApplicationSupport = true; }, "The application support folder is unavailable"},
        {"spool file refused", [](RecorderTest& t) { t.input.format = {48000, 5000}; }, "could not be created"},
        {"microphone refuses", [](RecorderTest& t) { t.input.startError = "The microphone is busy."; }, "The microphone is busy."},
        {"no format", [](RecorderTest& t) { t.input.format = {0, 0}; }, "no usable audio format"},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.breakIt(*this);
        try {
            recorder.start();
            ADD_FAILURE() << "start succeeded";
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find(c.expectedError), std::string::npos)
                << error.what();
        }
        EXPECT_FALSE(recorder.isRecording());
        EXPECT_FALSE(input.hasTap());
        EXPECT_FALSE(input.running);
        EXPECT_TRUE(spoolFiles().empty()) << testing::PrintToString(folderContents());

        files.failApplicationSupport = false;
        input.format = {48000, 2};
        input.startError.clear();
        recorder.start();
        EXPECT_TRUE(recorder.isRecording());
        EXPECT_TRUE(input.hasTap());
        recorder.cancel();
    }
}

} // namespace
} // namespace orvendi
