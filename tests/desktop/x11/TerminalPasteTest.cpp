#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "DesktopApps.h"
#include "X11Services.h"

namespace orvendi {
namespace {

using test::DesktopApp;
using test::processEventsUntil;

struct Terminal {
    const char* program;
    // The terminal's arguments that run `command` (a shell command line).
    QStringList (*running)(const QString& command);
};

// Stock settings: stock xterm pastes nothing on Control-V or Control-Shift-V.
const Terminal kTerminals[] = {
    {"xterm",
     [](const QString& command) {
         return QStringList{"-e", "sh", "-c", command};
     }},
    {"lxterminal", // a VTE terminal
     [](const QString& command) { return QStringList{"--command=sh -c '" + command + "'"}; }},
};

TEST(X11KeyEvents, TerminalsReceiveThePastedText) {
    for (const Terminal& terminal : kTerminals) {
        SCOPED_TRACE(terminal.program);
        QTemporaryDir folder;
        const QString received = QDir(folder.path()).filePath("received");
        test::X11Services services;
        DesktopApp app(terminal.program,
                       terminal.running("IFS= read -r line; printf %s \"$line\" > " + received));
        ASSERT_TRUE(processEventsUntil(
            [&] { return services.workspace.frontmostProcessId() == app.processId(); },
            test::kAppStartSeconds));
        EXPECT_TRUE(services.terminals.activeWindowIsTerminal());

        services.pasteboard.setString("echo from the agent\n");
        test::processEventsFor(0.12);
        services.keyEvents.postPasteKeystroke();

        ASSERT_TRUE(processEventsUntil([&] { return QFile(received).size() > 0; }, 10));
        QFile file(received);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll().toStdString(), "echo from the agent");
    }
}

} // namespace
} // namespace orvendi
