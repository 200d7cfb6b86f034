#pragma once

#include <optional>

#include "service/NativeSession.h"

namespace orvendi {

class Keychain;

// The stored session: one secret-store item (service "com.orvendi.mac.session",
// account "supabase") holding the session as compact JSON. No operation reports
// an error; a failure acts as if nothing were stored.
namespace SessionStore {
// The item's identity in the secret store.
inline constexpr const char* kService = "com.orvendi.mac.session";
inline constexpr const char* kAccount = "supabase";

std::optional<NativeSession> load(Keychain& keychain);
void save(Keychain& keychain, const NativeSession& session);
void clear(Keychain& keychain);
} // namespace SessionStore

} // namespace orvendi
