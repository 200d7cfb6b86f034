#include <gtest/gtest.h>

#include <sys/stat.h>

#include "base/Error.h"
#include "support/harness/TempDir.h"
#include "vault/VaultFiles.h"

namespace orvendi {
namespace {

namespace fs = std::filesystem;

size_t entryCount(const fs::path& folder) {
    return static_cast<size_t>(
        std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

TEST(VaultFiles, AtomicWriteCreatesAndReplacesWithoutLeftovers) {
    test::TempDir folder;
    const auto target = folder.path() / "note.md";
    VaultFiles::writeAtomically(target, "first");
    VaultFiles::writeAtomically(target, "second\n");
    EXPECT_EQ(test::readFile(target), "second\n");
    EXPECT_EQ(entryCount(folder.path()), 1u);

    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(fs::status(target).permissions(), static_cast<fs::perms>(0666 & ~mask))
        << "new notes are as readable as any new file";
}

TEST(VaultFiles, FailedWriteThrowsAndLeavesTheFolderAsItWas) {
    test::TempDir folder;
    const auto target = folder.path() / "note.md";
    test::writeFile(target / "occupied", "a folder stands where the note goes");
    EXPECT_THROW(VaultFiles::writeAtomically(target, "x"), PlatformError);
    EXPECT_EQ(entryCount(folder.path()), 1u);
    EXPECT_THROW(VaultFiles::writeAtomically(folder.path() / "missing" / "n.md", "x"),
                 PlatformError);
}

TEST(VaultFiles, ReplacingALinkNeverWritesThroughIt) {
    test::TempDir folder;
    const auto outside = folder.path() / "outside.txt";
    test::writeFile(outside, "keep");
    fs::create_directory(folder.path() / "vault");
    const auto link = folder.path() / "vault" / "note.md";
    fs::create_symlink(outside, link);

    EXPECT_EQ(VaultFiles::read(link), "keep");
    VaultFiles::writeAtomically(link, "new");
    EXPECT_EQ(test::readFile(outside), "keep");
    EXPECT_FALSE(fs::is_symlink(link));

    fs::remove(link);
    fs::create_symlink(outside, link);
    EXPECT_TRUE(VaultFiles::removeFile(link));
    EXPECT_EQ(test::readFile(outside), "keep");
}

TEST(VaultFiles, RemoveNeverTakesAFolderAndReadSkipsOne) {
    test::TempDir folder;
    fs::create_directory(folder.path() / "empty.md");
    EXPECT_FALSE(VaultFiles::removeFile(folder.path() / "empty.md"));
    EXPECT_TRUE(fs::is_directory(folder.path() / "empty.md"));
    EXPECT_EQ(VaultFiles::read(folder.path() / "empty.md"), std::nullopt);
    EXPECT_EQ(VaultFiles::read(folder.path() / "missing.md"), std::nullopt);
}

} // namespace
} // namespace orvendi
