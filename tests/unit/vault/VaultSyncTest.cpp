#include "support/harness/VaultSyncFixture.h"

#include <sys/stat.h>

#include "vault/NoteMarkdown.h"

namespace orvendi {
namespace {

using nlohmann::json;
using test::note;
using test::readFile;
using test::writeFile;
namespace fs = std::filesystem;

const std::string kA = "aaaaaaaa-0000-4000-8000-000000000001";
const std::string kB = "bbbbbbbb-0000-4000-8000-000000000002";
const std::string kC = "cccccccc-0000-4000-8000-000000000003";
const std::string kD = "dddddddd-0000-4000-8000-000000000004";

class VaultSyncTest : public test::VaultSyncFixture {};

ino_t inode(const fs::path& file) {
    struct stat info {};
    EXPECT_EQ(::stat(file.c_str(), &info), 0) << file;
    return info.st_ino;
}

TEST_F(VaultSyncTest, FirstSyncWritesEveryLiveNoteAndNothingElse) {
    writeFile(vault() / "mine.md", "my own note");
    writeFile(vault() / "2025-02-03 0905 Plan aaaaaaaa.txt", "also mine");
    json archived = note(kC, "2025-02-05T10:00:00Z", "Old");
    archived["archived_at"] = "2025-02-06T10:00:00Z";
    json notArchived = note(kD, "2025-02-04T10:00:00.250Z", "Kept");
    notArchived["archived_at"] = nullptr;
    serveNotes({note(kA, "2025-02-03T09:05:41.123Z", "Plan"), note(kB, "2025-02-01T08:00:00Z", ""),
                archived, notArchived,
                json{{"created_at", "2025-02-03T09:05:41Z"}, {"title", "no id"}},
                json{{"id", "e"}, {"title", "no date"}},
                json{{"id", 5}, {"created_at", "2025-02-03T09:05:41Z"}}});

    auto sync = makeSync();
    syncOnQueue(*sync);

    const std::set<std::string> expected{
        "mine.md", "2025-02-03 0905 Plan aaaaaaaa.txt", "2025-02-03 0905 Plan aaaaaaaa.md",
        "2025-02-01 0800 Note bbbbbbbb.md", "2025-02-04 1000 Kept dddddddd.md"};
    EXPECT_EQ(vaultNames(), expected);
    EXPECT_EQ(readFile(vault() / "mine.md"), "my own note");
    EXPECT_EQ(readFile(vault() / "2025-02-03 0905 Plan aaaaaaaa.md"),
              "---\nid: " + kA +
                  "\ndate: 2025-02-03T09:05:41.123Z\nsource: web\n---\n\nText of Plan\n");

    const auto state = savedState();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->lastCreatedAt, "2025-02-04T10:00:00.250Z");
    EXPECT_EQ(state->syncedIds, (std::set<std::string>{kA, kB, kD}));
    EXPECT_EQ(state->files,
              (std::map<std::string, std::string>{{kA, "2025-02-03 0905 Plan aaaaaaaa.md"},
                                                  {kB, "2025-02-01 0800 Note bbbbbbbb.md"},
                                                  {kD, "2025-02-04 1000 Kept dddddddd.md"}}));
    EXPECT_EQ(logLines(), std::vector<std::string>{"VaultSync: wrote 3 notes"});

    const auto requests = server.requests("/api/notes");
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].query, "full=1");
    EXPECT_EQ(requests[0].header("Authorization"), "Bearer access-1");
}

