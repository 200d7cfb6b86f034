#include "dictation/TranscriptionCalls.h"

#include "service/APIClient.h"

namespace orvendi {

TranscriptionCalls TranscriptionCalls::of(APIClient& api) {
    return {
        [&api](const Bytes& wav, int64_t durationSecs, bool ephemeral) {
            return api.transcribeWithReceipt(wav, durationSecs, ephemeral);
        },
        [&api](const std::string& rawText, const std::string& cleanedText, int64_t durationSecs) {
            return api.finalizeLongRecording(rawText, cleanedText, durationSecs);
        }};
}

} // namespace orvendi
