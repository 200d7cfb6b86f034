#include "vault/VaultState.h"

#include <nlohmann/json.hpp>

namespace orvendi {

namespace {

std::optional<std::map<std::string, std::string>> decodeFiles(const nlohmann::json& value) {
    std::map<std::string, std::string> files;
    for (const auto& [id, name] : value.items()) {
        if (!name.is_string()) {
            return std::nullopt;
        }
        files.emplace(id, name.get<std::string>());
    }
    return files;
}

} // namespace

VaultState VaultState::empty() {
    return VaultState{"", {}, std::map<std::string, std::string>{}};
}

std::optional<VaultState> VaultState::decode(std::string_view json) {
    const auto root = nlohmann::json::parse(json, nullptr, false);
    if (!root.is_object()) {
        return std::nullopt;
    }
    const auto lastCreatedAt = root.find("lastCreatedAt");
    const auto syncedIds = root.find("syncedIds");
    if (lastCreatedAt == root.end() || !lastCreatedAt->is_string() || syncedIds == root.end() ||
        !syncedIds->is_array()) {
        return std::nullopt;
    }
    VaultState state;
    state.lastCreatedAt = lastCreatedAt->get<std::string>();
    for (const auto& id : *syncedIds) {
        if (!id.is_string()) {
            return std::nullopt;
        }
        state.syncedIds.insert(id.get<std::string>());
    }
    const auto files = root.find("files");
    if (files != root.end() && !files->is_null()) {
        if (!files->is_object()) {
            return std::nullopt;
        }
        state.files = decodeFiles(*files);
        if (!state.files) {
            return std::nullopt;
        }
    }
    return state;
}

std::string VaultState::encode() const {
    nlohmann::json root{{"lastCreatedAt", lastCreatedAt}, {"syncedIds", syncedIds}};
    if (files) {
        root["files"] = *files;
    }
    return root.dump();
}

} // namespace orvendi
