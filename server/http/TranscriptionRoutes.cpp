#include "http/TranscriptionRoutes.h"

#include <chrono>
#include <cstdio>
#include <regex>

#include "Clock.h"
#include "ServiceError.h"
#include "Utf8.h"
#include "base/IsoTime.h"
#include "http/BearerAuth.h"
#include "http/JsonReply.h"
#include "http/JsonRequest.h"
#include "http/MultipartForm.h"
#include "http/Router.h"
#include "notes/DictationNote.h"
#include "platform/Log.h"
#include "speech/AudioDecoder.h"
#include "speech/SpeechRecognizer.h"
#include "speech/TranscriptCleaner.h"
#include "storage/NoteStore.h"

namespace orvendi::server {

namespace {

constexpr size_t kPcmBytesPerSecond = 32'000;
constexpr size_t kMaxSourceLength = 50;
constexpr const char* kDefaultSource = "api";

std::optional<std::string> formField(const MultipartForm& form, const char* name) {
    const auto content = form.field(name);
    return content ? std::optional<std::string>(*content) : std::nullopt;
}

std::string validSource(const std::optional<std::string>& source) {
    if (!source || source->empty()) {
        return kDefaultSource;
    }
    if (!Utf8::isValid(*source) || Utf8::hasControlCharacters(*source) ||
        Utf8::length(*source) > kMaxSourceLength) {
        throw ServiceError(400, "\"source\" must be a short line of text");
    }
    return *source;
}

std::optional<int64_t> durationField(const MultipartForm& form) {
    const auto text = formField(form, "duration_secs");
    if (!text) {
        return std::nullopt;
    }
    static const std::regex kWholeNumber(R"(-?\d{1,12})");
    if (!std::regex_match(*text, kWholeNumber)) {
        throw ServiceError(400, "\"duration_secs\" must be a whole number");
    }
    return std::stoll(*text);
}

bool ephemeralField(const MultipartForm& form) {
    const auto text = formField(form, "ephemeral");
    if (!text || *text == "false") {
        return false;
    }
    if (*text == "true") {
        return true;
    }
    throw ServiceError(400, "\"ephemeral\" must be true or false");
}

nlohmann::json transcript(const std::string& raw, const std::string& cleaned,
                          const std::optional<std::string>& id) {
    nlohmann::json inner{{"text", raw}, {"cleaned_text", cleaned}};
    if (id) {
        inner["id"] = *id;
    }
    return {{"raw", inner}};
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    return text;
}

} // namespace

TranscriptionRoutes::TranscriptionRoutes(const BearerAuth& auth, const AudioDecoder& decoder,
                                         SpeechRecognizer& recognizer, NoteStore& notes,
                                         const Clock& clock, Log& log)
    : auth_(auth), decoder_(decoder), recognizer_(recognizer), notes_(notes), clock_(clock),
      log_(log) {}

void TranscriptionRoutes::registerRoutes(Router& router) {
    router.post(
        "/api/transcribe",
        [this](const auto& request, auto& response) {
            const int64_t userId = auth_.requireUser(request);
            const MultipartForm form(request);
            const auto audio = form.field("audio");
            if (!audio) {
                throw ServiceError(400, "Expected a multipart form with an \"audio\" part");
            }
            const auto duration = durationField(form);
            const std::string source = validSource(formField(form, "source"));
            const bool ephemeral = ephemeralField(form);
            const auto pcm = decoder_.decode(*audio);
            if (!pcm) {
                throw ServiceError(400, "The audio could not be read; send a WAV file");
            }

            const auto started = std::chrono::steady_clock::now();
            const std::string raw = recognizer_.recognize(*pcm, std::to_string(userId));
            const double audioSeconds = static_cast<double>(pcm->size()) / kPcmBytesPerSecond;
            const double spent =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            log_.write("Recognised " + seconds(audioSeconds) + " s of audio in " + seconds(spent) +
                       " s");

            const std::string cleaned = TranscriptCleaner::clean(raw);
            std::optional<std::string> id;
            if (!ephemeral && DictationNote::worthStoring(raw, cleaned)) {
                const Note note =
                    DictationNote::make(userId, raw, cleaned, source,
                                        duration.value_or(static_cast<int64_t>(audioSeconds + 0.5)),
                                        IsoTime::millisFromSeconds(clock_.now()));
                notes_.insert(note);
                id = note.id;
            }
            JsonReply::send(response, 200, transcript(raw, cleaned, id));
        },
        kAudioBodyLimit,
        // Large uploads only from signed-in users: checked before the body is read.
        [this](const Request& request) { auth_.requireUser(request); }, Router::Body::Multipart);

    router.post("/api/transcribe/finalize", [this](const auto& request, auto& response) {
        const int64_t userId = auth_.requireUser(request);
        const JsonRequest body(request.body);
        const std::string raw = body.requiredString("rawText");
        const std::string cleaned = body.requiredString("cleanedText");
        const int64_t duration = body.requiredInteger("durationSecs");
        const std::string source = validSource(body.optionalString("source"));
        std::optional<std::string> id;
        if (DictationNote::worthStoring(raw, cleaned)) {
            const Note note = DictationNote::make(userId, raw, cleaned, source, duration,
                                                  IsoTime::millisFromSeconds(clock_.now()));
            notes_.insert(note);
            id = note.id;
        }
        JsonReply::send(response, 200, transcript(raw, cleaned, id));
    });
}

} // namespace orvendi::server
