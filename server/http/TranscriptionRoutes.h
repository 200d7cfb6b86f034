#pragma once

#include <cstddef>

#include "http/RouteModule.h"

namespace orvendi {
class Log;
}

namespace orvendi::server {

class AudioDecoder;
class BearerAuth;
class Clock;
class NoteStore;
class SpeechRecognizer;

// Dictation (Bearer on both routes):
//   POST /api/transcribe  multipart: "audio" (a WAV file), "duration_secs",
//        "source", optional "ephemeral"="true"
//        -> {"raw": {"text", "cleaned_text", "id"}}; "id" only when the
//        dictation was stored as a note (not ephemeral, not empty)
//   POST /api/transcribe/finalize {"rawText","cleanedText","durationSecs","source"}
//        stores the joined transcripts of a chunked upload as one note
class TranscriptionRoutes : public RouteModule {
public:
    static constexpr size_t kAudioBodyLimit = 64u << 20; // 64 MiB

    TranscriptionRoutes(const BearerAuth& auth, const AudioDecoder& decoder,
                        SpeechRecognizer& recognizer, NoteStore& notes, const Clock& clock,
                        Log& log);

    void registerRoutes(Router& router) override;

private:
    const BearerAuth& auth_;
    const AudioDecoder& decoder_;
    SpeechRecognizer& recognizer_;
    NoteStore& notes_;
    const Clock& clock_;
    Log& log_;
};

} // namespace orvendi::server
