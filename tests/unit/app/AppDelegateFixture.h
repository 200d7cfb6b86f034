#pragma once

#include <cmath>
#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "capture/RecoveryStore.h"
#include "service/APIClient.h"
#include "service/Config.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeBackend.h"
#include "support/fakes/FakePlatform.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {

inline constexpr int32_t kEditorPid = 4100;

// An agent on fake platform services in virtual time, talking to a real local
// HTTP server that plays the backend.
class AppDelegateFixture : public ::testing::Test {
protected:
    explicit AppDelegateFixture(
        VirtualScheduler::Background mode = VirtualScheduler::Background::Queued)
        : fake(mode) {}

    void SetUp() override {
        server.respond("POST", "/api/activation", ScriptedResponse::json(200, {{"ok", true}}));
        server.respond("POST", "/api/native-status", ScriptedResponse::json(200, {{"ok", true}}));
        server.respond("GET", "/api/notes",
                       ScriptedResponse::json(200, {{"notes", nlohmann::json::array()}}));
        answerTranscript("Hello there.");
        fake.workspace.frontmost = kEditorPid;
        fake.workspace.running.insert(kEditorPid);
        editor = fake.accessibility.focus(kEditorPid);
        editor->role = kRoleTextField;
        editor->selectedRange = TextRange{3, 0};
    }

    // Quits as the agent does, with the clock where the test left it: what is
    // still on its way is aborted, and the background work ends before the
    // delegate and the fake services go.
    void TearDown() override { quit(); }
    void quit() {
        if (delegate) {
            delegate->applicationWillTerminate();
        }
        fake.scheduler.finishBackgroundWork();
        delegate.reset();
    }

    void writeConfig() {
        writeFile(fake.files.homeDirectory() / ".orvendi/config.json",
                  nlohmann::json{{"api_url", server.url()},
                                 {"vault_dir", (fake.files.homeDirectory() / "Vault").string()}}
                      .dump());
    }
    void answerTranscript(const std::string& text, const std::string& id = "dictation-1") {
        server.respond("POST", "/api/transcribe",
                       ScriptedResponse::json(
                           200, {{"raw", {{"text", text}, {"cleaned_text", text}, {"id", id}}}}));
    }

    // Launches signed in, with the configuration pointing at the local server.
    void launchSignedIn() {
        writeConfig();
        SessionStore::save(fake.keychain, {"access-1", "refresh-1", fake.scheduler.now() + 3600});
        launch();
    }
    // The real client, recording the configuration the delegate read, unless
    // the test brings its own backend.
    void launch(std::shared_ptr<Backend> backend = nullptr) {
        delegate = AppDelegate::create(fake.platform(), [this, backend](const Config& config) {
            launchConfig = config;
            return backend ? backend
                           : std::make_shared<APIClient>(config, fake.keychain, fake.scheduler);
        });
        delegate->applicationDidFinishLaunching();
        fake.scheduler.runPending();
    }

    // The dictation key pressed and released `heldSeconds` later.
    void press() {
        fake.keyEvents.send(true, false, fake.scheduler.now());
        fake.scheduler.runPending();
    }
    void release() {
        fake.keyEvents.send(false, false, fake.scheduler.now());
        fake.scheduler.runPending();
    }
    void hold(double seconds) {
        press();
        speak(seconds); // the microphone hears as long as the key is held
        fake.scheduler.advance(seconds);
        release();
    }
    // Audio that passes the voice screen: a 220 Hz tone with a rising level.
    void speak(double seconds = 0.5) {
        const auto format = fake.audioInput.format;
        const auto frames = static_cast<size_t>(format.sampleRate * seconds);
        std::vector<std::vector<float>> planes(format.channels, std::vector<float>(frames));
        for (size_t i = 0; i < frames; ++i) {
            const double envelope = 0.2 + 0.3 * std::fabs(std::sin(i * 6.0 / format.sampleRate));
            const auto sample =
                static_cast<float>(envelope * std::sin(2 * M_PI * 220 * i / format.sampleRate));
            for (auto& plane : planes) {
                plane[i] = sample;
            }
        }
        fake.audioInput.deliver(planes);
    }
    void silence(double seconds = 1.0) {
        const auto format = fake.audioInput.format;
        fake.audioInput.deliver(std::vector<std::vector<float>>(
            format.channels, std::vector<float>(static_cast<size_t>(format.sampleRate * seconds))));
    }

    FakeMenu& menu() { return static_cast<FakeMenu&>(*delegate->statusMenu()); }
    FakeStatusItem& statusItem() { return *fake.application.statusItem; }
    std::vector<std::filesystem::path> pending() {
        return RecoveryStore(fake.files).pendingRecordings();
    }
    std::string lastLogLine() {
        auto lines = fake.log.lines();
        return lines.empty() ? "" : lines.back();
    }

    TestHTTPServer server;
    FakePlatform fake;
    std::shared_ptr<FakeElement> editor;
    std::shared_ptr<AppDelegate> delegate;
    std::optional<Config> launchConfig;
};

} // namespace orvendi::test
