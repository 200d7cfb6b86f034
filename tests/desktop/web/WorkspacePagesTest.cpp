#include <QJsonDocument>
#include <QVariant>
#include <QWebEnginePage>
#include <gtest/gtest.h>

#include "base/Base64.h"
#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtWindows.h"
#include "platform/linux/qt/QtWorkspaceWindow.h"
#include "service/NativeSession.h"
#include "support/fakes/MemoryDefaults.h"
#include "support/harness/ServerFixture.h"
#include "ui/WorkspaceController.h"

namespace orvendi::test {
namespace {

// The workspace pages of a real orvendi-server in the agent's own window,
// with the session handed over by the agent's document-start script.
class WorkspacePagesTest : public ServerFixture {
protected:
    void SetUp() override {
        ServerFixture::SetUp();
        window_ = windows_.createWorkspaceWindow();
        qtWindow_ = static_cast<QtWorkspaceWindow*>(window_.get());
        window_->setNavigationHandler([this](const NavigationAction& action) {
            return action.url && action.url->rfind(origin(), 0) == 0;
        });
        // The smallest the agent allows, where the pages must still work.
        qtWindow_->setMinimumSize(900, 620);
        qtWindow_->resize(900, 620);
    }
    void TearDown() override {
        window_.reset();
        processEventsFor(0.1);
    }

    std::string origin() { return "http://127.0.0.1:" + std::to_string(server().port()); }

    void open(const std::string& path, const std::optional<NativeSession>& session) {
        std::optional<std::string> script;
        if (session) {
            script = WorkspaceController::pageScript(
                origin(), Base64::encode(WorkspaceController::handOverRecord(*session)));
        }
        window_->rebuildWebView(script);
        window_->load(origin() + path, 60);
        window_->show();
    }

    // The value of a JavaScript expression in the page, as JSON text.
    std::string evaluate(const std::string& expression) {
        std::optional<QVariant> result;
        qtWindow_->webView()->page()->runJavaScript(
            QString::fromStdString("JSON.stringify(" + expression + ")"),
            [&result](const QVariant& value) { result = value; });
        EXPECT_TRUE(processEventsUntil([&] { return result.has_value(); }, 15)) << expression;
        return result ? result->toString().toStdString() : std::string();
    }
    void run(const std::string& script) { evaluate("(() => { " + script + " })()"); }
    bool waitFor(const std::string& condition, double seconds = 30) {
        return processEventsUntil([&] { return evaluate("Boolean(" + condition + ")") == "true"; },
                                  seconds);
    }
    std::string noteCount() { return evaluate("document.querySelectorAll('#notes .note').length"); }
    void search(const std::string& term) {
        run("const s = document.getElementById('search'); s.value = '" + term +
            "'; s.dispatchEvent(new Event('input'));");
    }
    // The access token the page keeps in its session storage.
    std::string pageToken() {
        const auto stored = evaluate("sessionStorage.getItem('orvendi.native-session')");
        return nlohmann::json::parse(nlohmann::json::parse(stored).get<std::string>())
            .value("access_token", "");
    }
    bool loaded() { return waitFor("document.body && document.body.dataset.loaded === 'true'"); }
    void screenshot(const std::string& name) {
        processEventsFor(0.5);
        saveScreenshot(name, qtWindow_->frameGeometry());
    }

    NativeSession sessionFor(const std::string& email) {
        const auto answer = signIn(email);
        return {answer.value("accessToken", ""), answer.value("refreshToken", ""), 0};
    }
    nlohmann::json note(const std::string& token, const std::string& id) const {
        return bodyOf(get("/api/notes/" + id, token))["note"];
    }

