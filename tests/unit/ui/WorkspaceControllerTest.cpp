#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Base64.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeBackend.h"
#include "support/fakes/FakePlatform.h"
#include "ui/WorkspaceController.h"

namespace orvendi::test {
namespace {

constexpr const char* kRecord1 =
    "eyJhY2Nlc3NfdG9rZW4iOiJhY2Nlc3MtMSIsInJlZnJlc2hfdG9rZW4iOiJyZWZyZXNoLTEifQ==";
constexpr const char* kRecord2 =
    "eyJhY2Nlc3NfdG9rZW4iOiJhY2Nlc3MtMiIsInJlZnJlc2hfdG9rZW4iOiJyZWZyZXNoLTIifQ==";

URL parsed(const char* text) {
    auto url = URL::parse(text);
    EXPECT_TRUE(url) << text;
    return url.value_or(URL{});
}

std::string scriptFor(const std::string& origin, const std::string& record) {
    return "if (window.location.origin === '" + origin +
           "') { window.sessionStorage.setItem('orvendi.native-session', window.atob('" + record +
           "')); }";
}

class WorkspaceControllerTest : public ::testing::Test {
protected:
    void storeSession(const std::string& access, const std::string& refresh) {
        SessionStore::save(fake.keychain,
                           NativeSession{access, refresh, fake.scheduler.now() + 3600});
    }
    std::unique_ptr<WorkspaceController> open(const char* base) {
        return std::make_unique<WorkspaceController>(api, fake.keychain, fake.windows,
                                                     fake.workspace, fake.scheduler, parsed(base));
    }
    FakeWorkspaceWindow& window() { return *fake.windows.workspace; }

    FakePlatform fake;
    std::shared_ptr<FakeBackend> api = std::make_shared<FakeBackend>();
};

TEST_F(WorkspaceControllerTest, ExpectedOriginKeepsOnlyANonDefaultPort) {
    const std::vector<std::pair<const char*, const char*>> cases{
        {"https://app.example.com", "https://app.example.com"},
        {"http://localhost:3000", "http://localhost:3000"},
        {"https://app.example.com:443", "https://app.example.com"},
        {"http://app.example.com:80", "http://app.example.com"},
        {"http://app.example.com:443", "http://app.example.com:443"},
        {"https://app.example.com:8443", "https://app.example.com:8443"},
        {"HTTP://LocalHost:3000", "http://localhost:3000"},
        {"http://[::1]:3000", "http://[::1]:3000"},
        {"//app.example.com", "https://app.example.com"},
    };
    for (const auto& [base, origin] : cases) {
        EXPECT_EQ(WorkspaceController::expectedOrigin(parsed(base)), origin) << base;
    }
}

TEST_F(WorkspaceControllerTest, HandOverRecordHoldsBothTokensAndNothingElse) {
    const std::string record =
        WorkspaceController::handOverRecord({"acc\"ess", "refr\u00e9sh", 1234.5});
    EXPECT_EQ(record.find_first_of(" \n"), std::string::npos);
    const auto json = nlohmann::json::parse(record);
    EXPECT_EQ(json,
              (nlohmann::json{{"access_token", "acc\"ess"}, {"refresh_token", "refr\u00e9sh"}}));
}

TEST_F(WorkspaceControllerTest, OpensOnTheAppPageWithTheStoredSession) {
    storeSession("access-1", "refresh-1");
    auto controller = open("http://localhost:3000");

    EXPECT_EQ(window().title, "Orvendi");
    EXPECT_EQ(window().rebuilds, 1);
    EXPECT_EQ(window().loadedURL, "http://localhost:3000/app");
    EXPECT_EQ(window().loadTimeout, 60);
    EXPECT_EQ(window().documentStartScript, scriptFor("http://localhost:3000", kRecord1));
}

TEST_F(WorkspaceControllerTest, EveryRebuildCarriesTheSessionAsItIsThen) {
    storeSession("access-1", "refresh-1");
    auto controller = open("https://app.example.com");
    storeSession("access-2", "refresh-2");

    controller->rebuildWebView("settings");
    EXPECT_EQ(window().rebuilds, 2);
    EXPECT_EQ(window().loadedURL, "https://app.example.com/settings");
    EXPECT_EQ(window().documentStartScript, scriptFor("https://app.example.com", kRecord2));

    controller->rebuildWebView("/app?view=history");
    EXPECT_EQ(window().loadedURL, "https://app.example.com/app?view=history");

    controller->rebuildWebView("/my notes"); // forms no address: the view stays empty
    EXPECT_EQ(window().rebuilds, 4);
    EXPECT_FALSE(window().loadedURL);
}

TEST_F(WorkspaceControllerTest, WithoutAStoredSessionOrATokenThePageLoadsWithoutSession) {
    auto controller = open("http://localhost:3000"); // a token held in memory only
    EXPECT_FALSE(window().documentStartScript);
    EXPECT_EQ(window().loadedURL, "http://localhost:3000/app");

    storeSession("access-1", "refresh-1");
    api->token.reset(); // signed out, or the network is down
    controller->rebuildWebView("app");
    EXPECT_FALSE(window().documentStartScript);
    EXPECT_EQ(window().loadedURL, "http://localhost:3000/app");
}

struct NavigationCase {
    const char* name;
    std::optional<std::string> url;
    bool mainFrame;
    bool allowed;
    bool handedToSystem;
};

class WorkspaceNavigation : public WorkspaceControllerTest,
                            public ::testing::WithParamInterface<NavigationCase> {};

TEST_P(WorkspaceNavigation, DecidesWhereTheAddressOpens) {
    const auto& navigation = GetParam();
    api->token.reset();
    auto controller = open("https://app.example.com");

    EXPECT_EQ(window().navigate({navigation.url, navigation.mainFrame}), navigation.allowed);
    const std::vector<std::string> expectedOpened = navigation.handedToSystem
                                                        ? std::vector<std::string>{*navigation.url}
                                                        : std::vector<std::string>{};
    EXPECT_EQ(fake.workspace.openedURLs, expectedOpened);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, WorkspaceNavigation,
    ::testing::Values(
        NavigationCase{"SameHost", "https://app.example.com/settings", true, true, false},
        NavigationCase{"SameHostOtherScheme", "http://app.example.com/app", true, true, false},
        NavigationCase{"SameHostOtherPort", "https://app.example.com:8443/", true, true, false},
        NavigationCase{"SameHostOtherCase", "https://APP.Example.com/", true, true, false},
        NavigationCase{"OtherHost", "https://docs.example.org/guide", true, false, true},
        NavigationCase{"OtherHostSubFrame", "https://video.example.net/embed/1", false, false,
                       true},
        NavigationCase{"PermissionLink", "orvendi://permissions/microphone", true, false, true},
        NavigationCase{"MailLink", "mailto:help@example.com", true, false, true},
        NavigationCase{"BlankFrame", "about:blank", false, false, false},
        NavigationCase{"ScriptAddress", "javascript:void(0)", true, false, false},
        NavigationCase{"DataAddress", "data:text/html,hello", false, false, false},
        NavigationCase{"OtherSchemeWithHost", "ftp://files.example.org/a", true, false, false},
        NavigationCase{"NoAddress", std::nullopt, true, false, false},
        NavigationCase{"NotAnAddress", "https://exa mple.org/", true, false, false}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST(Base64, PadsEveryRemainder) {
    EXPECT_EQ(Base64::encode("foob"), "Zm9vYg==");
    EXPECT_EQ(Base64::encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(Base64::encode("\xfb\xff\xbf"), "+/+/");
}

} // namespace
} // namespace orvendi::test
