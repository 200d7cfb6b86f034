#pragma once

#include "ExitStatus.h"

namespace orvendi {

class APIClient;
class LiveTranscription;
class Terminal;
struct Recording;

// Takes a finished recording to its end as the agent does, printing instead
// of pasting: a silent one is moved aside and reported (exit status 3); a
// transcript goes to standard output and the recovery copy is discarded; a
// failure is reported with where the recording stays for a retry.
class RecordingDelivery {
public:
    RecordingDelivery(APIClient& api, Terminal& terminal) : api_(api), terminal_(terminal) {}

    // `live`, when the recording was followed while it ran, supplies the text
    // of the parts already transcribed.
    ExitStatus deliver(const Recording& recording, LiveTranscription* live = nullptr);

private:
    ExitStatus silent(const Recording& recording);

    APIClient& api_;
    Terminal& terminal_;
};

} // namespace orvendi
