#include <gtest/gtest.h>

#include "vault/VaultState.h"

namespace orvendi {
namespace {

struct DecodeCase {
    const char* name;
    const char* json;
    bool decodes;
    bool hasFiles;
};

TEST(VaultStateDecode, RequiresDateAndIdsAndTakesFilesWhenPresent) {
    // clang-format off
    const DecodeCase cases[] = {
        {"old state without files", R"({"lastCreatedAt":"2025","syncedIds":["a","b"]})", true, false},
        {"empty file map", R"({"lastCreatedAt":"","syncedIds":[],"files":{}})", true, true},
        {"files null is absent", R"({"lastCreatedAt":"","syncedIds":[],"files":null})", true, false},
        {"unknown key ignored", R"({"lastCreatedAt":"","syncedIds":[],"v":2})", true, false},
        {"file name not a string", R"({"lastCreatedAt":"","syncedIds":[],"files":{"a":1}})", false, false},
        {"files an array", R"({"lastCreatedAt":"","syncedIds":[],"files":[]})", false, false},
        {"no syncedIds", R"({"lastCreatedAt":""})", false, false},
        {"no lastCreatedAt", R"({"syncedIds":[]})", false, false},
        {"lastCreatedAt null", R"({"lastCreatedAt":null,"syncedIds":[]})", false, false},
        {"id not a string", R"({"lastCreatedAt":"","syncedIds":["a",1]})", false, false},
        {"array", R"([])", false, false},
        {"truncated", R"({"lastCreatedAt":"","syncedIds":[)", false, false},
        {"empty", "", false, false},
    };
    // clang-format on
    for (const auto& row : cases) {
        const auto state = VaultState::decode(row.json);
        EXPECT_EQ(state.has_value(), row.decodes) << row.name;
        if (state) {
            EXPECT_EQ(state->files.has_value(), row.hasFiles) << row.name;
        }
    }
}

TEST(VaultStateEncode, IsOneLineThatDecodesToTheSameState) {
    VaultState state;
    state.lastCreatedAt = "2025-02-03T09:05:41Z";
    state.syncedIds = {"b", "a"};
    state.files = std::map<std::string, std::string>{{"a", "2025-02-03 0905 Plan \"1\"\n.md"}};
    const std::string text = state.encode();
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(VaultState::decode(text), state);

    state.files.reset();
    EXPECT_EQ(state.encode(), R"({"lastCreatedAt":"2025-02-03T09:05:41Z","syncedIds":["a","b"]})");
}

} // namespace
} // namespace orvendi
