// Start-up and resource figures of the desktop shell. Run it inside a desktop
// session:
//   tests/support/harness/desktop-session -- build/bin/bench_desktop_shell [--seconds N] [--runs N]
// It launches the shell as a separate process (this program with --agent):
// the application, the scheduler, the windows factory, the HUD and the tray
// item with the status menu, as the agent builds them at launch. It reports
//  - start-up: process start until a panel can read the complete tray menu
//    over D-Bus;
//  - with the workspace window open on a page of a local server, then after
//    closing it: resident memory of the whole process tree (RSS summed, and
//    PSS, which counts shared pages once) and the processor time it used
//    while idle for N seconds (default 60).
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <QWebEngineView>
#include <algorithm>
#include <cstdio>
#include <httplib.h>
#include <thread>
#include <unistd.h>

#include "desktop/support/DBusMenuClient.h"
#include "desktop/support/QtTestLoop.h"
#include "platform/linux/qt/QtApplication.h"
#include "platform/linux/qt/QtHUDPanel.h"
#include "platform/linux/qt/QtScheduler.h"
#include "platform/linux/qt/QtWindows.h"
#include "platform/linux/qt/QtWorkspaceWindow.h"
#include "support/fakes/MemoryDefaults.h"

namespace {

using namespace orvendi;
using namespace orvendi::test;

// --- the shell under measurement ---------------------------------------------

int runAgent() {
    QtApplication application({"orvendi"}, QDir::temp().filePath("orvendi-bench.socket"));
    application.claimSingleInstance();
    QtScheduler scheduler;
    MemoryDefaults defaults;
    QtWindows windows(defaults);
    auto hud = windows.createHUDPanel();

    auto menu = application.createMenu("");
    menu->addItem("Start recording", [] {});
    menu->addItem("Retry saved recording", [] {})->setEnabled(false);
    menu->addItem("Copy last dictation", [] {})->setEnabled(false);
    menu->addSeparator();
    menu->addItem("Open Orvendi", [] {});
    menu->addItem("Settings & permissions\u2026", [] {});
    menu->addSeparator();
    menu->addItem("Quit", [&] { application.terminate(); }, {"q", kModifierCommand});
    auto statusItem = application.createStatusItem();
    statusItem->setSymbol("waveform", "Dictation idle", true);
    statusItem->setMenu(menu);

    // Commands on standard input: "open URL" opens the workspace window on a
    // page, "close" closes it; the end of input quits.
    std::unique_ptr<WorkspaceWindow> workspace;
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[512] = {};
        if (::read(STDIN_FILENO, buffer, sizeof buffer - 1) <= 0) {
            application.terminate();
            return;
        }
        const QString command = QString::fromUtf8(buffer).trimmed();
        if (command.startsWith("open ")) {
            if (!workspace) {
                workspace = windows.createWorkspaceWindow();
                workspace->setTitle("Orvendi");
            }
            workspace->rebuildWebView(std::nullopt);
            auto* window = static_cast<QtWorkspaceWindow*>(workspace.get());
            QObject::connect(window->webView(), &QWebEngineView::loadFinished, [](bool ok) {
                std::printf(ok ? "loaded\n" : "failed\n");
                std::fflush(stdout);
            });
            workspace->load(command.mid(5).toStdString(), 60);
            workspace->show();
        } else if (command == "close" && workspace) {
            static_cast<QtWorkspaceWindow*>(workspace.get())->close();
            std::printf("closed\n");
            std::fflush(stdout);
        }
    });
    return application.run();
}

// --- measuring ------------------------------------------------------------------

std::vector<int> processTree(int root) {
    std::vector<int> tree{root};
    for (size_t i = 0; i < tree.size(); ++i) {
        for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
            bool isPid = false;
            const int pid = entry.toInt(&isPid);
            if (!isPid) {
                continue;
            }
            QFile stat(QString("/proc/%1/stat").arg(pid));
            if (!stat.open(QIODevice::ReadOnly)) {
                continue;
            }
            const QString text = QString::fromLatin1(stat.readAll());
            const QStringList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
            if (fields.value(1).toInt() == tree[i]) {
                tree.push_back(pid);
            }
        }
    }
    return tree;
}

long kilobytesOf(int pid, const QString& file, const QString& key) {
    QFile status(QString("/proc/%1/%2").arg(pid).arg(file));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key.toLatin1() + ':')) {
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLong();
        }
    }
    return 0;
}

