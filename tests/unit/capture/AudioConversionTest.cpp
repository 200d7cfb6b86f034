#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sndfile.h>
#include <string>
#include <vector>

#include "capture/AudioConversion.h"
#include "capture/WAV.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

namespace orvendi {
namespace {

using test::runTool;
using test::samplesOf;
using test::shellQuoted;

int peakOf(const std::vector<int16_t>& samples, size_t from = 0) {
    int peak = 0;
    for (size_t i = from; i < samples.size(); ++i) {
        peak = std::max(peak, std::abs(int(samples[i])));
    }
    return peak;
}

class AudioConversion : public testing::Test {
protected:
    std::filesystem::path file(const std::string& name) const { return dir_.path() / name; }

    // `sox -n <format> file synth ...` into the temporary folder.
    std::filesystem::path synthesize(const std::string& name, const std::string& format,
                                     const std::string& effects) const {
        runTool("sox -n " + format + " " + shellQuoted(file(name)) + " " + effects);
        return file(name);
    }

private:
    test::TempDir dir_;
};

TEST_F(AudioConversion, ResamplesAndAveragesChannels) {
    const std::string stereoFloat = "-r 48000 -c 2 -e floating-point -b 32";
    struct Case {
        const char* name;
        const char* file;
        std::string format;
        const char* effects;
        int minimumPeak;
        int maximumPeak;
    };
    // clang-format off
    const std::vector<Case> cases = {
        // One channel at half scale, the other silent: the mean is a quarter.
        {"48 kHz stereo float CAF", "a.caf", stereoFloat, "synth 2 sine 440 vol 0.5 remix 1 0", 7700, 8700},
        // The right channel is the left inverted: their mean is silence.
        {"anti-phase stereo", "b.caf", stereoFloat, "synth 2 sine 440 vol 0.5 remix 1 1i", 0, 63},
        {"digital silence stays zero", "c.caf", stereoFloat, "trim 0 2", 0, 0},
        {"8 kHz mono 16-bit WAV", "d.wav", "-r 8000 -c 1 -b 16", "synth 2 sine 440 vol 0.5", 15800, 16900},
        {"16 kHz mono 16-bit WAV", "e.wav", "-r 16000 -c 1 -b 16", "synth 2 sine 440 vol 0.5", 15800, 16900},
        {"44.1 kHz 8-bit WAV", "f.wav", "-r 44100 -c 1 -b 8", "synth 2 sine 440 vol 0.5", 15500, 17200},
        {"6 channels at 96 kHz", "g.wav", "-r 96000 -c 6 -b 16", "synth 2 sine 440 vol 0.6 remix 1 1 1 0 0 0", 9400, 10300},
    };
    // clang-format on
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto input = synthesize(c.file, c.format, c.effects);
        const auto pcm = convertTo16kMonoInt16(input);
        ASSERT_TRUE(pcm.has_value());
        const auto samples = samplesOf(*pcm);
        EXPECT_NEAR(double(samples.size()), 32000.0, 2.0); // two seconds at 16 kHz
        const int peak = peakOf(samples);
        EXPECT_GE(peak, c.minimumPeak);
        EXPECT_LE(peak, c.maximumPeak);
    }
}

// A float file may carry NaN or infinity (a damaged spool file); they must not
// stay in the resampler's filter and silence everything after them.
TEST_F(AudioConversion, NonFiniteSamplesDoNotSilenceTheRest) {
    SF_INFO info{};
    info.samplerate = 48000;
    info.channels = 1;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    std::vector<float> samples(48000);
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = 0.5f * float(std::sin(2 * M_PI * 440 * double(i) / 48000));
    }
    samples[10] = NAN;
    samples[11] = INFINITY;
    samples[12] = -INFINITY;
    SNDFILE* out = sf_open(file("nan.wav").c_str(), SFM_WRITE, &info);
    ASSERT_NE(out, nullptr);
    sf_writef_float(out, samples.data(), sf_count_t(samples.size()));
    sf_close(out);

    const auto pcm = convertTo16kMonoInt16(file("nan.wav"));
    ASSERT_TRUE(pcm.has_value());
    const auto converted = samplesOf(*pcm);
    EXPECT_NEAR(double(converted.size()), 16000.0, 2.0);
    EXPECT_GT(peakOf(converted, 8000), 15800);
}

// A file cut short (the process ended while it was written) converts up to the cut.
TEST_F(AudioConversion, TruncatedFileKeepsWhatIsThere) {
    const auto input =
        synthesize("long.wav", "-r 48000 -c 2 -e floating-point -b 32", "synth 2 sine 440 vol 0.5");
    const auto fullBytes = std::filesystem::file_size(input);
    const uintmax_t oneSecondOfFrames = 48000 * 2 * 4;
    std::filesystem::resize_file(input, fullBytes - oneSecondOfFrames);

    const auto pcm = convertTo16kMonoInt16(input);
    ASSERT_TRUE(pcm.has_value());
    EXPECT_NEAR(double(pcm->size() / 2), 16000.0, 2.0);
}

TEST_F(AudioConversion, UnreadableFilesAreAbsent) {
    test::writeFile(file("notes.txt"), "not a sound at all, just some words in a file\n");
    test::writeFile(file("empty.wav"), "");
    test::writeBytes(file("header-only.wav"), *WAV::wrap({}));
    EXPECT_FALSE(convertTo16kMonoInt16(file("missing.caf")).has_value());
    EXPECT_FALSE(convertTo16kMonoInt16(file("notes.txt")).has_value());
    EXPECT_FALSE(convertTo16kMonoInt16(file("empty.wav")).has_value());
    EXPECT_FALSE(convertTo16kMonoInt16(file("")).has_value());
    // A file without frames converts to nothing, which callers treat as no recording.
    const auto empty = convertTo16kMonoInt16(file("header-only.wav"));
    EXPECT_TRUE(!empty.has_value() || empty->empty());
}

} // namespace
} // namespace orvendi
