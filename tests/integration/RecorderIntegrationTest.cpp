#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <thread>

#include "capture/AudioConversion.h"
#include "capture/Recorder.h"
#include "capture/WAV.h"
#include "platform/linux/pulse/PulseAudioInput.h"
#include "platform/linux/system/EventLoopScheduler.h"
#include "platform/linux/system/XdgFiles.h"
#include "support/harness/AudioSession.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

namespace orvendi {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The samples of 16-bit PCM, full scale 1.
std::vector<double> levelsOf(const Bytes& pcm) {
    const auto samples = test::samplesOf(pcm);
    std::vector<double> levels(samples.begin(), samples.end());
    for (double& level : levels) {
        level /= 32768.0;
    }
    return levels;
}

// Where the first sample above the noise floor is.
size_t onset(const std::vector<double>& samples) {
    return size_t(std::find_if(samples.begin(), samples.end(),
                               [](double sample) { return std::abs(sample) > 0.02; }) -
                  samples.begin());
}

double rms(const std::vector<double>& samples, size_t from, size_t count) {
    const auto begin = samples.begin() + long(from);
    return std::sqrt(std::inner_product(begin, begin + long(count), begin, 0.0) / double(count));
}

// How well `recorded`, from `offset` on, matches `source` (1 = identical shape).
double correlation(const std::vector<double>& source, const std::vector<double>& recorded,
                   size_t offset) {
    const auto dot = [&](auto a, auto b) {
        return std::inner_product(a, a + long(source.size()), b, 0.0);
    };
    const auto at = recorded.begin() + long(offset);
    return dot(source.begin(), at) / std::sqrt(dot(source.begin(), source.begin()) * dot(at, at));
}

// The recorder on the real microphone stack: a private PulseAudio server,
// the PulseAudio input, real threads and the XDG data folder of a temporary home.
class RecorderOnPulseAudio : public testing::Test {
protected:
    RecorderOnPulseAudio() {
        const char* previous = std::getenv("XDG_DATA_HOME");
        previousDataHome_ =
            previous != nullptr ? std::optional<std::string>(previous) : std::nullopt;
        setenv("XDG_DATA_HOME", (temp_.path() / "data").c_str(), 1);
    }
    ~RecorderOnPulseAudio() override {
        if (previousDataHome_) {
            setenv("XDG_DATA_HOME", previousDataHome_->c_str(), 1);
        } else {
            unsetenv("XDG_DATA_HOME");
        }
    }
    fs::path folder() const { return temp_.path() / "data" / "Orvendi" / "Pending Recordings"; }
    std::vector<fs::path> folderContents() const {
        std::vector<fs::path> found;
        if (fs::exists(folder())) {
            for (const auto& entry : fs::directory_iterator(folder())) {
                found.push_back(entry.path());
            }
        }
        return found;
    }
    const fs::path& temp() const { return temp_.path(); }

    EventLoopScheduler scheduler;
    XdgFiles files;

private:
    test::TempDir temp_;
    std::optional<std::string> previousDataHome_;
};

TEST_F(RecorderOnPulseAudio, ASpokenSentenceComesBackAt16kMonoWithItsLevelAndLength) {
    const auto speech = temp() / "speech.wav";
    test::writeSpeech("Please remind me to water the plants on Thursday morning.", speech);
    const auto source = levelsOf(*convertTo16kMonoInt16(speech));

    for (const test::AudioSession::Options format : {test::AudioSession::Options{48000, 2, true},
                                                     test::AudioSession::Options{44100, 1, true}}) {
        SCOPED_TRACE(std::to_string(format.rate) + " Hz, " + std::to_string(format.channels) +
                     " channels");
        test::AudioSession session(format);
        PulseAudioInput input;
        Recorder recorder(input, scheduler, files);

        recorder.start();
        const auto began = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(300ms);
        session.play(speech);
        session.waitUntilPlayed();
        std::this_thread::sleep_for(300ms);
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
        const auto recording = recorder.stop();

        ASSERT_TRUE(recording.has_value());
        EXPECT_EQ(folderContents(), std::vector<fs::path>{recording->recoveryURL});
        EXPECT_EQ(recording->recoveryURL.extension(), ".wav");
        EXPECT_NEAR(double(recording->durationSeconds), seconds, 0.6);
        const auto info = test::soundInfo(recording->recoveryURL);
        EXPECT_EQ(info.sampleRate, 16000);
        EXPECT_EQ(info.channels, 1);

        const auto recorded = levelsOf(*WAV::pcmData(recording->wav));
        // As long as the microphone ran, less what was still on its way
        // through the server when the tap was removed.
        const double recordedSeconds = double(recorded.size()) / 16000;
        EXPECT_LE(recordedSeconds, seconds + 0.05);
        EXPECT_GE(recordedSeconds, seconds - 0.3);

        const size_t sourceStart = onset(source);
        const size_t recordedStart = onset(recorded);
        ASSERT_LT(recordedStart, recorded.size());
        ASSERT_GE(recorded.size(), recordedStart + source.size() - sourceStart);
        const std::vector<double> voiced(source.begin() + long(sourceStart), source.end());
        double best = 0;
        size_t bestOffset = 0;
        for (size_t offset = recordedStart > 8 ? recordedStart - 8 : 0;
             offset <= recordedStart + 8 && offset + voiced.size() <= recorded.size(); ++offset) {
            const double match = correlation(voiced, recorded, offset);
            if (match > best) {
                best = match;
                bestOffset = offset;
            }
        }
        EXPECT_GT(best, 0.98);
        const double levelRatio =
            rms(recorded, bestOffset, voiced.size()) / rms(voiced, 0, voiced.size());
        EXPECT_NEAR(20 * std::log10(levelRatio), 0.0, 0.5) << "level differs in dB";
        recording->discardRecoveryCopy();
    }
}

} // namespace
} // namespace orvendi
