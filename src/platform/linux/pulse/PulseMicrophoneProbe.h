#pragma once

#include <functional>

#include "platform/Privacy.h"
#include "platform/linux/pulse/PulseContext.h"

namespace orvendi {

// The microphone permission as Linux has it: there is no per-application
// consent and no prompt, so the agent may record exactly when a sound server
// answers and offers a default input. The state is never "not determined".
class PulseMicrophoneProbe {
public:
    PulseMicrophoneProbe();

    MicrophoneAuthorization authorization();
    // Nothing to ask the user: reports the current state, on the calling thread.
    void request(const std::function<void(bool granted)>& completion);

private:
    PulseContext pulse_;
};

} // namespace orvendi
