#include "platform/linux/wayland/WaylandPasteboard.h"

#include <QProcess>

#include "platform/Log.h"

namespace orvendi {
namespace {

// wl-copy returns once its background copy holds the selection, and wl-paste
// as soon as the owner has written the text; an owner that hangs must not
// hang the agent.
constexpr int kToolTimeoutMs = 2000;

const QString kCopy = QStringLiteral("wl-copy");
const QString kPaste = QStringLiteral("wl-paste");
// Named, so that wl-copy does not guess the type with other programs, and
// offered by wl-copy under the older text names too; "text" makes wl-paste
// take the best text type the owner offers.
const QStringList kCopyText{QStringLiteral("--type"), QStringLiteral("text/plain;charset=utf-8")};
const QStringList kPasteText{QStringLiteral("--no-newline"), QStringLiteral("--type"),
                             QStringLiteral("text")};

} // namespace

WaylandPasteboard::WaylandPasteboard(Log& log) : log_(log) {}

void WaylandPasteboard::copy(const QStringList& options, const std::string& text) {
    QProcess process;
    // The background copy keeps serving after wl-copy returns: it must not
    // hold pipes of ours open.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(kCopy, options);
    if (!process.waitForStarted(kToolTimeoutMs)) {
        log_.write("Orvendi: cannot run wl-copy (install wl-clipboard)");
        return;
    }
    process.write(text.data(), qint64(text.size()));
    process.closeWriteChannel();
    if (!process.waitForFinished(kToolTimeoutMs) || process.exitCode() != 0) {
        log_.write("Orvendi: wl-copy could not set the clipboard");
        process.kill();
        process.waitForFinished(kToolTimeoutMs);
    }
}

void WaylandPasteboard::clearContents() {
    QProcess process;
    process.start(kCopy, {QStringLiteral("--clear")});
    process.waitForFinished(kToolTimeoutMs);
}

void WaylandPasteboard::setString(const std::string& text) {
    copy(kCopyText, text);
}

void WaylandPasteboard::setPrimarySelection(const std::string& text) {
    copy(kCopyText + QStringList{QStringLiteral("--primary")}, text);
}

std::optional<std::string> WaylandPasteboard::string() const {
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(kPaste, kPasteText);
    if (!process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished(kToolTimeoutMs);
        return std::nullopt;
    }
    // wl-paste fails when the clipboard is empty or holds no text.
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        return std::nullopt;
    }
    return process.readAllStandardOutput().toStdString();
}

} // namespace orvendi
