// Latency of the X11 layer, inside a desktop session:
//   tests/support/harness/desktop-session --bin-dir build/bin -- build/bin/bench_desktop_x11
// Capture: the focused element of a zenity entry with its role, subrole and
// selection (what a dictation reads when the key goes down). Key event: an XTest
// press of the dictation key until the monitor's callback on the main thread.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QThread>

#include <benchmark/benchmark.h>

#include "platform/linux/X11DesktopServices.h"

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>

namespace {

using namespace orvendi;

X11DesktopServices& services() {
    static X11DesktopServices instance(
        std::nullopt, [] { return MicrophoneAuthorization::Authorized; },
        [] { return std::string(); });
    return instance;
}

void processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

void BM_CaptureFocusedEntry(benchmark::State& state) {
    QProcess zenity;
    zenity.start("zenity", {"--entry", "--entry-text=hello world"});
    zenity.waitForStarted();
    const auto pid = static_cast<int32_t>(zenity.processId());
    auto& accessibility = services().accessibility;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!accessibility.focusedElement(pid) && std::chrono::steady_clock::now() < deadline) {
        processEvents();
        QThread::msleep(10);
    }
    for (auto _ : state) {
        const auto processId = services().workspace.frontmostProcessId();
        auto element = accessibility.focusedElement(processId.value_or(pid));
        if (!element) {
            state.SkipWithError("no focused element");
            break;
        }
        benchmark::DoNotOptimize(accessibility.role(*element));
        benchmark::DoNotOptimize(accessibility.subrole(*element));
        benchmark::DoNotOptimize(accessibility.selectedRange(*element));
    }
    zenity.kill();
    zenity.waitForFinished();
}
BENCHMARK(BM_CaptureFocusedEntry)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DictationKeyToCallback(benchmark::State& state) {
    int changes = 0;
    services().keyEvents.startMonitor([&](KeyFlags) { ++changes; });
    Display* display = services().x.display();
    const KeyCode key = XKeysymToKeycode(display, XK_Control_R);
    bool down = false;
    for (auto _ : state) {
        const int before = changes;
        down = !down;
        XTestFakeKeyEvent(display, key, down ? True : False, CurrentTime);
        XFlush(display);
        while (changes == before) {
            QCoreApplication::processEvents(); // polls: no waiting inside the loop
        }
    }
    if (down) {
        XTestFakeKeyEvent(display, key, False, CurrentTime);
        XFlush(display);
    }
}
BENCHMARK(BM_DictationKeyToCallback)->Unit(benchmark::kMicrosecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    QGuiApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