TEST_F(VaultSyncTest, RenamesOnTitleChangeAndDeletesArchivedVanishedAndSkippedNotes) {
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan"), note(kB, "2025-02-01T08:00:00Z", "B"),
                note(kC, "2025-02-02T08:00:00Z", "C"), note(kD, "2025-02-02T09:00:00Z", "D")});
    auto sync = makeSync();
    syncOnQueue(*sync);
    writeFile(vault() / "mine.md", "my own note");

    json archived = note(kB, "2025-02-01T08:00:00Z", "B");
    archived["archived_at"] = "2025-02-07T00:00:00Z";
    json undated = note(kD, "2025-02-02T09:00:00Z", "D");
    undated.erase("created_at");
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan B"), archived, undated});
    syncOnQueue(*sync);

    EXPECT_EQ(vaultNames(),
              (std::set<std::string>{"2025-02-03 0905 Plan B aaaaaaaa.md", "mine.md"}));
    EXPECT_EQ(savedState()->files,
              (std::map<std::string, std::string>{{kA, "2025-02-03 0905 Plan B aaaaaaaa.md"}}));
    EXPECT_EQ(savedState()->syncedIds, (std::set<std::string>{kA, kB, kC, kD})) << "ids only grow";
    EXPECT_EQ(logLines().back(), "VaultSync: wrote 1 notes");
}

TEST_F(VaultSyncTest, OldStateFileAdoptsFilesByTheirIdLine) {
    writeFile(stateFile(), R"({"lastCreatedAt":"2025-01-01T00:00:00Z","syncedIds":["x"]})");
    writeFile(vault() / "Plan (old name).md", "---\nid: " + kA + "\n---\nold text\n");
    writeFile(vault() / "archived long ago.md", "---\nid: " + kC + "\n---\n");
    writeFile(vault() / "not a uuid.md", "---\nid: " + kC + "-x\n---\n");
    writeFile(vault() / "far down.md", std::string(600, '\n') + "x\nid: " + kC + "\n");
    writeFile(vault() / "journal.txt", "id: " + kC + "\n");
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan")});

    auto sync = makeSync();
    syncOnQueue(*sync);

    EXPECT_EQ(vaultNames(), (std::set<std::string>{"2025-02-03 0905 Plan aaaaaaaa.md",
                                                   "not a uuid.md", "far down.md", "journal.txt"}));
    const auto state = savedState();
    ASSERT_TRUE(state);
    EXPECT_EQ(state->files,
              (std::map<std::string, std::string>{{kA, "2025-02-03 0905 Plan aaaaaaaa.md"}}));
    EXPECT_EQ(state->syncedIds, (std::set<std::string>{"x", kA}));
    EXPECT_EQ(state->lastCreatedAt, "2025-02-03T09:05:41Z");
}

TEST_F(VaultSyncTest, UnreadableStateCountsAsNeverSyncedWithoutDiscovery) {
    writeFile(stateFile(), "{not json");
    writeFile(vault() / "my copy.md", "id: " + kA + "\n");
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan")});
    auto sync = makeSync();
    syncOnQueue(*sync);
    EXPECT_EQ(vaultNames(),
              (std::set<std::string>{"2025-02-03 0905 Plan aaaaaaaa.md", "my copy.md"}));
}

TEST_F(VaultSyncTest, UnchangedNotesAreNotRewritten) {
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan"), note(kB, "2025-02-01T08:00:00Z", "B")});
    auto sync = makeSync();
    const auto first = sync->syncNow();
    EXPECT_EQ(first.notes, 2);
    EXPECT_EQ(first.filesWritten, 2);
    const auto file = vault() / "2025-02-03 0905 Plan aaaaaaaa.md";
    const ino_t before = inode(file);

    writeFile(vault() / "2025-02-01 0800 B bbbbbbbb.md", "edited by the user");
    const auto second = sync->syncNow();
    EXPECT_EQ(second.notes, 2);
    EXPECT_EQ(second.filesWritten, 1);
    EXPECT_EQ(inode(file), before) << "an atomic rewrite would have replaced the file";
    EXPECT_EQ(
        readFile(vault() / "2025-02-01 0800 B bbbbbbbb.md"),
        NoteMarkdown::render(note(kB, "2025-02-01T08:00:00Z", "B"), kB, "2025-02-01T08:00:00Z", 0));
    EXPECT_TRUE(logLines().empty()) << "syncNow reports to its caller only";
}