    MemoryDefaults defaults_;
    QtWindows windows_{defaults_};
    std::unique_ptr<WorkspaceWindow> window_;
    QtWorkspaceWindow* qtWindow_ = nullptr;
};

// Each case costs a server, a desktop session and a web engine: the history
// page and the settings page share one.
TEST_F(WorkspacePagesTest, HistoryListsNotesAndEditsReachTheServerAndSettingsShowTheReport) {
    const NativeSession session = sessionFor("history@example.com");
    const std::string older = addNote(session.accessToken, "Buy oat milk and coffee beans.");
    const std::string newer = addNote(session.accessToken, "Call the <b>printer</b> repair shop.");
    ASSERT_FALSE(older.empty());

    open("/app", session);
    ASSERT_TRUE(loaded());
    EXPECT_EQ(evaluate("[...document.querySelectorAll('#notes .note')].map(n => n.dataset.id)"),
              nlohmann::json({newer, older}).dump());
    // Text is shown as text, never as markup.
    EXPECT_EQ(evaluate("document.querySelector('#notes b')"), "null");

    run("document.querySelector('#notes .note[data-id=\"" + newer + "\"]').click()");
    ASSERT_TRUE(waitFor("!document.getElementById('detail').hidden"));
    EXPECT_EQ(evaluate("document.getElementById('note-text').textContent"),
              nlohmann::json("Call the <b>printer</b> repair shop.").dump());
    screenshot("workspace-app");

    run("document.getElementById('edit-title').value = 'Printer';"
        "document.getElementById('edit-project').value = 'Office';"
        "document.getElementById('edit-tags').value = 'errands, calls, errands';"
        "document.querySelector('#edit-form button[type=submit]').click();");
    ASSERT_TRUE(waitFor("document.getElementById('note-title').textContent === 'Printer'"));
    auto stored = note(session.accessToken, newer);
    EXPECT_EQ(stored["title"], "Printer");
    EXPECT_EQ(stored["project"], "Office");
    EXPECT_EQ(stored["tags"], nlohmann::json({"errands", "calls"}));

    run("document.getElementById('archive').click()");
    ASSERT_TRUE(waitFor("document.getElementById('archive').textContent === 'Unarchive'"));
    EXPECT_TRUE(note(session.accessToken, newer)["archived_at"].is_string());
    // Archived notes leave the history and are found among the archived ones.
    EXPECT_EQ(noteCount(), "1");
    search("oat");
    EXPECT_EQ(noteCount(), "1");
    search("printer");
    EXPECT_EQ(noteCount(), "0");

    // Another account's settings page shows its last report, with links for
    // the permissions it misses.
    const NativeSession other = sessionFor("settings@example.com");
    const nlohmann::json report = {{"installationId", "install-1"}, {"platform", "linux"},
                                   {"appVersion", "0.1.0"},         {"microphone", true},
                                   {"accessibility", false},        {"inputMonitoring", true},
                                   {"screenRecording", false}};
    ASSERT_EQ(postJson("/api/native-status", report, other.accessToken)->status, 200);
    const nlohmann::json event = {{"event", "signed_in"}, {"installationId", "install-1"}};
    ASSERT_EQ(postJson("/api/activation", event, other.accessToken)->status, 200);

    open("/settings", other);
    ASSERT_TRUE(loaded());
    EXPECT_EQ(evaluate("document.getElementById('account-email').textContent"),
              "\"settings@example.com\"");
    EXPECT_NE(evaluate("document.getElementById('speech-engine').textContent"), "\"\"");
    EXPECT_EQ(evaluate("[...document.querySelectorAll('tr[data-permission] a')].map(a => a.href)"),
              nlohmann::json(
                  {"orvendi://permissions/accessibility", "orvendi://permissions/screen-recording"})
                  .dump());
    EXPECT_EQ(evaluate("document.querySelector('caption').dataset.reportedAt.length > 0"), "true");
    EXPECT_EQ(
        evaluate("[...document.querySelectorAll('.milestones li')].map(l => l.dataset.event)"),
        "[\"signed_in\"]");
    screenshot("workspace-settings");
}

// Both of the page's own ways to a session in one case (each case starts a
// server, a desktop session and a web engine): signing in by code, and
// renewing an expired access token. Deleting then asks first.
TEST_F(WorkspacePagesTest, PageSignsInByCodeOrRenewsAnExpiredTokenAndDeletingAsksFirst) {
    const std::string email = "newcomer@example.com";
    open("/app", std::nullopt);
    ASSERT_TRUE(waitFor("!document.getElementById('sign-in').hidden"));
    EXPECT_TRUE(waitFor("document.getElementById('main').hidden"));
    screenshot("workspace-sign-in");

    run("document.getElementById('email').value = '" + email +
        "';"
        "document.querySelector('#email-form button[type=submit]').click();");
    ASSERT_TRUE(waitFor("!document.getElementById('code-form').hidden"));
    run("document.getElementById('code').value = '" + outboxCode(email) +
        "';"
        "document.querySelector('#code-form button[type=submit]').click();");
    ASSERT_TRUE(loaded());
    EXPECT_EQ(evaluate("document.getElementById('list-empty').hidden"), "false");
    EXPECT_EQ(get("/api/account", pageToken())->status, 200);

    NativeSession session = sessionFor("renew@example.com");
    const std::string id = addNote(session.accessToken, "Still here after renewal.");
    session.accessToken = "expired-or-revoked";
    open("/app", session);
    ASSERT_TRUE(loaded());
    EXPECT_EQ(noteCount(), "1");
    const std::string renewed = pageToken();
    EXPECT_NE(renewed, "expired-or-revoked");

    run("document.querySelector('#notes .note').click();"
        "document.getElementById('delete').click();");
    ASSERT_TRUE(waitFor("document.getElementById('confirm-delete').open"));
    run("document.querySelector('#confirm-delete button[value=cancel]').click()");
    processEventsFor(0.5);
    EXPECT_EQ(get("/api/notes/" + id, renewed)->status, 200);

    run("document.getElementById('delete').click();"
        "document.querySelector('#confirm-delete button[value=delete]').click();");
    ASSERT_TRUE(waitFor("document.querySelectorAll('#notes .note').length === 0"));
    EXPECT_EQ(get("/api/notes/" + id, renewed)->status, 404);
}

} // namespace
} // namespace orvendi::test
