#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <mutex>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtWindows.h"
#include "platform/linux/qt/QtWorkspaceWindow.h"
#include "support/fakes/MemoryDefaults.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {
namespace {

// A tiny workspace on loopback. /app reports in its title what its first
// inline script saw in the session storage and how often the document-start
// script ran (a same-origin frame shares the storage, so a run in the frame
// would show); it links to another host, embeds a frame from another host
// (the same server named "localhost") and opens a same-host page in a new window.
class WorkspaceServer : public TestHTTPServer {
public:
    WorkspaceServer() {
        const std::string app =
            "<html><head><script>"
            "document.title = 'seen:' + (sessionStorage.getItem('orvendi.native-session') || "
            "'none');"
            "function framed() { document.title += ' runs:' + sessionStorage.getItem('runs'); }"
            "</script></head><body>"
            "<a id='away' href='http://docs.invalid/guide'>guide</a>"
            "<a id='blank' target='_blank' href='/settings'>settings</a>"
            "<iframe src='/frame' onload='framed()'></iframe>"
            "<iframe src='" +
            foreignOrigin() + "/foreign-frame'></iframe></body></html>";
        for (const auto& [path, html] : std::vector<std::pair<std::string, std::string>>{
                 {"/app", app},
                 {"/settings", "<html><head><title>settings</title></head><body>Settings</body>"},
                 {"/frame", "<html><body>frame</body></html>"},
                 {"/foreign-frame", "<html><body>foreign</body></html>"}}) {
            respond("GET", path, ScriptedResponse::text(200, html, "text/html"));
        }
    }
    std::string origin() const { return url(); }
    std::string foreignOrigin() const { return "http://localhost:" + std::to_string(port()); }
};

// What the agent's page script does, counting its runs.
std::string sessionScript(const std::string& origin) {
    return "if (window.location.origin === '" + origin +
           "') { window.sessionStorage.setItem('orvendi.native-session', "
           "'{\"access_token\":\"a\"}');"
           " sessionStorage.setItem('runs', Number(sessionStorage.getItem('runs') || 0) + 1); }";
}

class WorkspaceWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = windows.createWorkspaceWindow();
        qtWindow = static_cast<QtWorkspaceWindow*>(window.get());
        window->setTitle("Orvendi");
        window->setNavigationHandler([this](const NavigationAction& action) {
            std::lock_guard lock(mutex);
            actions.push_back(action);
            // The agent's rule: the workspace's own host stays in the view.
            return action.url && action.url->rfind("http://127.0.0.1:", 0) == 0;
        });
    }
    void TearDown() override {
        window.reset();
        processEventsFor(0.1);
    }

    QString title() const { return qtWindow->webView() ? qtWindow->webView()->title() : QString(); }
    std::string currentURL() const {
        return qtWindow->webView() ? qtWindow->webView()->url().toString().toStdString()
                                   : std::string();
    }
    bool asked(const std::string& url, bool isMainFrame) {
        std::lock_guard lock(mutex);
        for (const auto& action : actions) {
            if (action.url == url && action.isMainFrame == isMainFrame) {
                return true;
            }
        }
        return false;
    }
    void runScript(const QString& script) { qtWindow->webView()->page()->runJavaScript(script); }

    WorkspaceServer server;
    MemoryDefaults defaults;
    QtWindows windows{defaults};
    std::unique_ptr<WorkspaceWindow> window;
    QtWorkspaceWindow* qtWindow = nullptr;
    std::mutex mutex;
    std::vector<NavigationAction> actions;
};

