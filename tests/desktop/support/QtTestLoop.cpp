#include "desktop/support/QtTestLoop.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <cstdlib>

namespace orvendi::test {
namespace {

constexpr int kSliceMs = 10;

} // namespace

bool processEventsUntil(const std::function<bool()>& done, double timeoutSeconds) {
    QDeadlineTimer deadline(static_cast<qint64>(timeoutSeconds * 1000));
    while (!done()) {
        if (deadline.hasExpired()) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, kSliceMs);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QThread::msleep(1);
    }
    return true;
}

void processEventsFor(double seconds) {
    processEventsUntil([] { return false; }, seconds);
}

ProcessResult runProcess(const QString& program, const QStringList& arguments,
                         double timeoutSeconds,
                         const std::optional<QProcessEnvironment>& environment) {
    ProcessResult result;
    QProcess process;
    if (environment) {
        process.setProcessEnvironment(*environment);
    }
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) {
        result.errors = process.errorString();
        return result;
    }
    const bool ended =
        processEventsUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutSeconds);
    if (!ended) {
        process.kill();
        process.waitForFinished(2000);
    }
    result.finished = ended && process.exitStatus() == QProcess::NormalExit;
    result.exitCode = process.exitCode();
    result.output = QString::fromUtf8(process.readAllStandardOutput());
    result.errors = QString::fromUtf8(process.readAllStandardError());
    return result;
}

std::filesystem::path testOutputDirectory() {
    const char* configured = std::getenv("ORVENDI_TEST_OUTPUT_DIR");
    std::filesystem::path directory =
        configured != nullptr && *configured != '\0' ? configured : "test-output";
    std::filesystem::create_directories(directory);
    return directory;
}

std::filesystem::path saveScreenshot(const std::string& name, const QRect& area) {
    const std::filesystem::path file = testOutputDirectory() / (name + ".png");
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QPixmap shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        shot.save(QString::fromStdString(file.string()), "PNG");
    }
    return file;
}

QString helperProgram(const QString& name) {
    return QStringLiteral(ORVENDI_BIN_DIR "/") + name;
}

} // namespace orvendi::test
