#pragma once

#include <QProcess>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace orvendi::test {

// Runs the Qt event loop (and with it the GLib context) until `done` holds or
// the time is up. True when `done` held.
bool waitUntil(const std::function<bool()>& done,
               std::chrono::milliseconds limit = std::chrono::seconds(15));
// Runs the event loop for a while.
void spinFor(std::chrono::milliseconds duration);

// A program of the desktop session (zenity, xterm) started for one test and
// stopped by its process id when the test ends.
class DesktopApp {
public:
    DesktopApp(const QString& program, const QStringList& arguments);
    ~DesktopApp();
    DesktopApp(const DesktopApp&) = delete;
    DesktopApp& operator=(const DesktopApp&) = delete;

    int32_t processId() const;
    // Waits for the program to exit and returns what it printed.
    std::string waitForOutput(std::chrono::milliseconds limit = std::chrono::seconds(10));

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
