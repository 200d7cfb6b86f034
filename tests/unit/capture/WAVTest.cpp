#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <sndfile.h>
#include <string>
#include <vector>

#include "capture/WAV.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

namespace orvendi {
namespace {

using test::runTool;
using test::shellQuoted;

Bytes littleEndian32(uint32_t value) {
    return {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// One RIFF chunk: identifier, size (the body's unless given), body, pad byte when odd.
Bytes chunk(const std::string& id, const Bytes& body, std::optional<uint32_t> declaredSize = {}) {
    Bytes out = text(id) + littleEndian32(declaredSize.value_or(uint32_t(body.size()))) + body;
    if (body.size() % 2 == 1) {
        out.push_back(0);
    }
    return out;
}

Bytes riff(const std::vector<Bytes>& chunks, const std::string& riffTag = "RIFF",
           const std::string& form = "WAVE") {
    Bytes out = text(riffTag) + littleEndian32(0) + text(form);
    for (const auto& c : chunks) {
        out = out + c;
    }
    return out;
}

Bytes samples(const std::vector<int16_t>& values) {
    Bytes out;
    for (int16_t v : values) {
        out.push_back(uint8_t(uint16_t(v)));
        out.push_back(uint8_t(uint16_t(v) >> 8));
    }
    return out;
}

Bytes wavOf(const Bytes& payload) {
    return *WAV::wrap(payload);
}

// The body of the canonical "fmt " chunk.
Bytes formatBody() {
    const Bytes header = wavOf({});
    return Bytes(header.begin() + 20, header.begin() + 36);
}
const Bytes kFormatBody = formatBody();

uint32_t sizeFieldAt(const Bytes& wav, size_t offset) {
    uint32_t value = 0;
    std::memcpy(&value, wav.data() + offset, 4);
    return value;
}

TEST(WAV, WrapWritesTheCanonicalHeader) {
    const Bytes expected =
        text("RIFF") + littleEndian32(39) + text("WAVEfmt ") +
        Bytes{16, 0, 0, 0, 1, 0, 1, 0, 0x80, 0x3e, 0, 0, 0, 0x7d, 0, 0, 2, 0, 16, 0} +
        text("data") + littleEndian32(3) + Bytes{7, 8, 9};
    EXPECT_EQ(WAV::wrap({7, 8, 9}), expected);
}

TEST(WAV, PcmDataFollowsTheChunkRules) {
    const Bytes payload{1, 2, 3, 4};
    Bytes zeroRiffSize = wavOf(payload);
    std::fill(zeroRiffSize.begin() + 4, zeroRiffSize.begin() + 8, 0);
    const Bytes canonical = wavOf(payload);
    struct Case {
        const char* name;
        Bytes input;
        std::optional<Bytes> expected;
    };
    const std::vector<Case> cases = {
        {"canonical", canonical, payload},
        {"empty payload", wavOf({}), Bytes{}},
        {"odd chunk before data is padded",
         riff({chunk("fmt ", kFormatBody), chunk("LIST", {1, 2, 3}), chunk("data", payload)}),
         payload},
        {"data before fmt", riff({chunk("data", payload), chunk("fmt ", kFormatBody)}), payload},
        {"first data chunk wins", riff({chunk("data", payload), chunk("data", {9, 9})}), payload},
        {"identifiers are case-sensitive", riff({chunk("DATA", {9, 9}), chunk("data", payload)}),
         payload},
        {"non-ASCII identifier is skipped",
         riff({chunk("\xC4\x61ta", {9, 9, 9}), chunk("data", payload)}), payload},
        {"RIFF size field is ignored", zeroRiffSize, payload},
        {"streaming size 0xFFFFFFFF", riff({chunk("data", payload, 0xFFFFFFFF)}), std::nullopt},
        {"data one byte short", riff({chunk("data", payload, 5)}), std::nullopt},
        {"skipped chunk runs past the end", riff({chunk("LIST", {1, 2}, 1000)}), std::nullopt},
        {"odd chunk without its pad byte at the end", riff({chunk("LIST", {1})}), std::nullopt},
        {"no data chunk", riff({chunk("fmt ", kFormatBody)}), std::nullopt},
        {"big-endian RIFX", riff({chunk("data", payload)}, "RIFX"), std::nullopt},
        {"not WAVE", riff({chunk("data", payload)}, "RIFF", "AVI "), std::nullopt},
        {"non-ASCII in RIFF", riff({chunk("data", payload)}, "\xD2IFF"), std::nullopt},
        {"non-ASCII in WAVE", riff({chunk("data", payload)}, "RIFF", "WAV\xC5"), std::nullopt},
        {"11 bytes", Bytes(canonical.begin(), canonical.begin() + 11), std::nullopt},
        {"preamble only", riff({}), std::nullopt},
        {"truncated chunk header", riff({}) + Bytes{'d', 'a', 't', 'a', 0, 0, 0}, std::nullopt},
        {"empty buffer", Bytes{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WAV::pcmData(c.input), c.expected);
    }
}

TEST(WAV, ChunksCutWholeSamplesIntoCompleteFiles) {
    struct Case {
        size_t payloadBytes;
        int64_t maximum;
        std::vector<uint32_t> expectedSizes;
    };
    const std::vector<Case> cases = {
        {10, 4, {4, 4, 2}}, {12, 7, {6, 6}}, {6, 1, {2, 2, 2}},
        {6, 0, {2, 2, 2}},  {4, -3, {2, 2}}, {4, INT64_MIN, {2, 2}},
        {5, 4, {4, 1}},     {10, 100, {10}}, {10, INT64_MAX, {10}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.payloadBytes << " bytes, maximum " << c.maximum);
        Bytes payload(c.payloadBytes);
        for (size_t i = 0; i < payload.size(); ++i) {
            payload[i] = uint8_t(i + 1);
        }
        const auto pieces = WAV::chunks(wavOf(payload), c.maximum);
        ASSERT_EQ(pieces.size(), c.expectedSizes.size());
        Bytes joined;
        for (size_t i = 0; i < pieces.size(); ++i) {
            ASSERT_EQ(pieces[i].size(), 44 + c.expectedSizes[i]);
            EXPECT_EQ(sizeFieldAt(pieces[i], 4), 36 + c.expectedSizes[i]);
            EXPECT_EQ(sizeFieldAt(pieces[i], 40), c.expectedSizes[i]);
            joined = joined + *WAV::pcmData(pieces[i]);
        }
        EXPECT_EQ(joined, payload);
    }
}

TEST(WAV, ChunksOfNothingAreEmpty) {
    EXPECT_TRUE(WAV::chunks(wavOf({}), 4).empty());
    EXPECT_TRUE(WAV::chunks(Bytes{1, 2, 3}, 4).empty());
    EXPECT_TRUE(WAV::chunks(riff({chunk("data", {1, 2}, 3)}), 4).empty());
}

TEST(WAV, ScreeningRejectsSilenceAndNoise) {
    std::vector<int16_t> alternatingFullScale;
    for (int i = 0; i < 1000; ++i) {
        alternatingFullScale.push_back(i % 2 ? int16_t(-32768) : int16_t(32767));
    }
    std::vector<int16_t> loudestAmongSilence(10, 0);
    loudestAmongSilence[3] = -32768;
    struct Case {
        const char* name;
        Bytes wav;
        bool expected;
    };
    const std::vector<Case> cases = {
        {"empty payload", wavOf({}), false},
        {"not a WAV", Bytes{1, 2, 3}, false},
        {"within -63..63", wavOf(samples({63, -63, 0, 12, -1})), false},
        {"single -64 among zeros", wavOf(samples({0, 0, -64, 0})), true},
        {"single 64 among zeros", wavOf(samples({0, 64, 0, 0})), true},
        {"-32768 is a peak of 32768", wavOf(samples(loudestAmongSilence)), true},
        {"alternating full scale", wavOf(samples(alternatingFullScale)), false},
        {"steady level just above 0.6", wavOf(samples(std::vector<int16_t>(100, 19661))), false},
        {"steady level just below 0.6", wavOf(samples(std::vector<int16_t>(100, 19660))), true},
        {"3-byte payload: one loud sample", wavOf({0x40, 0x00, 0x7F}), true},
        {"3-byte payload: third byte ignored", wavOf({0x3F, 0x00, 0x7F}), false},
        {"1-byte payload", wavOf({0x7F}), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WAV::hasPlausibleVoiceSignal(c.wav), c.expected);
    }
}

// Rewrites a 16-bit WAV through libsndfile with text metadata, which puts a
// LIST chunk between "fmt " and "data".
void copyWithListChunk(const std::filesystem::path& from, const std::filesystem::path& to) {
    SF_INFO info{};
    SNDFILE* in = sf_open(from.c_str(), SFM_READ, &info);
    ASSERT_NE(in, nullptr);
    const sf_count_t frameCount = info.frames; // opening for writing resets it
    std::vector<short> frames(size_t(frameCount * info.channels));
    sf_readf_short(in, frames.data(), frameCount);
    sf_close(in);
    SNDFILE* out = sf_open(to.c_str(), SFM_WRITE, &info);
    ASSERT_NE(out, nullptr);
    sf_set_string(out, SF_STR_TITLE, "Dictation");
    sf_set_string(out, SF_STR_SOFTWARE, "Orvendi tests");
    sf_writef_short(out, frames.data(), frameCount);
    sf_close(out);
}

TEST(WAV, ParsesAndScreensFilesFromRealTools) {
    test::TempDir dir;
    const auto at = [&](const char* name) { return dir.path() / name; };
    runTool("espeak-ng -v en-us -w " + shellQuoted(at("speech.wav")) +
            " 'Please send the report to the team before Friday.'");
    runTool("sox " + shellQuoted(at("speech.wav")) + " -r 16000 -c 1 -b 16 " +
            shellQuoted(at("speech16k.wav")));
    copyWithListChunk(at("speech16k.wav"), at("list.wav"));
    runTool("sox " + shellQuoted(at("speech.wav")) + " -b 8 " + shellQuoted(at("eight.wav")));
    runTool("sox " + shellQuoted(at("speech.wav")) + " -r 48000 -c 2 -e floating-point -b 32 " +
            shellQuoted(at("float.wav")));
    runTool("sox -n -r 16000 -c 1 -b 16 " + shellQuoted(at("silence.wav")) + " trim 0 1");
    runTool("sox -n -r 16000 -c 1 -b 16 " + shellQuoted(at("square.wav")) + " synth 1 square 440");

    const std::string listBytes = test::readFile(at("list.wav"));
    ASSERT_LT(listBytes.find("LIST"), listBytes.find("data"));

    struct Case {
        const char* file;
        int bytesPerSample;
        std::optional<bool> plausibleVoice; // only for 16 kHz mono 16-bit files
    };
    const std::vector<Case> cases = {
        {"speech16k.wav", 2, true},     {"list.wav", 2, true},     {"eight.wav", 1, std::nullopt},
        {"float.wav", 4, std::nullopt}, {"silence.wav", 2, false}, {"square.wav", 2, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const Bytes wav = test::readBytes(at(c.file));
        const auto info = test::soundInfo(at(c.file));
        const auto payload = WAV::pcmData(wav);
        ASSERT_TRUE(payload.has_value());
        EXPECT_EQ(payload->size(), size_t(info.frames * info.channels * c.bytesPerSample));
        if (c.plausibleVoice) {
            EXPECT_EQ(WAV::hasPlausibleVoiceSignal(wav), *c.plausibleVoice);
        }
    }
    EXPECT_EQ(WAV::pcmData(test::readBytes(at("list.wav"))),
              WAV::pcmData(test::readBytes(at("speech16k.wav"))));
}

} // namespace
} // namespace orvendi
