#include <future>
#include <regex>
#include <sqlite3.h>
#include <thread>

#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

// UTC with milliseconds, as the server writes every time.
const std::regex kTimestamp(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}\.\d{3}Z)");

class NotesTest : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        token_ = tokenFor("writer@example.com");
    }

    httplib::Result patch(const std::string& id, const std::string& body,
                          const std::string& token = {}) const {
        return client().Patch(("/api/notes/" + id).c_str(), bearer(token.empty() ? token_ : token),
                              body, "application/json");
    }
    nlohmann::json note(const std::string& id) const {
        return bodyOf(get("/api/notes/" + id, token_))["note"];
    }

    std::string token_;
};

TEST_F(NotesTest, ListingHasEveryFieldTheVaultReads) {
    const std::string first = addNote(token_, "Buy milk on the way home.\nAnd bread.");
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string second = addNote(token_, "Second thought.");
    const auto listed = notes(token_);
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(listed[0]["id"], second); // newest first
    const auto& note = listed[1];
    EXPECT_EQ(note["id"], first);
    EXPECT_TRUE(std::regex_match(
        note["id"].get<std::string>(),
        std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")));
    EXPECT_TRUE(std::regex_match(note["created_at"].get<std::string>(), kTimestamp));
    EXPECT_EQ(note["title"], "Buy milk on the way home.");
    EXPECT_EQ(note["text"], "Buy milk on the way home.\nAnd bread.");
    EXPECT_EQ(note["cleaned_text"], "Buy milk on the way home.\nAnd bread.");
    EXPECT_TRUE(note["project"].is_null());
    EXPECT_EQ(note["tags"], nlohmann::json::array());
    EXPECT_EQ(note["source"], "linux");
    EXPECT_EQ(note["related"], nlohmann::json::array());
    EXPECT_TRUE(note["archived_at"].is_null());

    // Without full=1 the list is lighter: no texts, no related notes.
    const auto summary = notes(token_, "")[1];
    EXPECT_EQ(summary["title"], "Buy milk on the way home.");
    EXPECT_FALSE(summary.contains("text"));
    EXPECT_FALSE(summary.contains("related"));
}

TEST_F(NotesTest, SinceKeepsNotesChangedAfterThatTime) {
    const std::string old = addNote(token_, "Old note.");
    const std::string oldCreated = notes(token_)[0]["created_at"];
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    const std::string fresh = addNote(token_, "Fresh note.");

    const auto after = notes(token_, "?since=" + oldCreated + "&full=1");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0]["id"], fresh);

    // The same instant written with an offset ("+" percent-encoded as the agent sends it).
    const auto inUtc = oldCreated.substr(0, 23); // "YYYY-MM-DDTHH:MM:SS.mmm"
    EXPECT_EQ(notes(token_, "?since=" + inUtc + "%2B00:00").size(), 1u);
    EXPECT_EQ(notes(token_, "?since=2000-01-01T00:00:00Z").size(), 2u);

    // Editing the old note brings it back into the window.
    ASSERT_EQ(patch(old, R"({"title":"Renamed"})")->status, 200);
    EXPECT_EQ(notes(token_, "?since=" + oldCreated).size(), 2u);

    const auto bad = get("/api/notes?since=yesterday", token_);
    EXPECT_EQ(bad->status, 400);
    EXPECT_FALSE(errorOf(bad).empty());
}

TEST_F(NotesTest, EditsOfTitleProjectTagsAndArchivingAreKept) {
    const std::string a = addNote(token_, "Plan the garden.");
    const std::string b = addNote(token_, "Order seeds.");
    addNote(token_, "Unrelated.");

    const auto edited = patch(
        a,
        R"({"title":"  Garden plan ","project":"Home","tags":["garden"," spring","garden",""]})");
    ASSERT_EQ(edited->status, 200) << edited->body;
    const auto body = bodyOf(edited)["note"];
    EXPECT_EQ(body["title"], "Garden plan");
    EXPECT_EQ(body["project"], "Home");
    EXPECT_EQ(body["tags"], nlohmann::json({"garden", "spring"}));
    EXPECT_EQ(body["text"], "Plan the garden."); // the dictation itself is not editable

    ASSERT_EQ(patch(b, R"({"project":"Home"})")->status, 200);
    const auto related = note(a)["related"];
    ASSERT_EQ(related.size(), 1u);
    EXPECT_EQ(related[0]["id"], b);
    EXPECT_EQ(related[0]["title"], "Order seeds.");
    EXPECT_EQ(related[0]["created_at"], note(b)["created_at"]);

    // An archived note stays listed, marked, and is no longer related.
    const auto archived = patch(b, R"({"archived":true})");
    ASSERT_EQ(archived->status, 200);
    const std::string when = bodyOf(archived)["note"]["archived_at"];
    EXPECT_TRUE(std::regex_match(when, kTimestamp));
    EXPECT_EQ(notes(token_).size(), 3u);
    EXPECT_TRUE(note(a)["related"].empty());
    // Archiving again keeps the first time.
    EXPECT_EQ(bodyOf(patch(b, R"({"archived":true})"))["note"]["archived_at"], when);
    ASSERT_EQ(patch(b, R"({"archived":false})")->status, 200);
    EXPECT_TRUE(note(b)["archived_at"].is_null());
    EXPECT_EQ(note(a)["related"].size(), 1u);

    // An empty project is no project.
    ASSERT_EQ(patch(b, R"({"project":" "})")->status, 200);
    EXPECT_TRUE(note(b)["project"].is_null());
    ASSERT_EQ(patch(a, R"({"project":null,"tags":[]})")->status, 200);
    EXPECT_TRUE(note(a)["project"].is_null());
    EXPECT_EQ(note(a)["tags"], nlohmann::json::array());
}

