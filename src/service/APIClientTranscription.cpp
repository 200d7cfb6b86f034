// APIClient's transcription endpoints: one multipart upload, or a long
// recording in chunks followed by the finalize request.
#include "service/APIClient.h"

#include <algorithm>

#include "capture/WAV.h"
#include "service/HTTPTransport.h"
#include "service/MultipartBody.h"
#include "service/RequestURL.h"
#include "service/ResponseBody.h"

namespace orvendi {
namespace {

using nlohmann::json;

// Largest PCM payload per upload: about 98 seconds of 16 kHz mono 16-bit audio.
constexpr int64_t kChunkPCMBytes = 3'145'728;
constexpr int64_t kPCMBytesPerSecond = 32'000;
constexpr const char* kChunkSeparator = "\n\n";
constexpr double kUploadTimeoutSeconds = 120;
constexpr double kFinalizeTimeoutSeconds = 60;
constexpr const char* kSource = "linux";

// The nested form: "raw" is an object whose "text" is a string.
std::optional<TranscriptionReceipt> nestedReceipt(const json& body) {
    const auto raw = body.find("raw");
    if (raw == body.end() || !raw->is_object()) {
        return std::nullopt;
    }
    auto rawText = ResponseBody::string(*raw, "text");
    if (!rawText) {
        return std::nullopt;
    }
    TranscriptionReceipt receipt;
    receipt.text = ResponseBody::string(*raw, "cleaned_text").value_or(*rawText);
    receipt.id = ResponseBody::string(*raw, "id");
    receipt.rawText = std::move(*rawText);
    return receipt;
}

// The flat form: the top-level "text" is a string.
std::optional<TranscriptionReceipt> flatReceipt(const json& body) {
    auto text = ResponseBody::string(body, "text");
    if (!text) {
        return std::nullopt;
    }
    return TranscriptionReceipt{*text, ResponseBody::string(body, "id"), *text};
}

// Whole seconds of audio in one chunk, never less than one.
int64_t chunkSeconds(const Bytes& chunk) {
    const auto pcm = WAV::pcmData(chunk);
    if (!pcm) {
        return 1;
    }
    return std::max<int64_t>(1, static_cast<int64_t>(pcm->size()) / kPCMBytesPerSecond);
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i > 0) {
            text += kChunkSeparator;
        }
        text += parts[i];
    }
    return text;
}

} // namespace

TranscriptionReceipt APIClient::transcribeWithReceipt(const Bytes& wav, int64_t durationSecs,
                                                      bool ephemeral) {
    const std::vector<Bytes> chunks = WAV::chunks(wav, kChunkPCMBytes);
    if (chunks.size() < 2 || ephemeral) {
        return transcribeSingle(wav, durationSecs, ephemeral);
    }
    // Each chunk is transcribed without being saved; the finalize request then
    // stores the whole recording as one dictation. The first failure ends it all.
    std::vector<std::string> rawTexts;
    std::vector<std::string> cleanedTexts;
    for (const Bytes& chunk : chunks) {
        TranscriptionReceipt receipt = transcribeSingle(chunk, chunkSeconds(chunk), true);
        rawTexts.push_back(std::move(receipt.rawText));
        cleanedTexts.push_back(std::move(receipt.text));
    }
    return finalizeLongRecording(joined(rawTexts), joined(cleanedTexts), durationSecs);
}

TranscriptionReceipt APIClient::transcribeSingle(const Bytes& wav, int64_t durationSecs,
                                                 bool ephemeral) {
    const std::string token = ensureToken();
    const std::string boundary = MultipartBody::newBoundary();
    HTTPRequest request;
    request.method = "POST";
    request.url = RequestURL::join(config_.api_url, "/api/transcribe");
    request.timeoutSeconds = kUploadTimeoutSeconds;
    request.headers = {{"Authorization", "Bearer " + token},
                       {"Content-Type", MultipartBody::contentType(boundary)}};
    request.body = MultipartBody::build(boundary, wav, durationSecs, kSource, ephemeral);

    const HTTPResponse response = syncRequest(request);
    const json body = ResponseBody::object(response.body);
    if (auto receipt = nestedReceipt(body)) {
        return *receipt;
    }
    if (auto receipt = flatReceipt(body)) {
        return *receipt;
    }
    if (response.status == 401) {
        dropAccessToken();
    }
    throw APIError::requestFailed(
        ResponseBody::failureMessage(body, "HTTP " + std::to_string(response.status)));
}

TranscriptionReceipt APIClient::finalizeLongRecording(const std::string& rawText,
                                                      const std::string& cleaned,
                                                      int64_t durationSecs) {
    const std::string token = ensureToken();
    const json payload = {{"rawText", rawText},
                          {"cleanedText", cleaned},
                          {"durationSecs", durationSecs},
                          {"source", kSource}};
    const HTTPResponse response = syncRequest(
        jsonRequest("/api/transcribe/finalize", payload, kFinalizeTimeoutSeconds, token));
    const json body = ResponseBody::object(response.body);
    if (response.status == 200) {
        if (auto receipt = nestedReceipt(body)) {
            return *receipt;
        }
    }
    throw APIError::requestFailed(
        ResponseBody::failureMessage(body, "Couldn\u2019t save the completed recording"));
}

} // namespace orvendi
