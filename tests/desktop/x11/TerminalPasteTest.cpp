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

// xterm pastes the clipboard on Control-Shift-V here and types a marker on a
// plain Control-V, so what reaches the shell tells which keystroke came.
const char* const kKeyBindings = "XTerm*VT100.translations: #override \\n"
                                 "Ctrl Shift <Key>v: insert-selection(CLIPBOARD) \\n"
                                 "Ctrl Shift <Key>V: insert-selection(CLIPBOARD) \\n"
                                 "Ctrl ~Shift <Key>v: string(\"plain-control-v\") string(0x0d)";

TEST(X11KeyEvents, TerminalWindowsGetControlShiftV) {
    QTemporaryDir folder;
    const QString received = QDir(folder.path()).filePath("received");
    test::X11Services services;
    DesktopApp xterm("xterm", {"-xrm", kKeyBindings, "-e", "sh", "-c",
                               "IFS= read -r line; printf '%s' \"$line\" > " + received});
    ASSERT_TRUE(processEventsUntil(
        [&] { return services.workspace.frontmostProcessId() == xterm.processId(); },
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

} // namespace
} // namespace orvendi
