#include "platform/linux/wayland/TerminationSignals.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace orvendi {
namespace {

// A signal handler may only write to a pipe; the event loop reads it.
int wakeUp[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const auto written = write(wakeUp[1], &byte, 1);
}

} // namespace

TerminationSignals::TerminationSignals() {
    if (pipe2(wakeUp, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(wakeUp[0], QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [] {
        char byte;
        while (read(wakeUp[0], &byte, 1) > 0) {
        }
        QCoreApplication::quit();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    if (!notifier_) {
        return;
    }
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    notifier_.reset();
    close(wakeUp[0]);
    close(wakeUp[1]);
}

} // namespace orvendi