// Processor seconds the tree used so far (user + system).
double cpuSeconds(const std::vector<int>& tree) {
    const double ticks = static_cast<double>(sysconf(_SC_CLK_TCK));
    double total = 0;
    for (int pid : tree) {
        QFile stat(QString("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        total += (fields.value(11).toDouble() + fields.value(12).toDouble()) / ticks;
    }
    return total;
}

void reportResources(const char* what, int root, int seconds) {
    std::vector<int> tree = processTree(root);
    const double cpuBefore = cpuSeconds(tree);
    processEventsFor(seconds);
    tree = processTree(root);
    const double cpuAfter = cpuSeconds(tree);
    long rss = 0, pss = 0;
    for (int pid : tree) {
        rss += kilobytesOf(pid, "status", "VmRSS");
        pss += kilobytesOf(pid, "smaps_rollup", "Pss");
    }
    std::printf("%-30s processes %2zu  RSS %7.1f MiB  PSS %7.1f MiB  idle CPU %5.2f %% over %d s\n",
                what, tree.size(), rss / 1024.0, pss / 1024.0,
                100.0 * (cpuAfter - cpuBefore) / seconds, seconds);
    std::fflush(stdout);
}

bool readLine(QProcess& process, const QByteArray& expected, double seconds) {
    QByteArray seen;
    return processEventsUntil(
        [&] {
            seen += process.readAllStandardOutput();
            return seen.contains(expected);
        },
        seconds);
}

int runController(const QStringList& arguments) {
    const int seconds = arguments.contains("--seconds")
                            ? arguments.value(arguments.indexOf("--seconds") + 1).toInt()
                            : 60;
    const int runs =
        arguments.contains("--runs") ? arguments.value(arguments.indexOf("--runs") + 1).toInt() : 5;
    const QString self = QCoreApplication::applicationFilePath();

    std::vector<double> startups;
    for (int run = 0; run < runs; ++run) {
        QProcess agent;
        QElapsedTimer clock;
        clock.start();
        agent.start(self, {"--agent"});
        DBusMenuClient panel;
        std::optional<QString> service;
        const bool ready = processEventsUntil(
            [&] {
                service = panel.trayItemService();
                if (!service) {
                    return false;
                }
                const auto layout = panel.menuLayout(*service);
                return layout && layout->children.size() == 8;
            },
            30);
        startups.push_back(clock.nsecsElapsed() / 1e6);
        agent.kill();
        agent.waitForFinished();
        if (!ready) {
            std::fprintf(stderr, "the tray menu did not appear\n");
            return 1;
        }
        processEventsUntil([&] { return !panel.trayItemService(); }, 5);
    }
    std::sort(startups.begin(), startups.end());
    std::printf(
        "start-up to a readable tray menu: median %.0f ms, min %.0f ms, max %.0f ms (%d runs)\n",
        startups[startups.size() / 2], startups.front(), startups.back(), runs);
    std::fflush(stdout);

    // A page about the size of a web application's first screen.
    httplib::Server server;
    std::string page =
        "<html><head><title>Workspace</title><style>body{font-family:sans-serif}</style>"
        "<script>let n = 0; for (let i = 0; i < 2000; ++i) n += i;</script></head><body>";
    for (int i = 0; i < 200; ++i) {
        page += "<p>Note " + std::to_string(i) + ": a few words dictated into the workspace.</p>";
    }
    page += "</body></html>";
    server.Get("/app", [&](const httplib::Request&, httplib::Response& response) {
        response.set_content(page, "text/html");
    });
    const int port = server.bind_to_any_port("127.0.0.1");
    std::thread serving([&] { server.listen_after_bind(); });

    QProcess agent;
    agent.start(self, {"--agent"});
    DBusMenuClient panel;
    processEventsUntil([&] { return panel.trayItemService().has_value(); }, 30);
    processEventsFor(3);
    reportResources("shell, workspace never open:", static_cast<int>(agent.processId()), seconds);
    agent.write(QString("open http://127.0.0.1:%1/app\n").arg(port).toUtf8());
    if (!readLine(agent, "loaded", 60)) {
        std::fprintf(stderr, "the workspace did not load\n");
        agent.kill();
        server.stop();
        serving.join();
        return 1;
    }
    processEventsFor(3);
    reportResources("workspace open:", static_cast<int>(agent.processId()), seconds);
    agent.write("close\n");
    readLine(agent, "closed", 10);
    processEventsFor(3);
    reportResources("workspace closed:", static_cast<int>(agent.processId()), seconds);
    agent.closeWriteChannel();
    if (!agent.waitForFinished(5000)) {
        agent.kill();
        agent.waitForFinished();
    }
    server.stop();
    serving.join();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QtApplication::prepare();
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.contains("--agent")) {
        return runAgent();
    }
    return runController(arguments);
}
