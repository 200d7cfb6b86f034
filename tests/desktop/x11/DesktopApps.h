#pragma once

#include <QProcess>
#include <QStringList>

#include "desktop/support/QtTestLoop.h"

#include <functional>
#include <memory>
#include <string>

namespace orvendi::test {

// How long a test waits for an application of the session to start and take
// the focus: generous, because the machine may be busy with other sessions.
inline constexpr double kAppStartSeconds = 20;

// A program of the desktop session (zenity, xterm) started for one test and
// stopped by its process id when the test ends.
class DesktopApp {
public:
    DesktopApp(const QString& program, const QStringList& arguments);
    ~DesktopApp();
    DesktopApp(const DesktopApp&) = delete;
    DesktopApp& operator=(const DesktopApp&) = delete;

    int32_t processId() const;

private:
    std::unique_ptr<QProcess> process_;
};

// Presses and releases keys as a keyboard would, through XTest on a
// connection of the test's own.
class TestKeyboard {
public:
    TestKeyboard();
    ~TestKeyboard();
    void press(const char* keysymName);
    void release(const char* keysymName);
    void tap(const char* keysymName);

private:
    void send(const char* keysymName, bool down);
    struct Connection;
    std::unique_ptr<Connection> connection_;
};

} // namespace orvendi::test