TEST_F(VaultSyncTest, WriteFailureStopsTheSyncAndKeepsTheStateFile) {
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan")});
    auto sync = makeSync();
    syncOnQueue(*sync);
    const std::string stateBefore = readFile(stateFile());

    // A folder where a note's file belongs makes its write fail, even for root.
    writeFile(vault() / "2025-02-02 0800 Blocked bbbbbbbb.md" / "inside", "x");
    serveNotes({note(kC, "2025-02-01T08:00:00Z", "First"),
                note(kB, "2025-02-02T08:00:00Z", "Blocked"),
                note(kD, "2025-02-02T09:00:00Z", "Never reached")});
    syncOnQueue(*sync);

    EXPECT_EQ(readFile(stateFile()), stateBefore);
    EXPECT_TRUE(fs::exists(vault() / "2025-02-01 0800 First cccccccc.md"))
        << "written before the failure";
    EXPECT_TRUE(fs::exists(vault() / "2025-02-03 0905 Plan aaaaaaaa.md"))
        << "orphans wait for a full sync";
    EXPECT_FALSE(fs::exists(vault() / "2025-02-02 0900 Never reached dddddddd.md"));
    ASSERT_EQ(logLines().size(), 2u);
    EXPECT_TRUE(logLines()[1].starts_with("VaultSync error: Could not write ")) << logLines()[1];
    EXPECT_THROW(sync->syncNow(), PlatformError);

    fs::remove_all(vault() / "2025-02-02 0800 Blocked bbbbbbbb.md");
    syncOnQueue(*sync);
    const auto state = savedState();
    EXPECT_EQ(state->syncedIds, (std::set<std::string>{kA, kB, kC, kD}));
    EXPECT_FALSE(fs::exists(vault() / "2025-02-03 0905 Plan aaaaaaaa.md"));
}

TEST_F(VaultSyncTest, FetchOrFolderFailureChangesNothing) {
    server.respond("GET", "/api/notes",
                   test::ScriptedResponse::json(500, {{"error", "database is down"}}));
    auto sync = makeSync();
    syncOnQueue(*sync);
    EXPECT_EQ(logLines(), std::vector<std::string>{"VaultSync error: notes fetch HTTP 500"});
    EXPECT_FALSE(fs::exists(stateFile()));
    EXPECT_THROW(sync->syncNow(), APIError);

    writeFile(home() / "occupied", "a file where the vault folder should be");
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan")});
    auto blocked = makeSync("~/occupied");
    syncOnQueue(*blocked);
    EXPECT_TRUE(
        logLines().back().starts_with("VaultSync error: Could not create the vault folder "))
        << logLines().back();
    EXPECT_EQ(server.requestCount("/api/notes"), 2u) << "no request without a vault folder";
}

TEST_F(VaultSyncTest, EachSyncSoonRunsOneFullSyncAndTheTimerEveryFiveMinutes) {
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan")});
    auto sync = makeSync();
    sync->syncSoon();
    sync->syncSoon();
    sync->syncSoon();
    platform.scheduler.runPending();
    EXPECT_EQ(server.requestCount("/api/notes"), 3u);
    EXPECT_EQ(logLines().size(), 3u);

    sync->start();
    platform.scheduler.runPending();
    EXPECT_EQ(server.requestCount("/api/notes"), 4u);
    platform.scheduler.advance(299);
    EXPECT_EQ(server.requestCount("/api/notes"), 4u);
    platform.scheduler.advance(1);
    EXPECT_EQ(server.requestCount("/api/notes"), 5u);
    platform.scheduler.advance(600);
    EXPECT_EQ(server.requestCount("/api/notes"), 7u);

    sync->syncSoon();
    sync.reset();
    platform.scheduler.advance(900);
    EXPECT_EQ(server.requestCount("/api/notes"), 7u)
        << "nothing runs once the synchroniser is gone";
}

