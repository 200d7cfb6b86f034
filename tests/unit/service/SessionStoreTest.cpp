#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "service/SessionStore.h"
#include "support/fakes/FakeKeychain.h"

namespace orvendi::test {
namespace {

constexpr const char* kService = "com.orvendi.mac.session";
constexpr const char* kAccount = "supabase";

TEST(SessionStore, SavesTheStoredFormUnderTheItemIdentityAndReadsItBack) {
    FakeKeychain keychain;
    const NativeSession session{"acc\u00e9ss", "refresh", 1700003600.25};
    SessionStore::save(keychain, session);
    const auto item = keychain.copy(kService, kAccount);
    ASSERT_EQ(item.status, KeychainStatus::Success);
    EXPECT_EQ(nlohmann::json::parse(*item.data), nlohmann::json({{"accessToken", "acc\u00e9ss"},
                                                                 {"refreshToken", "refresh"},
                                                                 {"expiresAt", 1700003600.25}}));
    EXPECT_EQ(SessionStore::load(keychain), session);

    SessionStore::save(keychain, {"a2", "r2", 5});
    EXPECT_EQ(SessionStore::load(keychain), (NativeSession{"a2", "r2", 5}));
    SessionStore::clear(keychain);
    EXPECT_FALSE(keychain.contains(kService, kAccount));
    EXPECT_FALSE(SessionStore::load(keychain));
}

TEST(SessionStore, ItemsThatAreNotTheStoredFormLoadAsNothingAndAreOverwritten) {
    const char* items[] = {
        "",
        "not json",
        "[]",
        R"({"accessToken":"a","refreshToken":"r"})",
        R"({"accessToken":"a","refreshToken":"r","expiresAt":"1"})",
        R"({"accessToken":1,"refreshToken":"r","expiresAt":1})",
    };
    for (const char* item : items) {
        FakeKeychain keychain;
        keychain.add(kService, kAccount, item);
        EXPECT_FALSE(SessionStore::load(keychain)) << item;
        EXPECT_TRUE(keychain.contains(kService, kAccount)) << "load never deletes";
        SessionStore::save(keychain, {"a", "r", 1});
        EXPECT_EQ(SessionStore::load(keychain), (NativeSession{"a", "r", 1})) << item;
    }
    FakeKeychain keychain;
    keychain.add(kService, kAccount,
                 R"({"accessToken":"a","refreshToken":"r","expiresAt":2,"x":0})");
    EXPECT_EQ(SessionStore::load(keychain), (NativeSession{"a", "r", 2}));
}

TEST(SessionStore, AFailingSecretStoreIsSilent) {
    FakeKeychain keychain;
    keychain.failAll = true;
    SessionStore::save(keychain, {"a", "r", 1});
    EXPECT_FALSE(SessionStore::load(keychain));
    SessionStore::clear(keychain);
}

TEST(SessionStore, TokensThatAreNotUTF8AreNotStored) {
    FakeKeychain keychain;
    SessionStore::save(keychain, {"\xff\xfe", "r", 1});
    EXPECT_FALSE(keychain.contains(kService, kAccount));
}

} // namespace
} // namespace orvendi::test
