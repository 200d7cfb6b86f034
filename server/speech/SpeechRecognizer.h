#pragma once

#include <string>

#include "base/Bytes.h"

namespace orvendi::server {

// Turns 16 kHz mono signed 16-bit little-endian samples into words.
class SpeechRecognizer {
public:
    virtual ~SpeechRecognizer() = default;
    // The words heard, as recognised (no clean-up); empty for silence. Throws
    // ServiceError when the recogniser itself fails. `speaker` names who
    // speaks (empty for no one known), for recognisers that adapt to a voice.
    virtual std::string recognize(const Bytes& pcm16kMono, const std::string& speaker) = 0;
    // A short text naming the engine, for people ("pocketsphinx (US English, offline)").
    virtual std::string description() const = 0;
};

} // namespace orvendi::server
