#include <gtest/gtest.h>

#include "SoundFilePayload.h"
#include "capture/WAV.h"
#include "support/harness/SoundFiles.h"
#include "support/harness/TempDir.h"

namespace orvendi::test {
namespace {

// A quiet ramp, so that no two payloads look alike.
Bytes pcmOfLength(size_t bytes) {
    Bytes pcm(bytes);
    for (size_t i = 0; i < bytes; ++i) {
        pcm[i] = uint8_t(i * 7);
    }
    return pcm;
}

void putLE32(Bytes& bytes, size_t offset, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + size_t(i)] = uint8_t(value >> (8 * i));
    }
}

TEST(SoundFilePayload, SendsAWavAlreadyInTheServiceFormatByteForByte) {
    TempDir dir;
    // A LIST chunk of odd size (with its pad byte) before the samples: kept as it is.
    Bytes wav = *WAV::wrap(pcmOfLength(64000));
    const Bytes list = {'L', 'I', 'S', 'T', 3, 0, 0, 0, 'a', 'b', 'c', 0};
    wav.insert(wav.begin() + 36, list.begin(), list.end());
    putLE32(wav, 4, uint32_t(wav.size() - 8));
    writeBytes(dir.path() / "ready.wav", wav);

    const SoundFilePayload payload = SoundFilePayload::load(dir.path() / "ready.wav");
    EXPECT_EQ(payload.wav, wav);
    EXPECT_EQ(payload.durationSecs, 2);
}

TEST(SoundFilePayload, DurationIsThePayloadRoundedHalvesAwayFromZero) {
    TempDir dir;
    const std::vector<std::pair<size_t, int64_t>> rows = {
        {0, 0}, {15998, 0}, {16000, 1}, {47998, 1}, {48000, 2}, {79998, 2}, {80000, 3},
    };
    for (const auto& [pcmBytes, seconds] : rows) {
        writeBytes(dir.path() / "f.wav", *WAV::wrap(pcmOfLength(pcmBytes)));
        EXPECT_EQ(SoundFilePayload::load(dir.path() / "f.wav").durationSecs, seconds) << pcmBytes;
    }
}

TEST(SoundFilePayload, ConvertsOtherFormatsTo16kMonoWav) {
    TempDir dir;
    const auto& d = dir.path();
    // Two seconds each: stereo at 44.1 kHz and FLAC (the formats themselves
    // are the converter's concern).
    const std::vector<std::string> names = {"stereo.wav", "speech.flac"};
    runTool("sox -n -r 44100 -c 2 -b 16 " + shellQuoted(d / names[0]) + " synth 2 sine 440");
    runTool("sox -n -r 16000 -c 1 -b 16 " + shellQuoted(d / names[1]) + " synth 2 sine 440");
    for (const auto& name : names) {
        const SoundFilePayload payload = SoundFilePayload::load(d / name);
        ASSERT_GE(payload.wav.size(), 44u) << name;
        EXPECT_EQ(payload.wav, *WAV::wrap(*WAV::pcmData(payload.wav))) << name;
        EXPECT_EQ(payload.durationSecs, 2) << name;
        EXPECT_NEAR(double(WAV::pcmData(payload.wav)->size()), 64000, 64) << name;
    }
}

TEST(SoundFilePayload, ConvertsAServiceFormatWavWhoseSizeFieldsOutrunTheFile) {
    // Streaming recorders leave the size at 0xFFFFFFFF; libsndfile still reads
    // the samples, the WAV reader would not, so the file is rewritten.
    TempDir dir;
    Bytes wav = *WAV::wrap(pcmOfLength(32000));
    putLE32(wav, 4, 0xFFFFFFFF);
    putLE32(wav, 40, 0xFFFFFFFF);
    writeBytes(dir.path() / "stream.wav", wav);

    const SoundFilePayload payload = SoundFilePayload::load(dir.path() / "stream.wav");
    ASSERT_TRUE(WAV::pcmData(payload.wav));
    EXPECT_EQ(*WAV::pcmData(payload.wav), pcmOfLength(32000));
    EXPECT_EQ(payload.durationSecs, 1);
}

TEST(SoundFilePayload, FilesThatAreNoSoundFailWithAReadableReason) {
    TempDir dir;
    writeFile(dir.path() / "notes.txt", "not a sound\n");
    const std::vector<std::pair<std::filesystem::path, std::string>> rows = {
        {dir.path() / "missing.wav", "No such file"},
        {dir.path(), "directory"},
        {dir.path() / "notes.txt", "not a sound file"},
    };
    for (const auto& [file, reason] : rows) {
        try {
            SoundFilePayload::load(file);
            ADD_FAILURE() << file;
        } catch (const SoundFileError& error) {
            EXPECT_NE(std::string(error.what()).find(reason), std::string::npos) << error.what();
        }
    }
}

} // namespace
} // namespace orvendi::test
