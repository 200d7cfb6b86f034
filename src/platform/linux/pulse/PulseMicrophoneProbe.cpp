#include "platform/linux/pulse/PulseMicrophoneProbe.h"

#include "base/Error.h"

namespace orvendi {
namespace {

// The probe runs on the main thread every few seconds: a server that takes
// longer than this to answer counts as absent rather than freezing the agent.
constexpr std::chrono::milliseconds kProbeTimeout{1000};

} // namespace

PulseMicrophoneProbe::PulseMicrophoneProbe() : pulse_(kProbeTimeout) {}

MicrophoneAuthorization PulseMicrophoneProbe::authorization() {
    PulseContext::Lock lock(pulse_);
    try {
        pulse_.defaultSource();
        return MicrophoneAuthorization::Authorized;
    } catch (const PlatformError&) {
        return MicrophoneAuthorization::Denied;
    }
}

void PulseMicrophoneProbe::request(const std::function<void(bool granted)>& completion) {
    completion(authorization() == MicrophoneAuthorization::Authorized);
}

} // namespace orvendi
