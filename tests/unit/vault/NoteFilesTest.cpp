#include <gtest/gtest.h>

#include <string>

#include "support/fakes/VirtualScheduler.h"
#include "support/harness/TempDir.h"
#include "vault/NoteFiles.h"

namespace orvendi {
namespace {

constexpr double kNow = test::VirtualScheduler::kStartTime; // 2023-11-14 22:13:20 UTC
const std::string kNowMinute = "2023-11-14 2213";
const std::string kId = "1f0c2d3e-7a6b-4c5d-9e8f-0a1b2c3d4e5f";

std::string repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

struct DateCase {
    const char* createdAt;
    std::string minute;
};

TEST(NoteFileName, DatePartIsTheCreationMinuteInUTC) {
    // Which texts are internet date-times is the ISO 8601 module's; an
    // unreadable one stands for the current minute.
    const DateCase cases[] = {
        {"2025-02-03T09:05:41.123Z", "2025-02-03 0905"},
        {"2025-02-03T10:05:41+01:00", "2025-02-03 0905"},
        {"2025-02-03T04:05:00.5-0500", "2025-02-03 0905"},
        {"2025-02-03T23:30:00-01:00", "2025-02-04 0030"},
        {"1969-12-31T23:59:59Z", "1969-12-31 2359"},
        {"", kNowMinute},
        {"2023-02-29T12:00:00Z", kNowMinute},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(NoteFiles::fileName(row.createdAt, "T", std::nullopt, kNow), row.minute + " T")
            << row.createdAt;
    }
}

TEST(NoteFileName, JoinsDateTitleAndIdPrefix) {
    const std::string date = "2025-02-03T09:05:41Z";
    EXPECT_EQ(NoteFiles::fileName(date, "Plan", kId, kNow), "2025-02-03 0905 Plan 1f0c2d3e");
    EXPECT_EQ(NoteFiles::fileName(date, "", kId, kNow), "2025-02-03 0905 Note 1f0c2d3e");
    EXPECT_EQ(NoteFiles::fileName(date, "###", kId, kNow), "2025-02-03 0905  1f0c2d3e");
    EXPECT_EQ(NoteFiles::fileName(date, "Plan", "abc", kNow), "2025-02-03 0905 Plan abc");
    EXPECT_EQ(NoteFiles::fileName(date, "Plan", "", kNow), "2025-02-03 0905 Plan ");
    EXPECT_EQ(NoteFiles::fileName(date, "Plan", std::nullopt, kNow), "2025-02-03 0905 Plan");
}

TEST(NoteFileName, NamesOfManyByteCharactersStillFitAFileSystemName) {
    const std::string family =
        "\U0001F468\u200D\U0001F469\u200D\U0001F467\u200D\U0001F466"; // 25 bytes
    const std::string name =
        NoteFiles::fileName("2025-02-03T09:05:41Z", repeat(family, 60), kId, kNow);
    const std::string prefix = "2025-02-03 0905 ";
    ASSERT_TRUE(name.starts_with(prefix));
    ASSERT_TRUE(name.ends_with(" 1f0c2d3e"));
    const std::string title = name.substr(prefix.size(), name.size() - prefix.size() - 9);
    EXPECT_EQ(title, repeat(family, 9)) << "whole characters, as many as fit";
    EXPECT_LE(name.size() + 3, 255u);

    test::TempDir folder;
    test::writeFile(folder.path() / (name + ".md"), "x");

    std::string zalgoCharacter = "a";
    zalgoCharacter += repeat("\u0301", 200);
    const std::string zalgoId = repeat(zalgoCharacter, 8);
    const std::string long2 = NoteFiles::fileName("2025-02-03T09:05:41Z", "Plan", zalgoId, kNow);
    EXPECT_LE(long2.size() + 3, 255u);
    EXPECT_TRUE(long2.starts_with("2025-02-03 0905 "));
}

struct SanitizeCase {
    std::string title;
    std::string expected;
};

TEST(NoteFileName, SanitizeRemovesTrimsAndCutsToSixtyCharacters) {
    const std::string eAcute = "e\u0301";            // one character, two code points
    const std::string flag = "\U0001F1EB\U0001F1F7"; // one character, two regional indicators
    const SanitizeCase cases[] = {
        {"Plan", "Plan"},
        {R"(a/b\c:d?e%f*g|h"i<j>k#l^m[n]o)", "abcdefghijklmno"},
        {"  \tPlan B\t  ", "Plan B"},
        {"\nPlan\n", "\nPlan\n"},
        {" [ Plan ] ", "Plan"},
        {"###", ""},
        {repeat("a", 80), repeat("a", 60)},
        {repeat("a", 59) + " b", repeat("a", 59) + " "},
        {repeat(eAcute, 70), repeat(eAcute, 60)},
        {repeat(flag, 61), repeat(flag, 60)},
        {"\r\n" + repeat("a", 60), "\r\n" + repeat("a", 59)},
    };
    for (const auto& row : cases) {
        EXPECT_EQ(NoteFiles::sanitize(row.title), row.expected) << row.title;
    }
}

TEST(NoteFileName, PlainFileNamesAreSingleEntriesOfTheFolder) {
    const std::pair<std::string, bool> cases[] = {
        {"2025-02-03 0905 Plan 1f0c2d3e.md", true},
        {"...", true},
        {"two\nlines.md", true},
        {"", false},
        {".", false},
        {"..", false},
        {"../x.md", false},
        {"a/b.md", false},
        {"/etc/passwd", false},
        {std::string("a\0b.md", 6), false},
    };
    for (const auto& [name, plain] : cases) {
        EXPECT_EQ(NoteFiles::isPlainFileName(name), plain) << name;
    }
}

} // namespace
} // namespace orvendi
