#include <gtest/gtest.h>

#include "support/harness/TempDir.h"
#include "vault/ManagedFiles.h"

namespace orvendi {
namespace {

using test::writeFile;

const std::string kUUID1 = "6f1d2c3b-0000-4000-8000-000000000001";
const std::string kUUID2 = "6F1D2C3B-0000-4000-8000-00000000000A";
const std::string kUUID3 = "6f1d2c3b-0000-4000-8000-000000000003";

std::string repeat(const std::string& piece, size_t times) {
    std::string out;
    for (size_t i = 0; i < times; ++i) {
        out += piece;
    }
    return out;
}

TEST(ManagedFiles, AdoptsVisibleMarkdownFilesByTheirFirstIdLine) {
    test::TempDir vault;
    const auto& dir = vault.path();
    writeFile(dir / "a.md", "---\nid: " + kUUID1 + "\ndate: x\n---\n");
    writeFile(dir / "b.MD", "\n\nid: " + kUUID2 + "  \r\n");
    writeFile(dir / "c.txt", "id: " + kUUID3 + "\n");
    writeFile(dir / ".hidden.md", "id: " + kUUID3 + "\n");
    writeFile(dir / "d.md", "id: not-a-uuid\nid: " + kUUID3 + "\n");
    writeFile(dir / "e.md", " id: " + kUUID3 + "\n");
    writeFile(dir / "f.md", "id: " + kUUID3 + "\n\xff\xfe");
    writeFile(dir / "g.md", "id:" + kUUID3 + "\n");
    writeFile(dir / "h.md" / "inside.md", "id: " + kUUID3 + "\n");
    writeFile(dir / "i.md", "id: " + kUUID3 + "0\n");

    const std::map<std::string, std::string> expected{{kUUID1, "a.md"}, {kUUID2, "b.MD"}};
    EXPECT_EQ(ManagedFiles::discover(dir), expected);
}

TEST(ManagedFiles, OnlyTheFirst500CharactersCount) {
    const std::string line = "id: " + kUUID1; // 40 characters
    const std::string accented = "\u00e9";    // two bytes, one character
    EXPECT_EQ(ManagedFiles::idLine(repeat(accented, 459) + "\n" + line + "\nmore"), kUUID1);
    EXPECT_EQ(ManagedFiles::idLine(repeat(accented, 460) + "\n" + line), std::nullopt);
    EXPECT_EQ(ManagedFiles::idLine(repeat("\r\n", 459) + "\n" + line), kUUID1)
        << "a CR LF pair is one character";
}

TEST(ManagedFiles, LaterNameWinsForOneIdAndMissingFolderHasNone) {
    test::TempDir vault;
    writeFile(vault.path() / "x2.md", "id: " + kUUID1 + "\n");
    writeFile(vault.path() / "x1.md", "id: " + kUUID1 + "\n");
    EXPECT_EQ(ManagedFiles::discover(vault.path()),
              (std::map<std::string, std::string>{{kUUID1, "x2.md"}}));
    EXPECT_TRUE(ManagedFiles::discover(vault.path() / "missing").empty());
}

} // namespace
} // namespace orvendi
