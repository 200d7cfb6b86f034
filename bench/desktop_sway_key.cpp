// Latency of the dictation key on sway: from the key's press on the session's
// virtual keyboard to the key source's press (sway's binding event over IPC),
// and on to the first captured audio when the press starts the microphone.
// The agent's own work between the two (target capture, recorder start) is
// bench_latency's "press → first captured audio".
//
// Run inside tests/support/harness/wayland-session (it starts its own sound server):
//   tests/support/harness/wayland-session -- build/bin/bench_desktop_sway_key [ROUNDS]
#include <QCoreApplication>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/linux/keys/HeldKey.h"
#include "platform/linux/pulse/PulseAudioInput.h"
#include "platform/linux/wayland/SwayKeySource.h"
#include "support/fakes/CapturingLog.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/AudioSession.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kKey = "Control_R";
constexpr auto kRoundTimeout = std::chrono::seconds(5);

double milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

void print(const char* what, std::vector<double> values) {
    std::sort(values.begin(), values.end());
    std::printf("%-32s median %7.2f ms   max %7.2f ms   (%zu rounds)\n", what,
                values[values.size() / 2], values.back(), values.size());
}

} // namespace

int main(int argc, char** argv) {
    using namespace orvendi;
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 20;
    const char* keyboard = std::getenv("ORVENDI_VIRTUAL_KEYBOARD");
    const char* swaySocket = std::getenv("SWAYSOCK");
    if (keyboard == nullptr || swaySocket == nullptr || rounds < 1) {
        std::fprintf(stderr, "run inside tests/support/harness/wayland-session: [ROUNDS]\n");
        return 2;
    }
    QCoreApplication application(argc, argv);
    test::AudioSession sound;
    PulseAudioInput microphone;
    test::VirtualScheduler scheduler;
    test::CapturingLog log;

    Clock::time_point pressed;
    std::optional<Clock::time_point> keyDown;
    std::atomic<int64_t> firstAudio{0};
    microphone.installTap(1024, [&](const float* const*, uint32_t, uint32_t) {
        int64_t none = 0;
        firstAudio.compare_exchange_strong(none, Clock::now().time_since_epoch().count());
    });
    HeldKey key(scheduler, [&](HeldKey::Change change) {
        if (change == HeldKey::Change::Down) {
            keyDown = Clock::now();
            microphone.start();
        } else {
            microphone.stop();
        }
    });
    SwayKeySource source(swaySocket, kKey, log);
    if (!source.start(key)) {
        std::fprintf(stderr, "sway refused the bindings\n");
        return 1;
    }
    auto send = [&](const char* action) {
        std::ofstream(keyboard) << action << ' ' << kKey << std::endl;
    };
    auto runUntil = [&](auto done) {
        const auto deadline = Clock::now() + kRoundTimeout;
        while (!done() && Clock::now() < deadline) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        }
        return done();
    };

    std::vector<double> toKey;
    std::vector<double> toAudio;
    for (int round = 0; round < rounds; ++round) {
        keyDown.reset();
        firstAudio = 0;
        pressed = Clock::now();
        send("press");
        if (!runUntil([&] { return keyDown && firstAudio != 0; })) {
            std::fprintf(stderr, "round %d: no key press or no audio\n", round);
            return 1;
        }
        toKey.push_back(milliseconds(*keyDown - pressed));
        toAudio.push_back(
            milliseconds(Clock::duration(firstAudio.load()) - pressed.time_since_epoch()));
        send("release");
        runUntil([&] { return !key.isDown(); });
    }
    print("press → sway key source", toKey);
    print("press → first captured audio", toAudio);
    return 0;
}
