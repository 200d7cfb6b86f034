#pragma once

#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace orvendi::test {

// Runs the Qt event loop until `done` returns true or `timeoutSeconds` pass;
// returns done().
bool processEventsUntil(const std::function<bool()>& done, double timeoutSeconds = 10);

// Runs the Qt event loop for a while (for things that must not happen).
void processEventsFor(double seconds);

struct ProcessResult {
    bool finished = false; // false: timed out (and was killed) or did not start
    int exitCode = -1;
    QString output;
    QString errors;
};

// Runs a program to its end while the event loop keeps running, so that the
// program may talk to this process (D-Bus, the clipboard, a local socket).
// Without `environment` it inherits this process's.
ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         double timeoutSeconds = 20,
                         const std::optional<QProcessEnvironment>& environment = std::nullopt);

// The folder for screenshots and other artefacts of the desktop tests.
std::filesystem::path testOutputDirectory();

// Saves the part `area` of the screen (global coordinates) as NAME.png in
// the test output folder and returns the file.
std::filesystem::path saveScreenshot(const std::string& name, const QRect& area);

// Where the test helper programs are (the build's bin folder).
QString helperProgram(const QString& name);

} // namespace orvendi::test
