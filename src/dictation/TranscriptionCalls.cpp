#include "dictation/TranscriptionCalls.h"

#include "service/Backend.h"

namespace orvendi {

// The calls share ownership of the client: parts may still be in flight when
// every other owner has let it go.
TranscriptionCalls TranscriptionCalls::of(std::shared_ptr<Backend> api) {
    return {
        [api](const Bytes& wav, int64_t durationSecs, bool ephemeral) {
            return api->transcribeWithReceipt(wav, durationSecs, ephemeral);
        },
        [api](const std::string& rawText, const std::string& cleanedText, int64_t durationSecs) {
            return api->finalizeLongRecording(rawText, cleanedText, durationSecs);
        }};
}

} // namespace orvendi
