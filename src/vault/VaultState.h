#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace orvendi {

// What the vault synchroniser remembers between runs, stored as one line of
// JSON in ~/.orvendi/vault_state.json.
struct VaultState {
    // The greatest created_at (by string comparison) of any note written.
    std::string lastCreatedAt;
    // Every note id written at least once; only grows.
    std::set<std::string> syncedIds;
    // Note id to the name of its file in the vault folder. Absent in state
    // files from before the synchroniser kept this map.
    std::optional<std::map<std::string, std::string>> files;

    bool operator==(const VaultState&) const = default;

    // The state of a vault never synced: nothing written, an empty file map.
    static VaultState empty();
    // Absent when the text is not a state object ("lastCreatedAt" and
    // "syncedIds" are required, "files" optional; a wrong type anywhere fails).
    static std::optional<VaultState> decode(std::string_view json);
    // Compact JSON without line breaks; "files" only when the map exists.
    std::string encode() const;
};

} // namespace orvendi
