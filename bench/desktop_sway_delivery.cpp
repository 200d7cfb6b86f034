// Latency of the delivery step on sway into a native Wayland GTK field: from
// the moment a transcript is ready to its text read back over AT-SPI, on the
// road the agent takes for a native window: its window focused again over
// sway's IPC (waiting until sway reports it focused), the text on the
// clipboard through data-control (waiting until it reads back), the paste
// keystroke from the agent's virtual keyboard, and the field polled until it
// holds the text. Each part is timed on its own:
//   focus       activate → the field's window is sway's focused window
//   clipboard   → the clipboard reads back the text
//   keystroke   → the virtual keyboard's keys are with the compositor
//   landed      → the text reads back from the field over AT-SPI
//
// Run inside tests/support/harness/wayland-session:
//   tests/support/harness/wayland-session -- build/bin/bench_desktop_sway_delivery [ROUNDS]
#include <QApplication>
#include <QProcess>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "desktop/x11/X11Services.h"
#include "platform/KeyEvents.h"
#include "platform/linux/atspi/AtspiAccessibility.h"
#include "platform/linux/wayland/SwayPasteKeystroke.h"
#include "platform/linux/wayland/WaylandPasteboard.h"
#include "support/fakes/CapturingLog.h"

namespace {

using namespace orvendi;
using Clock = std::chrono::steady_clock;
constexpr auto kWaitLimit = std::chrono::seconds(10);

double milliseconds(Clock::time_point from, Clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void print(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-28s median %7.2f ms   max %7.2f ms   (%zu rounds)\n", what,
                values[values.size() / 2], values.back(), values.size());
}

// Polls `done` with the event loop running; the moment it held, if it did.
std::optional<Clock::time_point> when(const std::function<bool()>& done) {
    const auto deadline = Clock::now() + kWaitLimit;
    while (Clock::now() < deadline) {
        if (done()) {
            return Clock::now();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return std::nullopt;
}

// No XWayland window takes part here.
class NoX11Keystroke : public KeyEvents {
public:
    bool startMonitor(std::function<void(KeyFlags, double)>) override { return false; }
    bool postPasteKeystroke() override { return false; }
    std::string dictationKeyName() const override { return {}; }
};

class NoLinks : public Workspace {
public:
    bool openURL(const std::string&) override { return false; }
    std::optional<int32_t> frontmostProcessId() override { return std::nullopt; }
    bool activateProcess(int32_t) override { return false; }
};

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    const char* swaySocket = std::getenv("SWAYSOCK");
    if (swaySocket == nullptr || rounds < 1) {
        std::fprintf(stderr, "run inside tests/support/harness/wayland-session: [ROUNDS]\n");
        return 2;
    }
    QApplication application(argc, argv);
    test::CapturingLog log;
    NoLinks links;
    SwayWorkspace workspace(swaySocket, links);
    WaylandPasteboard pasteboard(log);
    NoX11Keystroke x11;
    SwayPasteKeystroke keystroke(workspace, pasteboard, VirtualKeyboard::connect(log), x11, {});
    AtspiAccessibility accessibility;

    QProcess zenity;
    zenity.setProcessEnvironment([] {
        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("GDK_BACKEND"), QStringLiteral("wayland"));
        return environment;
    }());
    zenity.start(QStringLiteral("zenity"), {QStringLiteral("--entry")});
    const auto pid = int32_t(zenity.processId());
    std::shared_ptr<AccessibleElement> field;
    if (!when([&] {
            return workspace.frontmostProcessId() == pid &&
                   (field = accessibility.focusedElement(pid)) != nullptr;
        })) {
        std::fprintf(stderr, "the native zenity field did not take the focus\n");
        return 1;
    }
    std::vector<double> focus, clipboard, keys, landed, total;
    for (int round = 0; round < rounds; ++round) {
        const std::string text = " round " + std::to_string(round);
        const auto start = Clock::now();
        workspace.activateProcess(pid);
        const auto focused = when([&] { return workspace.frontmostProcessId() == pid; });
        pasteboard.setString(text);
        const auto copied = when([&] { return pasteboard.string() == text; });
        keystroke.post();
        const auto posted = Clock::now();
        const auto arrived = when([&] {
            const std::string now = test::textOf(*field);
            return now.size() >= text.size() &&
                   now.compare(now.size() - text.size(), text.size(), text) == 0;
        });
        if (!focused || !copied || !arrived) {
            std::fprintf(stderr, "round %d: the text did not arrive\n", round);
            return 1;
        }
        focus.push_back(milliseconds(start, *focused));
        clipboard.push_back(milliseconds(*focused, *copied));
        keys.push_back(milliseconds(*copied, posted));
        landed.push_back(milliseconds(posted, *arrived));
        total.push_back(milliseconds(start, *arrived));
    }
    print("focus", focus);
    print("clipboard", clipboard);
    print("keystroke", keys);
    print("landed", landed);
    print("transcript → text in field", total);
    zenity.kill();
    zenity.waitForFinished();
    return 0;
}
