#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include "DesktopApps.h"
#include "X11Services.h"

#include <X11/Xatom.h>

namespace orvendi {
namespace {

using test::processEventsUntil;

// An X server of the test's own, without a window manager. Activation under
// the window manager is the desktop dictation tests': when two dictations
// overlap, the first text goes back to the field it began in.
class BareDisplay {
public:
    BareDisplay() {
        // -displayfd 1: the server picks a free display and prints its number.
        server_.start("Xvfb",
                      {"-displayfd", "1", "-screen", "0", "640x480x24", "-nolisten", "tcp"});
        test::processEventsUntil([&] { return server_.canReadLine(); }, 10);
        name_ = ":" + QString::fromUtf8(server_.readLine()).trimmed();
    }
    ~BareDisplay() {
        server_.kill();
        server_.waitForFinished(5000);
    }
    QString name() const { return name_; }
    std::unique_ptr<QProcess> start(const QString& program, const QStringList& arguments) {
        auto process = std::make_unique<QProcess>();
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("DISPLAY", name_);
        process->setProcessEnvironment(environment);
        process->start(program, arguments);
        process->waitForStarted(10000);
        return process;
    }

private:
    QProcess server_;
    QString name_;
};

TEST(X11Workspace, WithoutAWindowManagerTheInputFocusDecidesAndStaleHintsAreIgnored) {
    BareDisplay bare;
    ASSERT_FALSE(bare.name().isEmpty());
    XConnection x(bare.name().toStdString());
    DesktopWindows windows(x);
    X11Workspace workspace(windows, PermissionSettingsPages({}, {}, {}));

    // What a window manager that crashed leaves on the root window.
    const Window gone = XCreateSimpleWindow(x.display(), x.root(), 0, 0, 1, 1, 0, 0, 0);
    const long goneId = static_cast<long>(gone);
    XChangeProperty(x.display(), x.root(), x.atom("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&goneId), 1);
    XChangeProperty(x.display(), x.root(), x.atom("_NET_ACTIVE_WINDOW"), XA_WINDOW, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&goneId), 1);
    XDestroyWindow(x.display(), gone);
    XSync(x.display(), False);
    EXPECT_FALSE(windows.windowManagerRunning());
    EXPECT_EQ(workspace.frontmostProcessId(), std::nullopt);

    auto first = bare.start("xterm", {});
    auto second = bare.start("xterm", {});
    const auto firstId = static_cast<int32_t>(first->processId());
    const auto secondId = static_cast<int32_t>(second->processId());
    ASSERT_TRUE(processEventsUntil(
        [&] { return !windows.windowsOf(firstId).empty() && !windows.windowsOf(secondId).empty(); },
        test::kAppStartSeconds));

    for (int32_t processId : {firstId, secondId, firstId}) {
        ASSERT_TRUE(workspace.activateProcess(processId));
        EXPECT_TRUE(processEventsUntil([&] { return workspace.frontmostProcessId() == processId; },
                                       test::kAppStartSeconds))
            << "process " << processId;
    }
    first->kill();
    second->kill();
    first->waitForFinished(5000);
    second->waitForFinished(5000);
}

TEST(X11Workspace, PermissionPagesOpenTheDesktopsSettingsOrTheWorkspaceAndOthersPassThrough) {
    const std::string prefix = "x-apple.systempreferences:com.apple.preference.security?";
    std::vector<std::string> opened;
    std::vector<std::vector<std::string>> started;
    bool programsStart = true;
    X11Workspace::Launcher launcher{[&](const std::string& url) {
                                        opened.push_back(url);
                                        return url.rfind("http", 0) == 0;
                                    },
                                    [&](const std::vector<std::string>& command) {
                                        started.push_back(command);
                                        return programsStart;
                                    }};
    XConnection x;
    DesktopWindows windows(x);
    const std::set<std::string> installed{"pavucontrol"};
    X11Workspace workspace(
        windows,
        PermissionSettingsPages(
            PermissionSettingsPages::desktopPrograms(),
            [] { return std::string("http://127.0.0.1:3000/settings"); },
            [&](const std::string& program) { return installed.count(program) > 0; }),
        launcher);

    EXPECT_TRUE(workspace.openURL(prefix + "Privacy_Microphone"));
    EXPECT_EQ(started, (std::vector<std::vector<std::string>>{{"pavucontrol", "--tab=4"}}));
    EXPECT_TRUE(opened.empty());

    EXPECT_TRUE(workspace.openURL(prefix + "Privacy_Accessibility"));
    EXPECT_EQ(opened, (std::vector<std::string>{"http://127.0.0.1:3000/settings"}));

    programsStart = false; // a settings program that fails falls back to the page
    opened.clear();
    EXPECT_TRUE(workspace.openURL(prefix + "Privacy_Microphone"));
    EXPECT_EQ(opened, (std::vector<std::string>{"http://127.0.0.1:3000/settings"}));

    opened.clear();
    EXPECT_FALSE(workspace.openURL(prefix + "Privacy_Bluetooth")) << "unknown pages are ignored";
    EXPECT_TRUE(opened.empty());

    EXPECT_TRUE(workspace.openURL("https://example.org/help"));
    EXPECT_FALSE(workspace.openURL("mailto:someone@example.org"))
        << "what cannot be opened says so";
}

} // namespace
} // namespace orvendi
