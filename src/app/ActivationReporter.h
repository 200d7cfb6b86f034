#pragma once

#include <memory>
#include <set>
#include <string>

#include "app/ActivationStage.h"
#include "platform/Scheduler.h"

namespace orvendi {

class Backend;
class Defaults;
class Log;
class Privacy;

// Tells the backend how far this installation has come: activation milestones
// (each sent at most once per process), the stage reached (kept in the user
// defaults), and the permission status (at setup, on change, and at least
// every 30 seconds while the report timer runs). Requests go out on a
// background queue; a failure is only logged. Main thread only.
class ActivationReporter : public std::enable_shared_from_this<ActivationReporter> {
public:
    static constexpr const char* kActivationStageKey = "activationStage";
    static constexpr const char* kActivationCompleteKey = "activationComplete";
    static constexpr const char* kInstallationIdKey = "installationId";

    ActivationReporter(std::shared_ptr<Backend> backend, Scheduler& scheduler, Privacy& privacy,
                       Defaults& defaults, Log& log);
    ~ActivationReporter();
    ActivationReporter(const ActivationReporter&) = delete;
    ActivationReporter& operator=(const ActivationReporter&) = delete;

    // The stored installation identifier; anything that is not a UUID is
    // replaced by a new lower-case one.
    static std::string installationId(Defaults& defaults);

    void emitActivation(const std::string& event);
    void persistActivationStage(ActivationStage stage);
    // A recording started: the first one counts as a milestone until
    // activation is complete.
    void recordingStarted();
    // Marks activation complete; returns whether it already was.
    bool completeActivation();

    void reportNativeStatus(bool force);
    // Reports now, then checks every 10 seconds for as long as this lives.
    void startNativeStatusReports();

private:
    std::shared_ptr<Backend> backend_;
    Scheduler& scheduler_;
    Privacy& privacy_;
    Defaults& defaults_;
    Log& log_;
    std::set<std::string> emittedActivationEvents_;
    std::shared_ptr<Timer> nativeStatusTimer_;
    std::string lastNativeStatusSignature_;
    double lastNativeStatusReport_ = kDistantPast;
};

} // namespace orvendi
