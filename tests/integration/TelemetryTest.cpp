#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

class TelemetryTest : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        token_ = tokenFor("reporter@example.com");
    }
    nlohmann::json status(bool microphone, bool accessibility) const {
        return {{"installationId", "install-1"},  {"platform", "linux"},
                {"appVersion", "0.1.0"},          {"microphone", microphone},
                {"accessibility", accessibility}, {"inputMonitoring", true},
                {"screenRecording", false}};
    }
    int activation(const std::string& event) const {
        return postJson("/api/activation",
                        {{"event", event},
                         {"installationId", "install-1"},
                         {"platform", "linux"},
                         {"appVersion", "0.1.0"}},
                        token_)
            ->status;
    }
    nlohmann::json installations() const {
        const auto result = get("/api/installations", token_);
        EXPECT_EQ(result->status, 200);
        return bodyOf(result)["installations"];
    }
    std::string token_;
};

TEST_F(TelemetryTest, ReportsAreKeptPerInstallation) {
    ASSERT_EQ(activation("signed_in"), 200);
    ASSERT_EQ(activation("signed_in"), 200); // kept once
    ASSERT_EQ(activation("shortcut_ready"), 200);
    ASSERT_EQ(postJson("/api/native-status", status(false, false), token_)->status, 200);
    ASSERT_EQ(postJson("/api/native-status", status(true, false), token_)->status, 200);

    const auto list = installations();
    ASSERT_EQ(list.size(), 1u);
    const auto& installation = list[0];
    EXPECT_EQ(installation["installation_id"], "install-1");
    EXPECT_EQ(installation["platform"], "linux");
    EXPECT_EQ(installation["permissions"]["microphone"], true); // the latest report wins
    EXPECT_EQ(installation["permissions"]["accessibility"], false);
    EXPECT_EQ(installation["permissions"]["input_monitoring"], true);
    EXPECT_EQ(installation["permissions"]["screen_recording"], false);
    EXPECT_TRUE(installation["permissions"]["reported_at"].is_string());
    ASSERT_EQ(installation["milestones"].size(), 2u);
    EXPECT_EQ(installation["milestones"][0]["event"], "signed_in");
    EXPECT_EQ(installation["milestones"][1]["event"], "shortcut_ready");

    // Another user sees none of it.
    EXPECT_TRUE(
        bodyOf(get("/api/installations", tokenFor("else@example.com")))["installations"].empty());
}

TEST_F(TelemetryTest, MalformedReportsAreRefused) {
    auto withPermissionAsText = status(true, true);
    withPermissionAsText["microphone"] = "true";
    auto withoutInstallation = status(true, true);
    withoutInstallation.erase("installationId");
    const std::pair<std::string, nlohmann::json> cases[] = {
        {"/api/native-status", withPermissionAsText},
        {"/api/native-status", withoutInstallation},
        {"/api/native-status", {{"installationId", "i"}}},
        {"/api/activation", {{"installationId", "i"}}},
        {"/api/activation", {{"event", ""}, {"installationId", "i"}}},
        {"/api/activation", {{"event", 5}, {"installationId", "i"}}},
    };
    for (const auto& [path, body] : cases) {
        const auto result = postJson(path, body, token_);
        EXPECT_EQ(result->status, 400) << path << " " << body.dump();
        EXPECT_FALSE(errorOf(result).empty());
    }
    EXPECT_TRUE(installations().empty());
}

} // namespace
} // namespace orvendi::test
