#pragma once

#include <memory>

class QSocketNotifier;

namespace orvendi {

// Ends the event loop on SIGTERM and SIGHUP (the session ending, a service
// manager stopping the agent), so the agent winds down as on Quit and takes
// back what it set up in the compositor: sway keeps key bindings of a killed
// client, and they would swallow the dictation key in every application.
// One per process; main thread.
class TerminationSignals {
public:
    TerminationSignals();
    ~TerminationSignals();
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

private:
    std::unique_ptr<QSocketNotifier> notifier_;
};

} // namespace orvendi
