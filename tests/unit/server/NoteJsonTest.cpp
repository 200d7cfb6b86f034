// Note listings are written as text directly; what the JSON document serialiser
// wrote before is the reference, byte for byte.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "base/IsoTime.h"
#include "http/JsonReply.h"
#include "http/NoteJson.h"
#include "storage/Database.h"
#include "storage/NoteStore.h"
#include "support/harness/TempDir.h"

namespace orvendi::server {
namespace {

nlohmann::json documentOf(const Note& note, const std::vector<Note>* related) {
    auto time = [](int64_t ms) { return IsoTime::formatMillis(ms); };
    nlohmann::json out = {
        {"id", note.id},
        {"created_at", time(note.createdMs)},
        {"updated_at", time(note.updatedMs)},
        {"title", note.title},
        {"project", note.project ? nlohmann::json(*note.project) : nlohmann::json()},
        {"tags", note.tags},
        {"source", note.source},
        {"duration_secs", note.durationSecs},
        {"archived_at",
         note.archivedMs ? nlohmann::json(time(*note.archivedMs)) : nlohmann::json()},
    };
    if (related) {
        out["text"] = note.text;
        out["cleaned_text"] = note.cleanedText;
        out["related"] = nlohmann::json::array();
        for (const Note& other : *related) {
            out["related"].push_back(
                {{"id", other.id}, {"title", other.title}, {"created_at", time(other.createdMs)}});
        }
    }
    return out;
}

TEST(NoteJsonTest, TextIsWhatTheDocumentSerialiserWrites) {
    const std::vector<std::string> awkward = {"plain",
                                              "quote \" and \\ slash /",
                                              "tab\tline\nreturn\r\b\f\x01\x1f\x7f",
                                              "Grüße, 日本, 😀",
                                              "bad \xff\xfe byte",
                                              "cut \xe6\x97",
                                              "surrogate \xed\xa0\x80",
                                              ""};
    std::vector<Note> notes;
    for (size_t i = 0; i < awkward.size(); ++i) {
        Note note;
        note.id = "id-";
        note.id += std::to_string(i);
        note.createdMs = 1'700'000'000'123 + int64_t(i);
        note.updatedMs = 1'800'000'000'000;
        note.title = awkward[i];
        note.text = awkward[(i + 1) % awkward.size()];
        note.cleanedText = awkward[(i + 2) % awkward.size()];
        note.project = i % 2 ? std::optional(awkward[i]) : std::nullopt;
        note.tags = i % 3 ? std::vector{awkward[i], std::string("x")} : std::vector<std::string>{};
        note.source = awkward[(i + 3) % awkward.size()];
        note.durationSecs = int64_t(i) * 1000 - 1;
        note.archivedMs = i % 4 ? std::nullopt : std::optional<int64_t>(1'750'000'000'000);
        notes.push_back(note);
    }
    const std::vector<std::vector<Note>> related(notes.size(), {notes[3], notes[4]});

    nlohmann::json summaries = nlohmann::json::array(), full = nlohmann::json::array();
    for (size_t i = 0; i < notes.size(); ++i) {
        summaries.push_back(documentOf(notes[i], nullptr));
        full.push_back(documentOf(notes[i], &related[i]));
    }
    EXPECT_EQ(NoteJson::summaries(notes), JsonReply::serialize({{"notes", summaries}}));
    EXPECT_EQ(NoteJson::fullList(notes, related), JsonReply::serialize({{"notes", full}}));
    EXPECT_EQ(NoteJson::single(notes[4], related[4]), JsonReply::serialize({{"note", full[4]}}));
    EXPECT_EQ(NoteJson::summaries({}), R"({"notes":[]})");
}

TEST(NoteJsonTest, RelatedNotesAreTheSameForOneNoteAndForTheWholeListing) {
    test::TempDir temp;
    Database db(temp.path() / "notes.db");
    db.withConnection(
        [&] { db.execute("INSERT INTO users (id, email, created_at) VALUES (1, 'a@x.org', 0)"); });
    NoteStore store(db);
    // Shared labels, distances in time and ties chosen so that every ordering rule decides once.
    const std::vector<std::pair<int64_t, std::vector<std::string>>> made = {
        {100, {"a", "b"}}, {90, {"a", "b"}},      {110, {"a"}}, {110, {"a"}},
        {90, {"b"}},       {50, {"a", "b", "c"}}, {200, {"c"}}, {300, {}}};
    for (size_t i = 0; i < made.size(); ++i) {
        Note note;
        note.id = "n";
        note.id += std::to_string(i);
        note.userId = 1;
        note.createdMs = note.updatedMs = made[i].first;
        note.tags = made[i].second;
        note.project = i % 2 ? std::optional<std::string>("p") : std::nullopt;
        store.insert(note);
    }
    auto idsOf = [](const std::vector<Note>& related) {
        std::vector<std::string> ids;
        for (const Note& note : related) {
            ids.push_back(note.id);
        }
        return ids;
    };
    const auto listed = store.list(1);
    const auto together = store.related(listed);
    for (size_t i = 0; i < listed.size(); ++i) {
        EXPECT_EQ(idsOf(store.related({listed[i]}).front()), idsOf(together[i])) << listed[i].id;
    }
    EXPECT_EQ(idsOf(store.related({*store.find(1, "n0")}).front()),
              (std::vector<std::string>{"n1", "n5", "n3", "n2", "n4"}));
}

} // namespace
} // namespace orvendi::server
