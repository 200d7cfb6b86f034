#include "speech/RemoteRecognizer.h"

#include <curl/curl.h>
#include <memory>
#include <nlohmann/json.hpp>

#include "ServiceError.h"
#include "base/Error.h"
#include "capture/WAV.h"
#include "platform/Log.h"

namespace orvendi::server {

namespace {

constexpr const char* kTranscriptionPath = "/v1/audio/transcriptions";
// Long uploads may take a while on a slow recogniser; the agent waits 120 s.
constexpr long kTimeoutSeconds = 115;
// Enough of a refusing service's answer to tell its reason in the log.
constexpr size_t kLoggedAnswerBytes = 300;
constexpr const char* kNoAnswer = "The speech service did not answer. Try again later.";
constexpr const char* kFailed = "The speech service could not transcribe the recording. Try again "
                                "later.";

using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

std::string part(CURLU* url, CURLUPart which) {
    char* value = nullptr;
    if (curl_url_get(url, which, &value, 0) != CURLUE_OK || !value) {
        return {};
    }
    std::string text(value);
    curl_free(value);
    return text;
}

size_t collect(char* data, size_t size, size_t count, void* user) {
    static_cast<std::string*>(user)->append(data, size * count);
    return size * count;
}

} // namespace

RemoteRecognizer::RemoteRecognizer(const std::string& url, std::string model, Log& log)
    : model_(std::move(model)), log_(log) {
    UrlHandle handle(curl_url(), curl_url_cleanup);
    if (!handle || curl_url_set(handle.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        throw Error("Not a URL: " + url);
    }
    const std::string scheme = part(handle.get(), CURLUPART_SCHEME);
    if (scheme != "http" && scheme != "https") {
        throw Error("The speech service must be an http or https URL: " + url);
    }
    const std::string path = part(handle.get(), CURLUPART_PATH);
    if (path.empty() || path == "/") {
        curl_url_set(handle.get(), CURLUPART_PATH, kTranscriptionPath, 0);
    }
    endpoint_ = part(handle.get(), CURLUPART_URL);
    curl_url_set(handle.get(), CURLUPART_USER, nullptr, 0);
    curl_url_set(handle.get(), CURLUPART_PASSWORD, nullptr, 0);
    publicEndpoint_ = part(handle.get(), CURLUPART_URL);
}

std::string RemoteRecognizer::recognize(const Bytes& pcm16kMono, const std::string&) {
    const auto wav = WAV::wrap(pcm16kMono);
    if (!wav) {
        throw ServiceError(413, "The recording is too long");
    }
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(), curl_easy_cleanup);
    std::unique_ptr<curl_mime, decltype(&curl_mime_free)> form(curl_mime_init(curl.get()),
                                                               curl_mime_free);
    curl_mimepart* file = curl_mime_addpart(form.get());
    curl_mime_name(file, "file");
    curl_mime_filename(file, "recording.wav");
    curl_mime_type(file, "audio/wav");
    curl_mime_data(file, reinterpret_cast<const char*>(wav->data()), wav->size());
    curl_mimepart* model = curl_mime_addpart(form.get());
    curl_mime_name(model, "model");
    curl_mime_data(model, model_.c_str(), CURL_ZERO_TERMINATED);
    curl_mimepart* format = curl_mime_addpart(form.get());
    curl_mime_name(format, "response_format");
    curl_mime_data(format, "json", CURL_ZERO_TERMINATED);

    std::string body;
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl.get(), CURLOPT_URL, endpoint_.c_str());
    curl_easy_setopt(curl.get(), CURLOPT_MIMEPOST, form.get());
    curl_easy_setopt(curl.get(), CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl.get(), CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl.get(), CURLOPT_TIMEOUT, kTimeoutSeconds);
    curl_easy_setopt(curl.get(), CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl.get(), CURLOPT_ERRORBUFFER, errorText);
    const CURLcode result = curl_easy_perform(curl.get());
    if (result != CURLE_OK) {
        log_.write("Speech service at " + publicEndpoint_ +
                   " did not answer: " + (errorText[0] ? errorText : curl_easy_strerror(result)));
        throw ServiceError(502, kNoAnswer);
    }
    long status = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_RESPONSE_CODE, &status);
    const auto answer = nlohmann::json::parse(body, nullptr, false);
    if (status != 200 || !answer.is_object() || !answer.contains("text") ||
        !answer["text"].is_string()) {
        log_.write("Speech service at " + publicEndpoint_ + " failed with HTTP " +
                   std::to_string(status) + ": " + body.substr(0, kLoggedAnswerBytes));
        throw ServiceError(502, kFailed);
    }
    return answer["text"].get<std::string>();
}

std::string RemoteRecognizer::description() const {
    return "remote service at " + publicEndpoint_;
}

} // namespace orvendi::server
