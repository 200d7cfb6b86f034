#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "base/Bytes.h"
#include "service/TranscriptionReceipt.h"

namespace orvendi {

class Backend;

// The two backend calls a dictation's text needs, blocking, from any thread;
// failures are exceptions.
struct TranscriptionCalls {
    // One recording, or one part of it with `ephemeral` set (nothing is saved).
    std::function<TranscriptionReceipt(const Bytes& wav, int64_t durationSecs, bool ephemeral)>
        transcribe;
    // Saves the joined texts of a recording's parts as one dictation.
    std::function<TranscriptionReceipt(const std::string& rawText, const std::string& cleanedText,
                                       int64_t durationSecs)>
        finalize;

    static TranscriptionCalls of(std::shared_ptr<Backend> api);
};

} // namespace orvendi
