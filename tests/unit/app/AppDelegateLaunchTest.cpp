#include "AppDelegateFixture.h"
#include "app/WorkspaceLinks.h"

namespace orvendi::test {
namespace {

using Launch = AppDelegateFixture;

TEST_F(Launch, WithoutConfigurationOrSessionShowsTheMenusAndTheSignInWindow) {
    launch();
    EXPECT_EQ(statusItem().symbol, "waveform");
    EXPECT_EQ(statusItem().accessibility, "Dictation idle");
    EXPECT_TRUE(statusItem().isTemplate);
    EXPECT_EQ(menu().titles(), (std::vector<std::string>{"Start recording", "Retry saved recording",
                                                         "Copy last dictation", "-", "Open Orvendi",
                                                         "Settings & permissions…", "-", "Quit"}));
    EXPECT_FALSE(menu().item("Retry saved recording").isEnabled());
    EXPECT_FALSE(menu().item("Copy last dictation").isEnabled());
    EXPECT_EQ(menu().item("Quit").key.key, "q");
    EXPECT_EQ(launchConfig->api_url, "http://localhost:3000");
    ASSERT_NE(fake.windows.signIn, nullptr);
    EXPECT_TRUE(fake.windows.signIn->shown);
    EXPECT_FALSE(delegate->authenticatedSetupComplete());
    EXPECT_EQ(fake.scheduler.pendingCount(), 0u) << "no timer runs while signed out";
    EXPECT_EQ(fake.keyEvents.startCount, 0);

    ASSERT_NE(fake.application.mainMenu, nullptr);
    EXPECT_EQ(fake.application.mainMenu->titles(), (std::vector<std::string>{"Orvendi", "Window"}));
    EXPECT_EQ(fake.application.windowsMenu->titles(),
              (std::vector<std::string>{"Minimize", "Zoom"}));
}

TEST_F(Launch, PendingRecordingsEnableRetryFromTheStart) {
    RecoveryStore store(fake.files);
    writeFile(store.newRecoveryURL("wav"), "RIFF");
    launch();
    EXPECT_TRUE(menu().item("Retry saved recording").isEnabled());
}

TEST_F(Launch, StoredSessionRunsTheSetupOnceAndOpensSettingsOnlyTheFirstTime) {
    launchSignedIn();
    EXPECT_TRUE(delegate->authenticatedSetupComplete());
    EXPECT_EQ(fake.windows.signIn, nullptr);
    EXPECT_TRUE(fake.keyEvents.isMonitoring());
    EXPECT_EQ(fake.defaults.boolean("activationComplete"), true);
    EXPECT_EQ(fake.defaults.integer("activationStage"), 3);
    ASSERT_NE(fake.windows.workspace, nullptr);
    EXPECT_EQ(fake.windows.workspace->loadedURL, server.url() + "/settings");
    EXPECT_EQ(menu().itemAt(0)->title(), "Start recording");

    fake.scheduler.advance(1);
    auto activations = server.requests("/api/activation");
    std::vector<std::string> events;
    for (const auto& request : activations) {
        events.push_back(request.json()["event"].get<std::string>());
    }
    EXPECT_EQ(events, (std::vector<std::string>{"signed_in", "shortcut_ready"}))
        << "each event once";

    auto second = AppDelegate::create(fake.platform());
    second->applicationDidFinishLaunching();
    EXPECT_EQ(fake.windows.workspace->loadedURL, server.url() + "/app")
        << "later launches open the app page";
}

TEST_F(Launch, RefusedKeyMonitorPutsTheWarningItemOnTop) {
    fake.keyEvents.allowMonitor = false;
    launchSignedIn();
    EXPECT_EQ(menu().itemAt(0)->title(), "⚠ Grant Accessibility for the dictation key…");
    EXPECT_TRUE(menu().itemAt(1)->isSeparator());
    EXPECT_EQ(menu().itemAt(2)->title(), "Start recording");
    menu().items[0]->click();
    EXPECT_EQ(fake.workspace.openedURLs.back(),
              "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");
}

TEST_F(Launch, WarningItemSaysWhatThePlatformAdvises) {
    fake.keyEvents.allowMonitor = false;
    fake.keyEvents.advice = "Add a shortcut that runs: orvendi --dictation toggle";
    launchSignedIn();
    EXPECT_EQ(menu().itemAt(0)->title(), "⚠ Add a shortcut that runs: orvendi --dictation toggle");
}

TEST_F(Launch, InstallationIdIsStableAndReplacesAnythingThatIsNotAUUID) {
    launch();
    fake.defaults.setString("installationId", "not-a-uuid");
    const std::string fresh = delegate->installationId();
    EXPECT_EQ(fresh.size(), 36u);
    EXPECT_EQ(fresh, delegate->installationId());
    EXPECT_EQ(fresh.find_first_of("ABCDEF"), std::string::npos);

    fake.defaults.setString("installationId", "5F0C6B8E-3C1A-4E7F-9A55-0B1F2D3C4E5F");
    EXPECT_EQ(delegate->installationId(), "5F0C6B8E-3C1A-4E7F-9A55-0B1F2D3C4E5F");
}

TEST_F(Launch, ReopenWithoutVisibleWindowOpensTheApp) {
    launchSignedIn();
    fake.windows.workspace->loadedURL.reset();
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(true));
    EXPECT_FALSE(fake.windows.workspace->loadedURL);
    EXPECT_TRUE(delegate->applicationShouldHandleReopen(false));
    EXPECT_EQ(fake.windows.workspace->loadedURL, server.url() + "/app");
    EXPECT_FALSE(delegate->applicationShouldTerminateAfterLastWindowClosed());
}

TEST_F(Launch, LinksOpenSettingsPagesOrTheWorkspace) {
    launchSignedIn();
    struct Row {
        const char* link;
        const char* opened;    // a settings page, or "" for none
        const char* workspace; // the workspace page loaded, or "" for none
    };
    const Row rows[] = {
        {"orvendi://permissions//microphone/", "Privacy_Microphone", ""},
        {"orvendi://permissions/screen-recording", "Privacy_ScreenCapture", ""},
        {"orvendi://permissions/input-monitoring", "Privacy_ListenEvent", ""},
        {"orvendi://permissions/Microphone", "", "/settings"},
        {"orvendi://permissions", "", "/settings"},
        {"orvendi://elsewhere/microphone", "", ""},
        {"https://permissions/microphone", "", ""},
    };
    for (const auto& row : rows) {
        fake.workspace.openedURLs.clear();
        fake.windows.workspace->loadedURL.reset();
        delegate->openURLs({row.link});
        const std::string opened =
            fake.workspace.openedURLs.empty() ? "" : fake.workspace.openedURLs.back();
        EXPECT_EQ(opened.empty() ? "" : opened.substr(opened.find('?') + 1), row.opened)
            << row.link;
        const std::string loaded = fake.windows.workspace->loadedURL.value_or("");
        EXPECT_EQ(loaded.empty() ? "" : loaded.substr(server.url().size()), row.workspace)
            << row.link;
    }
}

TEST(WorkspaceAddress, NeedsAHostInTheApiUrl) {
    EXPECT_EQ(WorkspaceLinks::pageAddress("http://localhost:3000", "/settings"),
              "http://localhost:3000/settings");
    for (const char* hostless : {"http:/app", "file:///home/me", "localhost:3000", ""}) {
        EXPECT_EQ(WorkspaceLinks::pageAddress(hostless, "/settings"), "") << hostless;
    }
}

TEST_F(Launch, StatusReportsAtSetupOnChangeAndEveryThirtySeconds) {
    launchSignedIn();
    fake.scheduler.runPending();
    EXPECT_EQ(server.requestCount("/api/native-status"), 1u);
    const auto first = server.requests("/api/native-status").front().json();
    EXPECT_EQ(first["microphone"], true);

    fake.scheduler.advance(20); // ticks at 10 and 20: nothing changed
    EXPECT_EQ(server.requestCount("/api/native-status"), 1u);
    fake.scheduler.advance(10); // the tick 30 s after the report
    EXPECT_EQ(server.requestCount("/api/native-status"), 2u);

    fake.privacy.accessibility = false;
    fake.scheduler.advance(10);
    EXPECT_EQ(server.requestCount("/api/native-status"), 3u)
        << "a change is reported on the next tick";
    EXPECT_EQ(server.requests("/api/native-status").back().json()["accessibility"], false);
}

} // namespace
} // namespace orvendi::test
