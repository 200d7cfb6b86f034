#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <vector>

#include "base/Error.h"
#include "capture/RecoveryStore.h"
#include "capture/WAV.h"
#include "support/fakes/FakeFiles.h"
#include "support/harness/SoundFiles.h"

namespace orvendi {
namespace {

namespace fs = std::filesystem;
using test::readBytes;
using test::writeBytes;

class RecoveryStoreTest : public testing::Test {
protected:
    fs::path folder() const {
        return files_.applicationSupportDirectory() / "Orvendi/Pending Recordings";
    }

    // A file in the recovery folder, last modified `minutesAgo` minutes ago.
    fs::path place(const std::string& name, const Bytes& content, int minutesAgo = 0) {
        const auto file = folder() / name;
        fs::create_directories(file.parent_path());
        writeBytes(file, content);
        fs::last_write_time(file,
                            fs::file_time_type::clock::now() - std::chrono::minutes(minutesAgo));
        return file;
    }

    std::vector<std::string> namesInFolder() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    test::FakeFiles files_;
    RecoveryStore store_{files_};
};

TEST_F(RecoveryStoreTest, NewURLsAreFreshLowerCaseNamesInTheCreatedFolder) {
    const auto first = store_.newRecoveryURL("caf");
    const auto second = store_.newRecoveryURL("caf");
    EXPECT_EQ(first.parent_path(), folder());
    EXPECT_TRUE(fs::is_directory(folder()));
    EXPECT_FALSE(fs::exists(first));
    EXPECT_NE(first, second);
    const std::string name = first.filename().string();
    EXPECT_TRUE(std::regex_match(
        name,
        std::regex("pending-[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\.caf")))
        << name;
}

TEST_F(RecoveryStoreTest, AnUnavailableFolderFailsCreationButListsNothing) {
    files_.failApplicationSupport = true;
    EXPECT_THROW(store_.newRecoveryURL("caf"), PlatformError);
    EXPECT_TRUE(store_.pendingRecordings().empty());
}

TEST_F(RecoveryStoreTest, PersistReplacesTheSpoolFileThenItsOwnFileAndLeavesNoTemporaryFile) {
    const Bytes wav = *WAV::wrap({5, 6});
    const auto stored = store_.persistForRecovery(wav, place("pending-a.caf", {1, 2, 3}));
    EXPECT_EQ(stored, folder() / "pending-a.wav");
    EXPECT_EQ(readBytes(stored), wav);
    EXPECT_EQ(namesInFolder(), std::vector<std::string>{"pending-a.wav"});

    const Bytes newer = *WAV::wrap({7, 7});
    EXPECT_EQ(store_.persistForRecovery(newer, stored), stored);
    EXPECT_EQ(readBytes(stored), newer);
}

TEST_F(RecoveryStoreTest, AFailedWriteKeepsTheReplacedFile) {
    const auto spool = place("pending-c.caf", {1, 2, 3});
    fs::create_directories(folder() / "pending-c.wav" / "in-the-way");
    EXPECT_THROW(store_.persistForRecovery(*WAV::wrap({1, 2}), spool), PlatformError);
    EXPECT_EQ(readBytes(spool), (Bytes{1, 2, 3}));
    EXPECT_EQ(namesInFolder(), (std::vector<std::string>{"pending-c.caf", "pending-c.wav"}));
}

TEST_F(RecoveryStoreTest, ListsRecordingsNewestFirstWhateverTheirCase) {
    EXPECT_TRUE(store_.pendingRecordings().empty());
    EXPECT_TRUE(fs::is_directory(folder()));

    const auto a = place("pending-a.wav", {1}, 65);
    const auto b = place("pending-b.CAF", {1}, 60);
    const auto c = place("pending-c.Wav", {1}, 70);
    place("notes.txt", {1}, 1);
    place(".pending-hidden.wav", {1}, 1);
    place("Silent Recordings/pending-s.wav", {1}, 1);
    fs::create_directories(folder() / "pending-folder.wav");
    EXPECT_EQ(store_.pendingRecordings(), (std::vector<fs::path>{b, a, c}));
}

Bytes wavWithPayloadBytes(size_t count) {
    return *WAV::wrap(Bytes(count, 0x11));
}

TEST_F(RecoveryStoreTest, RecoversStoredWAVsWithWholeSecondDurations) {
    struct Case {
        const char* name;
        Bytes content;
        std::optional<int64_t> duration;
    };
    const std::vector<Case> cases = {
        {"pending-1.wav", wavWithPayloadBytes(31999), 1},
        {"pending-2.wav", wavWithPayloadBytes(64000), 2},
        {"pending-3.WAV", wavWithPayloadBytes(95999), 2},
        {"pending-4.wav", wavWithPayloadBytes(1), 1},
        {"pending-5.wav", Bytes(45, 'x'), 1}, // no payload to measure
        {"pending-6.wav", wavWithPayloadBytes(0), std::nullopt},
        {"pending-7.wav", Bytes{}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto file = place(c.name, c.content);
        const auto recording = store_.recover(file);
        ASSERT_EQ(recording.has_value(), c.duration.has_value());
        EXPECT_TRUE(fs::exists(file));
        if (recording) {
            EXPECT_EQ(recording->durationSeconds, *c.duration);
            EXPECT_EQ(recording->wav, c.content);
            EXPECT_EQ(recording->recoveryURL, file);
        }
    }
    EXPECT_FALSE(store_.recover(folder() / "pending-missing.wav").has_value());
}

TEST_F(RecoveryStoreTest, RecoveringASpoolFileConvertsAndStoresIt) {
    for (const char* extension : {"caf", "CAF"}) {
        SCOPED_TRACE(extension);
        const auto spool = store_.newRecoveryURL(extension);
        test::runTool("sox -n -r 48000 -c 2 -e floating-point -b 32 -t caf " +
                      test::shellQuoted(spool) + " synth 2.5 sine 300 vol 0.3");
        const auto recording = store_.recover(spool);
        ASSERT_TRUE(recording.has_value());
        auto expectedURL = spool;
        expectedURL.replace_extension("wav");
        EXPECT_EQ(recording->recoveryURL, expectedURL);
        EXPECT_FALSE(fs::exists(spool));
        EXPECT_EQ(readBytes(expectedURL), recording->wav);
        EXPECT_EQ(recording->durationSeconds, 2);
        EXPECT_NEAR(double(WAV::pcmData(recording->wav)->size()), 80000.0, 4.0);
    }
}

TEST_F(RecoveryStoreTest, SpoolFilesWithoutAudioStayPending) {
    const auto notAudio = place("pending-x.caf", Bytes(200, 'x'));
    const auto noFrames = store_.newRecoveryURL("caf");
    test::runTool("sox -n -r 48000 -c 2 -e floating-point -b 32 -t caf " +
                  test::shellQuoted(noFrames) + " trim 0 0");
    EXPECT_FALSE(store_.recover(notAudio).has_value());
    EXPECT_FALSE(store_.recover(noFrames).has_value());
    EXPECT_EQ(store_.pendingRecordings().size(), 2u);
}

// What a retry takes: never a spool a recorder is writing, and nothing that
// cannot be read stands in the way of the older recordings.
TEST_F(RecoveryStoreTest, TakingTheNextRecordingSetsUnusableOnesAsideAndLeavesLiveSpools) {
    const auto oldest = place("pending-a.wav", wavWithPayloadBytes(64000), 40);
    place("pending-b.wav", *WAV::wrap({}), 30);
    place("pending-c.caf", Bytes(200, 'x'), 20);
    const auto ownSpool = place("pending-d.caf", Bytes(200, 'x'), 10);
    const auto otherRecorder = place("pending-e.caf", Bytes(200, 'x'), 0);

    EXPECT_EQ(store_.retryableRecordings(ownSpool).size(), 3u);
    const auto taken = store_.takeNextPending(ownSpool);
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->recoveryURL, oldest);
    EXPECT_EQ(taken->durationSeconds, 2);

    EXPECT_EQ(namesInFolder(), (std::vector<std::string>{"Unreadable Recordings", "pending-a.wav",
                                                         "pending-d.caf", "pending-e.caf"}));
    EXPECT_TRUE(fs::exists(folder() / "Unreadable Recordings" / "pending-b.wav"));
    EXPECT_TRUE(fs::exists(folder() / "Unreadable Recordings" / "pending-c.caf"));

    taken->discardRecoveryCopy();
    taken->discardRecoveryCopy(); // a second time finds nothing to delete
    EXPECT_FALSE(fs::exists(oldest));
    EXPECT_FALSE(store_.takeNextPending(ownSpool).has_value());
    EXPECT_TRUE(fs::exists(ownSpool));
    EXPECT_TRUE(fs::exists(otherRecorder));
}

TEST_F(RecoveryStoreTest, ArchivingMovesSilentRecordingsAsideWithoutOverwriting) {
    const Recording first{{}, 1, place("pending-e.wav", {1})};
    const auto archived = first.archiveSilentCopy();
    ASSERT_TRUE(archived.has_value());
    EXPECT_EQ(*archived, folder() / "Silent Recordings" / "pending-e.wav");
    EXPECT_EQ(readBytes(*archived), Bytes{1});
    EXPECT_TRUE(store_.pendingRecordings().empty());

    // A later recording under the same name must not replace the archived one.
    const Recording second{{}, 1, place("pending-e.wav", {2})};
    EXPECT_FALSE(second.archiveSilentCopy().has_value());
    EXPECT_EQ(readBytes(*archived), Bytes{1});
    EXPECT_EQ(readBytes(second.recoveryURL), Bytes{2});

    const Recording gone{{}, 1, folder() / "pending-gone.wav"};
    EXPECT_FALSE(gone.archiveSilentCopy().has_value());
}

} // namespace
} // namespace orvendi
