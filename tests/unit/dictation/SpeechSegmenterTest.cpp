#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "SpeechLikeAudio.h"
#include "capture/SpeechSegmenter.h"

namespace orvendi {
namespace {

constexpr double kRate = 16000;
constexpr double kBytesPerSecond = 32000;
constexpr double kPause = 0.6;

struct Case {
    std::string name;
    std::function<test::SpeechLikeAudio()> audio;
    size_t expectedParts;
    // Every cut falls inside a pause of the audio, never inside a sentence.
    bool cutsInPauses;
};

// Ten sentences of six words (3.5 s each) with a pause after each.
test::SpeechLikeAudio sentences(double pause) {
    test::SpeechLikeAudio audio(kRate);
    for (int i = 0; i < 10; ++i) {
        audio.sentence(6).silence(pause);
    }
    return audio;
}

// The start and end times of the pauses: stretches of at least 0.3 s of zeros.
std::vector<std::pair<double, double>> pausesOf(const std::vector<float>& samples) {
    std::vector<std::pair<double, double>> pauses;
    size_t start = 0;
    for (size_t i = 0; i <= samples.size(); ++i) {
        if (i < samples.size() && samples[i] == 0.0f) {
            continue;
        }
        if (i - start >= size_t(0.3 * kRate)) {
            pauses.emplace_back(double(start) / kRate, double(i) / kRate);
        }
        start = i + 1;
    }
    return pauses;
}

class SpeechSegmenterTest : public testing::TestWithParam<Case> {};

TEST_P(SpeechSegmenterTest, CutsOnlyWhereTheRulesAllowAndKeepsEveryByteOnce) {
    const test::SpeechLikeAudio audio = GetParam().audio();
    const Bytes pcm = audio.pcm();
    SpeechSegmenter segmenter;
    std::vector<Bytes> parts;
    // Pieces of an odd size, as the converter hands them over.
    constexpr size_t kPiece = 4321;
    for (size_t offset = 0; offset < pcm.size(); offset += kPiece) {
        const size_t count = std::min(kPiece, pcm.size() - offset);
        for (auto& part : segmenter.push(pcm.data() + offset, count)) {
            parts.push_back(std::move(part));
        }
    }
    const Bytes rest = segmenter.takeRest();
    EXPECT_EQ(parts.size(), GetParam().expectedParts);

    Bytes joined;
    double cut = 0;
    const auto pauses = pausesOf(audio.samples());
    for (const auto& part : parts) {
        EXPECT_LE(part.size(), size_t(3'145'728));
        joined.insert(joined.end(), part.begin(), part.end());
        cut += double(part.size()) / kBytesPerSecond;
        EXPECT_GE(cut, 10.0) << "no cut before ten seconds";
        if (GetParam().cutsInPauses) {
            EXPECT_TRUE(std::any_of(
                pauses.begin(), pauses.end(),
                [&](const auto& pause) { return cut > pause.first && cut < pause.second; }))
                << "cut at " << cut << " s";
        }
    }
    joined.insert(joined.end(), rest.begin(), rest.end());
    EXPECT_TRUE(joined == pcm) << "the parts and the rest are the recording, in order";
}

INSTANTIATE_TEST_SUITE_P(
    GeneratedAudio, SpeechSegmenterTest,
    testing::Values(
        // 48 s: nothing is cut in the first 10 s, then each of the other
        // eight pauses is; the rest is the last pause's second half.
        Case{"SentencesWithPauses", [] { return sentences(kPause); }, 8, true},
        // 0.2 s of quiet between sentences is not a pause yet.
        Case{"ShortGapsOnly", [] { return sentences(0.1); }, 0, false},
        Case{"UnbrokenSpeechIsCutAtTheUploadLimit",
             [] { return test::SpeechLikeAudio(kRate).tone(200); }, 2, false},
        Case{"SilenceOnly", [] { return test::SpeechLikeAudio(kRate).silence(60); }, 0, false},
        Case{"ShorterThanTenSeconds",
             [] { return test::SpeechLikeAudio(kRate).sentence(6).silence(1).sentence(6); }, 0,
             false}),
    [](const auto& testCase) { return testCase.param.name; });

} // namespace
} // namespace orvendi
