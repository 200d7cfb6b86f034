// The note listing is kept between requests: whatever changes the notes (any
// route, or another program writing to the database) shows in the next
// answer; revalidation with the ETag and gzip when the client asks.
#include <functional>
#include <sqlite3.h>

#include "capture/WAV.h"
#include "support/harness/ServerFixture.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {
namespace {

constexpr const char* kBoundary = "listing-test-boundary";

class NoteListingTest : public ServerFixture {
public:
    // The ways a user's notes change.
    void add() { addNote(token_, "Third note."); }
    void transcribe() const {
        const Bytes wav = *WAV::wrap(Bytes(16000, 0));
        const auto stored = client().Post(
            "/api/transcribe", bearer(token_), agentMultipart(kBoundary, wav, 1, "linux", false),
            (std::string("multipart/form-data; boundary=") + kBoundary).c_str());
        ASSERT_EQ(stored->status, 200) << stored->body;
    }
    void patch(const std::string& body) const {
        const std::string path = "/api/notes/" + first_;
        ASSERT_EQ(client().Patch(path.c_str(), bearer(token_), body, "application/json")->status,
                  200);
    }
    void remove() const {
        ASSERT_EQ(client().Delete(("/api/notes/" + first_).c_str(), bearer(token_))->status, 204);
    }
    void writeOutside(const std::string& sql) const {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open((dataDir() / "orvendi.db").c_str(), &db), SQLITE_OK);
        sqlite3_busy_timeout(db, 5000);
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }

protected:
    NoteListingTest() {
        speech_.respond("POST", "/v1/audio/transcriptions",
                        ScriptedResponse::json(200, {{"text", "spoken words"}}));
    }
    std::vector<std::string> serverArguments() const override {
        return {"--anon-key", kAnonKey, "--asr", speech_.url()};
    }
    void SetUp() override {
        ServerFixture::SetUp();
        token_ = tokenFor("lister@example.com");
        first_ = addNote(token_, "First note.");
        addNote(token_, "Second note.");
    }
    httplib::Result listing(const std::string& query, httplib::Headers headers = {}) const {
        headers.emplace("Authorization", "Bearer " + token_);
        return client().Get(("/api/notes" + query).c_str(), headers);
    }

    TestHTTPServer speech_;
    std::string token_;
    std::string first_;
};

struct Write {
    const char* name;
    std::function<void(NoteListingTest&)> apply;
    // In the short listing after the write ("!" first: no longer in it).
    std::string shows;
};

class ListingAfterWriteTest : public NoteListingTest,
                              public ::testing::WithParamInterface<Write> {};

TEST_P(ListingAfterWriteTest, ShowsTheWriteInTheNextAnswer) {
    const std::string shortBefore = listing("")->body;
    const std::string fullBefore = listing("?full=1")->body;
    ASSERT_EQ(listing("")->body, shortBefore); // now kept
    GetParam().apply(*this);
    const std::string shortAfter = listing("")->body;
    EXPECT_NE(shortAfter, shortBefore);
    EXPECT_NE(listing("?full=1")->body, fullBefore);
    const std::string& shows = GetParam().shows;
    if (shows.front() == '!') {
        EXPECT_EQ(shortAfter.find(shows.substr(1)), std::string::npos) << shortAfter;
    } else {
        EXPECT_NE(shortAfter.find(shows), std::string::npos) << shortAfter;
    }
}

const Write kWrites[] = {
    {"Finalize", [](auto& test) { test.add(); }, "Third note."},
    {"Transcription", [](auto& test) { test.transcribe(); }, "Spoken words."},
    {"Title", [](auto& test) { test.patch(R"({"title":"Renamed"})"); }, "Renamed"},
    {"Labels", [](auto& test) { test.patch(R"({"project":"Home","tags":["garden"]})"); },
     R"("tags":["garden"])"},
    {"Archive", [](auto& test) { test.patch(R"({"archived":true})"); }, R"("archived_at":"20)"},
    {"Delete", [](auto& test) { test.remove(); }, "!First note."},
    {"OutsideProcess",
     [](auto& test) { test.writeOutside("UPDATE notes SET title = 'Changed elsewhere'"); },
     "Changed elsewhere"},
};
INSTANTIATE_TEST_SUITE_P(EveryWay, ListingAfterWriteTest, ::testing::ValuesIn(kWrites),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(NoteListingTest, RevalidatesWithTheETagAndCompressesOnlyWhenAsked) {
    const auto plain = listing("");
    const std::string etag = plain->get_header_value("ETag");
    EXPECT_FALSE(plain->has_header("Content-Encoding"));
    const auto unchanged = listing("", {{"If-None-Match", etag}});
    EXPECT_EQ(unchanged->status, 304);
    EXPECT_EQ(unchanged->body, "");
    EXPECT_EQ(unchanged->get_header_value("ETag"), etag);

    auto raw = client();
    raw.set_decompress(false);
    const auto compressed =
        raw.Get("/api/notes", {{"Authorization", "Bearer " + token_}, {"Accept-Encoding", "gzip"}});
    EXPECT_EQ(compressed->get_header_value("Content-Encoding"), "gzip");
    EXPECT_EQ(compressed->body.substr(0, 2), "\x1f\x8b");
    const std::string gzipTag = compressed->get_header_value("ETag");
    EXPECT_NE(gzipTag, etag);
    EXPECT_EQ(listing("", {{"Accept-Encoding", "gzip"}})->body, plain->body); // decoded
    EXPECT_EQ(listing("", {{"Accept-Encoding", "gzip"}, {"If-None-Match", gzipTag}})->status, 304);

    addNote(token_, "Changed.");
    const auto changed = listing("", {{"If-None-Match", etag}});
    EXPECT_EQ(changed->status, 200);
    EXPECT_NE(changed->get_header_value("ETag"), etag);
}

} // namespace
} // namespace orvendi::test
