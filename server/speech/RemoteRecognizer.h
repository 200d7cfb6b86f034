#pragma once

#include <string>

#include "speech/SpeechRecognizer.h"

namespace orvendi {
class Log;
}

namespace orvendi::server {

// Forwards audio to an OpenAI-compatible transcription service (for example a
// local whisper server): POST <base>/v1/audio/transcriptions with the samples
// as a WAV file, answered by {"text": ...}. A failure tells the user only which
// service failed; its address and the transport's own words go to the log.
class RemoteRecognizer : public SpeechRecognizer {
public:
    // `url` is the service's base address or the full transcription address.
    // Throws orvendi::Error when it is not an http(s) URL.
    RemoteRecognizer(const std::string& url, std::string model, Log& log);

    std::string recognize(const Bytes& pcm16kMono, const std::string& speaker) override;
    std::string description() const override;

    const std::string& endpoint() const { return endpoint_; }

private:
    std::string endpoint_;
    std::string publicEndpoint_; // without credentials, for people to read
    std::string model_;
    Log& log_;
};

} // namespace orvendi::server
