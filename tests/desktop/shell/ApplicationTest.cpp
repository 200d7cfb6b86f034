#include <QApplication>
#include <QFile>
#include <QMainWindow>
#include <QMenuBar>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>

#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtApplication.h"

namespace orvendi::test {
namespace {

QString probe() {
    return helperProgram("orvendi-instance-probe");
}

// The agent under test: a QtApplication that records what reaches it and
// runs its loop until `done` (or a time limit).
class AgentUnderTest {
public:
    explicit AgentUnderTest(QStringList arguments = {"orvendi"}) : application(arguments) {
        application.setOpenURLsHandler([this](const std::vector<std::string>& urls) {
            for (const auto& url : urls) {
                received.push_back("open " + url);
            }
        });
        application.setReopenHandler([this](bool visible) {
            received.push_back(visible ? "reopen visible" : "reopen hidden");
        });
    }

    // Runs the event loop (application.run()) while `during` happens, until
    // `count` requests arrived or 20 seconds passed.
    void runUntilReceived(size_t count, const std::function<void()>& during = {}) {
        QTimer::singleShot(0, [during] {
            if (during) {
                during();
            }
        });
        QTimer check;
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (received.size() >= count) {
                application.terminate();
            }
        });
        check.start(20);
        QTimer::singleShot(20000, [&] { application.terminate(); });
        application.run();
    }

    QtApplication application;
    std::vector<std::string> received;
};

// A crashed agent's socket file does not stop the next one, whose own launch
// links arrive once it runs, as does a later launch that hands over to it.
TEST(SingleInstance, AgentClaimsPastAStaleSocketAndHearsItsOwnLinksAndLaterLaunches) {
    {
        QFile stale(SingleInstance::defaultSocketPath());
        ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    }
    AgentUnderTest agent({"orvendi", "orvendi://permissions/microphone", "--not-a-link"});
    ASSERT_TRUE(agent.application.claimSingleInstance());
    EXPECT_TRUE(agent.received.empty());
    agent.runUntilReceived(2, [&] {
        EXPECT_EQ(runProcess(probe(), {"claim"}).output.trimmed(), QStringLiteral("handed-over"));
    });
    std::sort(agent.received.begin(), agent.received.end());
    EXPECT_EQ(agent.received,
              (std::vector<std::string>{"open orvendi://permissions/microphone", "reopen hidden"}));
}

TEST(SingleInstance, TwoLaunchesAtOnceMakeOneAgent) {
    QProcess first, second;
    first.start(probe(), {"claim", "--serve", "4"});
    second.start(probe(), {"claim", "--serve", "4"});
    ASSERT_TRUE(first.waitForStarted() && second.waitForStarted());
    ASSERT_TRUE(processEventsUntil(
        [&] {
            return first.state() == QProcess::NotRunning && second.state() == QProcess::NotRunning;
        },
        20));
    QStringList outputs = {QString::fromUtf8(first.readAllStandardOutput()).trimmed(),
                           QString::fromUtf8(second.readAllStandardOutput()).trimmed()};
    outputs.sort();
    EXPECT_EQ(outputs.at(0), QStringLiteral("handed-over"));
    EXPECT_EQ(outputs.at(1), QStringLiteral("primary\nreopen hidden"));
}

TEST(MainMenu, ItsKeyEquivalentsActInTheAgentsWindowsWithoutAGlobalMenu) {
    QtApplication application({"orvendi"});
    auto mainMenu = application.createMenu("");
    auto appMenu = mainMenu->addSubmenu("Orvendi");
    std::vector<std::string> chosen;
    appMenu->addItem("About Orvendi", [&] { chosen.push_back("about"); });
    appMenu->addSeparator();
    appMenu->addItem("Hide Orvendi", [&] { chosen.push_back("hide"); }, {"h", kModifierCommand});
    appMenu->addItem("Hide Others", [&] { chosen.push_back("hide others"); },
                     {"h", kModifierCommand | kModifierOption});
    appMenu->addItem("Quit Orvendi", [&] { chosen.push_back("quit"); }, {"q", kModifierCommand});
    auto windowMenu = mainMenu->addSubmenu("Window");
    windowMenu->addItem("Minimize", [&] { application.minimizeKeyWindow(); },
                        {"m", kModifierCommand});
    application.setMainMenu(mainMenu, windowMenu);

    QMainWindow window;
    window.resize(600, 400);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(processEventsUntil([&] { return window.isActiveWindow(); }));
    EXPECT_EQ(window.menuBar()->actions().size(), 0) << "no menu bar inside the window";

    runProcess("xdotool", {"key", "--clearmodifiers", "ctrl+q"});
    runProcess("xdotool", {"key", "--clearmodifiers", "ctrl+alt+h"});
    ASSERT_TRUE(processEventsUntil([&] { return chosen.size() == 2; }, 5));
    EXPECT_EQ(chosen, (std::vector<std::string>{"quit", "hide others"}));

    runProcess("xdotool", {"key", "--clearmodifiers", "ctrl+m"});
    EXPECT_TRUE(processEventsUntil([&] { return window.isMinimized(); }, 5));
}

// Two rules of the application in one case (each case starts a desktop
// session): the Qt platform it prepares, and hiding only its own windows.
TEST(Application, PreparingChoosesX11UnlessTheUserChoseAndHidingConcernsTheAgentsWindows) {
    const QByteArray before = qgetenv("QT_QPA_PLATFORM");
    struct Case {
        const char* given; // nullptr: not set, as in a Wayland session
        const char* chosen;
    };
    const Case cases[] = {{nullptr, "xcb"}, {"", "xcb"}, {"offscreen", "offscreen"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.given ? c.given : "(unset)");
        if (c.given) {
            qputenv("QT_QPA_PLATFORM", c.given);
        } else {
            qunsetenv("QT_QPA_PLATFORM");
        }
        QtApplication::prepare();
        EXPECT_EQ(qgetenv("QT_QPA_PLATFORM"), QByteArray(c.chosen));
    }
    qputenv("QT_QPA_PLATFORM", before);

    QtApplication application({"orvendi"});
    QMainWindow first, second;
    first.show();
    second.show();
    ASSERT_TRUE(processEventsUntil([&] { return first.isVisible() && second.isVisible(); }));
    application.hide();
    EXPECT_FALSE(first.isVisible());
    EXPECT_FALSE(second.isVisible());
    EXPECT_FALSE(application.hasVisibleWindows());
    application.unhideAllApplications();
    EXPECT_TRUE(first.isVisible());
    EXPECT_TRUE(second.isVisible());
}

} // namespace
} // namespace orvendi::test