TEST_F(VaultSyncTest, VaultFolderComesFromTheConfiguredPathWithEveryTilde) {
    const std::string homeText = home().string();
    EXPECT_EQ(makeSync()->vaultDir(), home() / "Orvendi" / "Notes");
    EXPECT_EQ(makeSync("~/Vault")->vaultDir(), home() / "Vault" / "Notes");
    EXPECT_EQ(makeSync("/srv/~/x~")->vaultDir().string(),
              "/srv/" + homeText + "/x" + homeText + "/Notes");
    EXPECT_EQ(makeSync("relative")->vaultDir(), fs::current_path() / "relative" / "Notes");
    EXPECT_EQ(makeSync()->stateFile(), stateFile());
}

TEST_F(VaultSyncTest, SyncPicksUpWhatAnotherProcessSavedMeanwhile) {
    auto agent = makeSync();
    auto terminal = makeSync();
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan"), note(kB, "2025-02-01T08:00:00Z", "B")});
    EXPECT_EQ(terminal->syncNow().filesWritten, 2);

    json archived = note(kB, "2025-02-01T08:00:00Z", "B");
    archived["archived_at"] = "2025-02-07T00:00:00Z";
    serveNotes({note(kA, "2025-02-03T09:05:41Z", "Plan B"), archived});
    const auto result = agent->syncNow();

    EXPECT_EQ(vaultNames(), std::set<std::string>{"2025-02-03 0905 Plan B aaaaaaaa.md"});
    EXPECT_EQ(result.filesWritten, 1);
    EXPECT_EQ(savedState()->syncedIds, (std::set<std::string>{kA, kB}));
}

// Everything under `root` except the vault folder and the state folder.
std::map<std::string, std::string> snapshotOutside(const fs::path& root, const fs::path& vault) {
    std::map<std::string, std::string> files;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator();
         ++it) {
        if (it->path() == vault || it->path().filename() == ".orvendi") {
            it.disable_recursion_pending();
            continue;
        }
        files[it->path().string()] = it->is_regular_file() ? readFile(it->path()) : "<folder>";
    }
    return files;
}

TEST_F(VaultSyncTest, HostileNamesNeverReachOutsideTheVault) {
    writeFile(home() / "Orvendi" / "outside.md", "keep 1");
    writeFile(home() / "victim.md", "keep 2");
    writeFile(home() / "x.md", "keep 3");
    writeFile(home() / "x", "keep 4");
    writeFile(vault() / "sub" / "inner.md", "keep 5");
    const json files = {{"h1", "../outside.md"},
                        {"h2", (home() / "victim.md").string()},
                        {"h3", ".."},
                        {"h4", "."},
                        {"h5", "sub/inner.md"},
                        {"h6", "sub"},
                        {"h7", ""},
                        {"h8", "../../x.md"},
                        {"h9", std::string("x.md\0.md", 8)}};
    writeFile(stateFile(),
              json{{"lastCreatedAt", ""}, {"syncedIds", json::array()}, {"files", files}}.dump());
    const auto before = snapshotOutside(home(), vault());

    const std::string date = "2025-02-03T09:05:41Z";
    serveNotes({note("../../x", date, "../../x"), note("/etc/passwd", date, "/etc/passwd"),
                note("..", date, ".."),
                note(std::string("n\0ul", 4), date, std::string("a\0/../b", 7)),
                note("new\nline", date, "two\nlines")});
    auto sync = makeSync();
    syncOnQueue(*sync);

    EXPECT_EQ(snapshotOutside(home(), vault()), before);
    EXPECT_EQ(vaultNames(),
              (std::set<std::string>{"sub", "2025-02-03 0905 ....x ....x.md",
                                     "2025-02-03 0905 etcpasswd etcpas.md",
                                     "2025-02-03 0905 .. ...md", "2025-02-03 0905 a..b nul.md",
                                     "2025-02-03 0905 two\nlines new\nline.md"}));
    EXPECT_EQ(readFile(vault() / "sub" / "inner.md"), "keep 5");
    EXPECT_EQ(savedState()->files->size(), 5u);
}

} // namespace
} // namespace orvendi
