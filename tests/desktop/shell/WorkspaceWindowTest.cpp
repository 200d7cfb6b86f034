#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <atomic>
#include <gtest/gtest.h>
#include <httplib.h>
#include <mutex>
#include <thread>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtWindows.h"
#include "platform/linux/qt/QtWorkspaceWindow.h"
#include "support/fakes/MemoryDefaults.h"

namespace orvendi::test {
namespace {

// A tiny workspace on loopback. /app reports in its title what its first
// inline script saw in the session storage and how often the document-start
// script ran (a same-origin frame shares the storage, so a run in the frame
// would show); it links to another host, embeds a frame from another host
// and opens a same-host page in a new window.
class WorkspaceServer {
public:
    WorkspaceServer() {
        server_.Get("/app", [this](const httplib::Request&, httplib::Response& response) {
            response.set_content(appPage(), "text/html");
        });
        server_.Get("/settings", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(
                "<html><head><title>settings</title></head><body>Settings</body></html>",
                "text/html");
        });
        server_.Get("/frame", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("<html><body>frame</body></html>", "text/html");
        });
        server_.Get("/foreign-frame", [this](const httplib::Request&, httplib::Response& response) {
            ++foreignFrameLoads;
            response.set_content("<html><body>foreign</body></html>", "text/html");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    ~WorkspaceServer() {
        server_.stop();
        thread_.join();
    }
    std::string origin() const { return "http://127.0.0.1:" + std::to_string(port_); }
    // The same server under another host name (another IP of loopback).
    std::string foreignOrigin() const { return "http://127.0.0.2:" + std::to_string(port_); }

    std::atomic<int> foreignFrameLoads{0};

private:
    std::string appPage() const {
        return "<html><head><script>"
               "document.title = 'seen:' + (sessionStorage.getItem('orvendi.native-session') || "
               "'none');"
               "function framed() { document.title += ' runs:' + sessionStorage.getItem('runs'); }"
               "</script></head><body>"
               "<a id='away' href='http://docs.invalid/guide'>guide</a>"
               "<a id='blank' target='_blank' href='/settings'>settings</a>"
               "<iframe src='/frame' onload='framed()'></iframe>"
               "<iframe src='" +
               foreignOrigin() + "/foreign-frame'></iframe></body></html>";
    }

    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
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

TEST_F(WorkspaceWindowTest, PageFindsTheSessionBeforeItsOwnScriptsAndFramesDoNotRunTheScript) {
    window->rebuildWebView(sessionScript(server.origin()));
    window->load(server.origin() + "/app", 60);
    window->show();
    ASSERT_TRUE(processEventsUntil([&] { return title().contains("runs:"); }, 30))
        << title().toStdString();
    EXPECT_EQ(title(), QStringLiteral("seen:{\"access_token\":\"a\"} runs:1"));
    EXPECT_TRUE(asked(server.origin() + "/app", true));
    EXPECT_TRUE(asked(server.origin() + "/frame", false));
    processEventsFor(0.8);
    saveScreenshot("workspace", qtWindow->frameGeometry());
}

TEST_F(WorkspaceWindowTest, PageOfAnotherOriginDoesNotGetTheSession) {
    window->rebuildWebView(sessionScript("https://127.0.0.1"));
    window->load(server.origin() + "/app", 60);
    ASSERT_TRUE(processEventsUntil([&] { return title().startsWith("seen:"); }, 30));
    EXPECT_TRUE(title().startsWith("seen:none"));
}

TEST_F(WorkspaceWindowTest, RefusedNavigationsLeaveThePageWhereItIsAndNewWindowsOpenInTheView) {
    window->rebuildWebView(std::nullopt);
    window->load(server.origin() + "/app", 60);
    window->show();
    ASSERT_TRUE(processEventsUntil([&] { return title().startsWith("seen:"); }, 30));
    // The frame from another host was asked about and never loaded.
    ASSERT_TRUE(processEventsUntil(
        [&] { return asked(server.foreignOrigin() + "/foreign-frame", false); }));
    EXPECT_EQ(server.foreignFrameLoads, 0);

    runScript("document.getElementById('away').click()");
    ASSERT_TRUE(processEventsUntil([&] { return asked("http://docs.invalid/guide", true); }));
    runScript("window.open('http://docs.invalid/popup')");
    ASSERT_TRUE(processEventsUntil([&] { return asked("http://docs.invalid/popup", true); }));
    processEventsFor(0.5);
    EXPECT_EQ(currentURL(), server.origin() + "/app");

    runScript("document.getElementById('blank').click()");
    ASSERT_TRUE(processEventsUntil([&] { return title() == QStringLiteral("settings"); }, 15));
    EXPECT_EQ(currentURL(), server.origin() + "/settings");
}

TEST_F(WorkspaceWindowTest, WindowRemembersWhereTheUserLeftItAndHasAMinimumSize) {
    window->rebuildWebView(std::nullopt);
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

TEST_F(WorkspaceWindowTest, StorageLivesInANamedPersistentProfileAcrossRebuilds) {
    QWebEngineProfile& profile = windows.webProfile();
    EXPECT_FALSE(profile.isOffTheRecord());
    EXPECT_EQ(profile.storageName(), QStringLiteral("orvendi"));
    const QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    ASSERT_FALSE(dataHome.isEmpty());
    EXPECT_TRUE(profile.persistentStoragePath().startsWith(dataHome))
        << profile.persistentStoragePath().toStdString();

    window->rebuildWebView(std::nullopt);
    window->load(server.origin() + "/settings", 60);
    ASSERT_TRUE(processEventsUntil([&] { return title() == QStringLiteral("settings"); }, 30));
    runScript("localStorage.setItem('kept', 'yes'); sessionStorage.setItem('gone', 'yes');");
    processEventsFor(0.3);

    window->rebuildWebView(std::nullopt);
    window->load(server.origin() + "/settings", 60);
    ASSERT_TRUE(processEventsUntil([&] { return title() == QStringLiteral("settings"); }, 30));
    runScript(
        "document.title = localStorage.getItem('kept') + '/' + sessionStorage.getItem('gone')");
    EXPECT_TRUE(processEventsUntil([&] { return title() == QStringLiteral("yes/null"); }, 10))
        << title().toStdString();
}

} // namespace
} // namespace orvendi::test
