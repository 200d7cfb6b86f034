#include <gtest/gtest.h>

#include "SavedRecordings.h"
#include "capture/RecoveryStore.h"
#include "support/fakes/FakeFiles.h"

namespace orvendi::test {
namespace {

using namespace std::chrono_literals;

class SavedRecordingsTest : public ::testing::Test {
protected:
    // A file in the recovery folder, last written `age` ago.
    std::filesystem::path keep(const std::string& name, std::chrono::seconds age,
                               const std::string& content = "RIFF") {
        const auto path = store.recoveryDirectory() / name;
        writeFile(path, content);
        std::filesystem::last_write_time(path, std::filesystem::file_time_type::clock::now() - age);
        return path;
    }

    FakeFiles files;
    RecoveryStore store{files};
    SavedRecordings saved{store};
};

TEST_F(SavedRecordingsTest, ListsNewestFirstWithFormatAndSize) {
    keep("pending-a.wav", 600s, "0123456789");
    keep("pending-b.CAF", 300s, "01234");
    keep("notes.txt", 1s);
    keep("pending-live.caf", 0s); // still being recorded

    const auto entries = saved.list();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].path.filename(), "pending-b.CAF");
    EXPECT_EQ(entries[0].format, "caf");
    EXPECT_EQ(entries[0].size, 5u);
    EXPECT_EQ(entries[1].format, "wav");
    EXPECT_EQ(entries[1].size, 10u);
}

TEST_F(SavedRecordingsTest, FindsOnlyTheStoresOwnFilesByPathOrName) {
    const auto kept = keep("pending-a.wav", 10s);
    const auto elsewhere = files.homeDirectory() / "pending-a.wav";
    writeFile(elsewhere, "RIFF");

    EXPECT_EQ(saved.find(kept.string())->path, kept);
    EXPECT_EQ(saved.find("pending-a.wav")->path, kept);
    EXPECT_FALSE(saved.find(elsewhere.string()));
    EXPECT_FALSE(saved.find("pending-b.wav"));
}

} // namespace
} // namespace orvendi::test
