#include "service/SessionStore.h"

#include <nlohmann/json.hpp>

#include "platform/Keychain.h"

namespace orvendi::SessionStore {
namespace {

using nlohmann::json;

constexpr const char* kService = "com.orvendi.mac.session";
constexpr const char* kAccount = "supabase";

std::optional<NativeSession> decodeStoredForm(const std::string& data) {
    const json object = json::parse(data, nullptr, /*allow_exceptions=*/false);
    if (!object.is_object()) {
        return std::nullopt;
    }
    const auto access = object.find("accessToken");
    const auto refresh = object.find("refreshToken");
    const auto expiry = object.find("expiresAt");
    if (access == object.end() || !access->is_string() || refresh == object.end() ||
        !refresh->is_string() || expiry == object.end() || !expiry->is_number()) {
        return std::nullopt;
    }
    return NativeSession{access->get<std::string>(), refresh->get<std::string>(),
                         expiry->get<double>()};
}

} // namespace

std::optional<NativeSession> load(Keychain& keychain) {
    const auto result = keychain.copy(kService, kAccount);
    if (result.status != KeychainStatus::Success || !result.data) {
        return std::nullopt;
    }
    return decodeStoredForm(*result.data);
}

void save(Keychain& keychain, const NativeSession& session) {
    std::string data;
    try {
        data = json{{"accessToken", session.accessToken},
                    {"refreshToken", session.refreshToken},
                    {"expiresAt", session.expiresAt}}
                   .dump();
    } catch (const json::exception&) {
        return; // tokens that are not valid UTF-8 cannot be stored
    }
    if (keychain.update(kService, kAccount, data) == KeychainStatus::ItemNotFound) {
        keychain.add(kService, kAccount, data);
    }
}

void clear(Keychain& keychain) {
    keychain.remove(kService, kAccount);
}

} // namespace orvendi::SessionStore
