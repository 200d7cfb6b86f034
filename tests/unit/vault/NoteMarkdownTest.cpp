#include <gtest/gtest.h>

#include "support/fakes/VirtualScheduler.h"
#include "support/harness/TempDir.h"
#include "vault/NoteMarkdown.h"

namespace orvendi {
namespace {

using nlohmann::json;

constexpr double kNow = test::VirtualScheduler::kStartTime;
const std::string kExpectedFolder = ORVENDI_TESTS_DIR "/unit/vault/data/";

std::string render(const json& note) {
    return NoteMarkdown::render(note, note.value("id", "x"), note.value("created_at", "d"), kNow);
}

TEST(NoteMarkdown, RichNoteMatchesTheExpectedFile) {
    const json note = json::parse(R"({
        "id": "6f1d2c3b-0000-4000-8000-000000000001",
        "created_at": "2025-02-03T09:05:41.123Z",
        "title": "Plan B: launch",
        "text": "raw words second line",
        "cleaned_text": "Clean words.\nSecond line.",
        "project": "Atlas \"X\"",
        "tags": ["work", "q1"],
        "source": "dictation",
        "archived_at": null,
        "related": [
            {"created_at": "2025-01-10T08:00:00Z", "title": "Kickoff", "id": "0a1b2c3d-1111-4000-8000-000000000002"},
            {"title": "No date, no link", "id": "0a1b2c3d-1111-4000-8000-000000000003"},
            {"created_at": "2025-01-11T08:00:00.5Z"},
            {"created_at": "not a date", "title": "Retro", "id": "abc"}
        ]
    })");
    EXPECT_EQ(render(note), test::readFile(kExpectedFolder + "rich-note.md"));
}

struct BodyCase {
    const char* name;
    json fields;
    std::string body;
};

TEST(NoteMarkdown, BodyPrefersCleanedTextAndKeepsDifferingRawText) {
    const BodyCase cases[] = {
        {"text only", {{"text", "spoken"}}, "spoken"},
        {"cleaned equals text", {{"text", "same"}, {"cleaned_text", "same"}}, "same"},
        {"cleaned differs", {{"text", "um so"}, {"cleaned_text", "So."}}, "So.\n\n## Raw\n\num so"},
        {"cleaned without text", {{"cleaned_text", "So."}}, "So.\n\n## Raw\n\n"},
        {"cleaned not a string", {{"text", "t"}, {"cleaned_text", 5}}, "t"},
        {"text not a string", {{"text", json::array()}, {"cleaned_text", ""}}, ""},
    };
    for (const auto& row : cases) {
        json note = row.fields;
        note["id"] = "x";
        note["created_at"] = "d";
        EXPECT_EQ(render(note), "---\nid: x\ndate: d\nsource: web\n---\n\n" + row.body + "\n")
            << row.name;
    }
}

struct FrontMatterCase {
    const char* name;
    json fields;
    std::string lines;
};

TEST(NoteMarkdown, OptionalFrontMatterLinesNeedTheRightTypes) {
    const FrontMatterCase cases[] = {
        {"project", {{"project", "P"}}, "project: \"P\"\nsource: web\n"},
        {"project number", {{"project", 1}}, "source: web\n"},
        {"empty tags", {{"tags", json::array()}}, "source: web\n"},
        {"tags with a number", {{"tags", {"a", 1}}}, "source: web\n"},
        {"tags string", {{"tags", "a"}}, "source: web\n"},
        {"one tag", {{"tags", {"a b"}}}, "tags: [a b]\nsource: web\n"},
        {"source", {{"source", "ios"}}, "source: ios\n"},
        {"source null", {{"source", nullptr}}, "source: web\n"},
    };
    for (const auto& row : cases) {
        json note = row.fields;
        EXPECT_EQ(NoteMarkdown::render(note, "x", "d", kNow),
                  "---\nid: x\ndate: d\n" + row.lines + "---\n\n\n")
            << row.name;
    }
}

TEST(NoteMarkdown, RelatedSectionOnlyWithAtLeastOneLink) {
    const std::string plain = "---\nid: x\ndate: d\nsource: web\n---\n\nb\n";
    const json noLinks[] = {
        json::array({json{{"title", "no date"}}}),
        json::array({json{{"created_at", 7}}}),
        json::array({json{{"created_at", "2025-01-10T08:00:00Z"}}, "not an object"}),
        json{{"created_at", "2025-01-10T08:00:00Z"}},
        json::array(),
    };
    for (const auto& related : noLinks) {
        EXPECT_EQ(NoteMarkdown::render(json{{"text", "b"}, {"related", related}}, "x", "d", kNow),
                  plain)
            << related.dump();
    }
}

} // namespace
} // namespace orvendi