TEST_F(NotesTest, DeleteRemovesTheNoteAndAnotherUsersNotesAreOutOfReach) {
    const std::string a = addNote(token_, "Short lived.");
    const std::string b = addNote(token_, "Stays.");
    const std::string other = tokenFor("other@example.com");
    EXPECT_TRUE(notes(other).empty());
    EXPECT_EQ(get("/api/notes/" + b, other)->status, 404);
    EXPECT_EQ(patch(b, R"({"title":"Mine now"})", other)->status, 404);
    EXPECT_EQ(client().Delete(("/api/notes/" + b).c_str(), bearer(other))->status, 404);
    EXPECT_EQ(note(b)["title"], "Stays.");

    const auto deleted = client().Delete(("/api/notes/" + a).c_str(), bearer(token_));
    EXPECT_EQ(deleted->status, 204);
    EXPECT_EQ(get("/api/notes/" + a, token_)->status, 404);
    const auto listed = notes(token_);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["id"], b);
    const auto again = client().Delete(("/api/notes/" + a).c_str(), bearer(token_));
    EXPECT_EQ(again->status, 404);
    EXPECT_EQ(errorOf(again), "Note not found");
}

TEST_F(NotesTest, BadEditsAreRefusedAndChangeNothing) {
    const std::string id = addNote(token_, "Untouched.");
    const std::string bodies[] = {
        R"({"title":"x","colour":"red"})",
        R"({"title":5})",
        R"({"title":"two\nlines"})",
        R"({"title":")" + std::string(201, 'a') + R"("})",
        R"({"tags":"one"})",
        R"({"tags":[1]})",
        R"({"archived":"yes"})",
        R"({"title":"x")",
        R"(["title"])",
        "",
    };
    for (const auto& body : bodies) {
        const auto result = patch(id, body);
        EXPECT_EQ(result->status, 400) << body;
        EXPECT_FALSE(errorOf(result).empty()) << body;
    }
    EXPECT_EQ(note(id)["title"], "Untouched.");
    EXPECT_EQ(patch("not-a-note", R"({"title":"x"})")->status, 404);
}

TEST_F(NotesTest, TextThatLooksLikeSqlIsStoredLiterally) {
    const std::string sly = "Robert'); DROP TABLE notes;-- \" OR 1=1 --";
    const std::string id = addNote(token_, sly);
    ASSERT_EQ(
        patch(id,
              nlohmann::json{{"title", sly}, {"project", "x' OR '1'='1"}, {"tags", {"%", "_", "'"}}}
                  .dump())
            ->status,
        200);
    const auto listed = notes(token_);
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0]["cleaned_text"], sly);
    EXPECT_EQ(listed[0]["title"], sly);
    EXPECT_EQ(listed[0]["project"], "x' OR '1'='1");
    EXPECT_EQ(get("/api/notes/' OR 1=1 --", token_)->status, 404);
}

TEST_F(NotesTest, EmptyFinalizeStoresNothing) {
    const auto result = postJson(
        "/api/transcribe/finalize",
        {{"rawText", ""}, {"cleanedText", " "}, {"durationSecs", 1}, {"source", "linux"}}, token_);
    ASSERT_EQ(result->status, 200);
    EXPECT_FALSE(bodyOf(result)["raw"].contains("id"));
    EXPECT_TRUE(notes(token_).empty());
    const auto missing = postJson("/api/transcribe/finalize", {{"rawText", "x"}}, token_);
    EXPECT_EQ(missing->status, 400);
}

TEST_F(NotesTest, ConcurrentWritersAndReadersAllSucceed) {
    constexpr int kThreads = 6;
    constexpr int kNotesEach = 15;
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kNotesEach; ++i) {
                const auto written = postJson("/api/transcribe/finalize",
                                              {{"rawText", "note " + std::to_string(t * 100 + i)},
                                               {"cleanedText", "Note."},
                                               {"durationSecs", 1},
                                               {"source", "linux"}},
                                              token_);
                const auto read = get("/api/notes?full=1", token_);
                if (!written || written->status != 200 || !read || read->status != 200) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(notes(token_).size(), static_cast<size_t>(kThreads * kNotesEach));
}

// A backup or the sqlite3 shell holding the write lock makes writers wait,
// never the readers.
TEST_F(NotesTest, AnOutsideWriteLockStallsNoReader) {
    sqlite3* outside = nullptr;
    ASSERT_EQ(sqlite3_open((dataDir() / "orvendi.db").c_str(), &outside), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(outside, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    auto waitingWrite = std::async(std::launch::async, [&] {
        return postJson("/api/transcribe/finalize",
                        {{"rawText", "x"}, {"cleanedText", "X."}, {"durationSecs", 1}}, token_)
            ->status;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(get("/api/notes?full=1", token_)->status, 200);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
    sqlite3_exec(outside, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(outside);
    EXPECT_EQ(waitingWrite.get(), 200);
}

} // namespace
} // namespace orvendi::test