// One case, as each starts a desktop session and a web engine: one page load
// of /app answers for the session hand-over and for every navigation rule,
// then the storage and the frame outlive the view and the window.
TEST_F(WorkspaceWindowTest, OnlyItsOriginGetsTheSessionAndStorageAndFrameOutliveTheWindow) {
    window->rebuildWebView(sessionScript("https://127.0.0.1"));
    window->load(server.origin() + "/app", 60);
    ASSERT_TRUE(processEventsUntil([&] { return title().startsWith("seen:"); }, 30));
    EXPECT_TRUE(title().startsWith("seen:none")) << "a page of another origin got the session";

    // The page finds the session before its own scripts; frames do not run the script.
    {
        std::lock_guard lock(mutex);
        actions.clear();
    }
    window->rebuildWebView(sessionScript(server.origin()));
    window->load(server.origin() + "/app", 60);
    window->show();
    ASSERT_TRUE(processEventsUntil([&] { return title().contains("runs:"); }, 30))
        << title().toStdString();
    EXPECT_EQ(title(), QStringLiteral("seen:{\"access_token\":\"a\"} runs:1"));
    EXPECT_TRUE(asked(server.origin() + "/app", true));
    EXPECT_TRUE(asked(server.origin() + "/frame", false));
    // The frame from another host was asked about and never loaded.
    ASSERT_TRUE(processEventsUntil(
        [&] { return asked(server.foreignOrigin() + "/foreign-frame", false); }));
    EXPECT_EQ(server.requestCount("/foreign-frame"), 0u);
    processEventsFor(0.8);
    saveScreenshot("workspace", qtWindow->frameGeometry());

    runScript("document.getElementById('away').click()");
    ASSERT_TRUE(processEventsUntil([&] { return asked("http://docs.invalid/guide", true); }));
    runScript("window.open('http://docs.invalid/popup')");
    ASSERT_TRUE(processEventsUntil([&] { return asked("http://docs.invalid/popup", true); }));
    processEventsFor(0.5);
    EXPECT_EQ(currentURL(), server.origin() + "/app");

    // A same-host page asked for in a new window opens in the view.
    runScript("document.getElementById('blank').click()");
    ASSERT_TRUE(processEventsUntil([&] { return title() == QStringLiteral("settings"); }, 15));
    EXPECT_EQ(currentURL(), server.origin() + "/settings");

    // Local storage and the window's frame outlive rebuilds and windows; the
    // window has a minimum size.
    QWebEngineProfile& profile = windows.webProfile();
    EXPECT_FALSE(profile.isOffTheRecord());
    EXPECT_EQ(profile.storageName(), QStringLiteral("orvendi"));
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    ASSERT_FALSE(dataHome.isEmpty());
    EXPECT_TRUE(profile.persistentStoragePath().startsWith(dataHome))
        << profile.persistentStoragePath().toStdString();

    auto loadSettings = [&] {
        window->rebuildWebView(std::nullopt);
        window->load(server.origin() + "/settings", 60);
        return processEventsUntil([&] { return title() == QStringLiteral("settings"); }, 30);
    };
    ASSERT_TRUE(loadSettings());
    runScript("localStorage.setItem('kept', 'yes'); sessionStorage.setItem('gone', 'yes');");
    processEventsFor(0.3);
    ASSERT_TRUE(loadSettings());
    runScript(
        "document.title = localStorage.getItem('kept') + '/' + sessionStorage.getItem('gone')");
    EXPECT_TRUE(processEventsUntil([&] { return title() == QStringLiteral("yes/null"); }, 10))
        << title().toStdString();

    window->show();
    ASSERT_TRUE(processEventsUntil([&] { return qtWindow->isActiveWindow(); }));
    // The opening size is the agent tests'; the floor is only visible here.
    EXPECT_EQ(qtWindow->minimumSize(), QSize(900, 620));
    qtWindow->setGeometry(QRect(150, 120, 1000, 700));
    ASSERT_TRUE(
        processEventsUntil([&] { return qtWindow->geometry() == QRect(150, 120, 1000, 700); }));
    qtWindow->close();
    processEventsFor(0.2);
    ASSERT_TRUE(defaults.string(QtWorkspaceWindow::kFrameKey).has_value());

    auto next = windows.createWorkspaceWindow();
    auto* nextWindow = static_cast<QtWorkspaceWindow*>(next.get());
    next->show();
    ASSERT_TRUE(processEventsUntil([&] { return nextWindow->isActiveWindow(); }));
    processEventsFor(0.2);
    EXPECT_EQ(nextWindow->geometry(), QRect(150, 120, 1000, 700));
}

} // namespace
} // namespace orvendi::test
