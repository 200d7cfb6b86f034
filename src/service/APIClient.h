#pragma once

#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Bytes.h"
#include "base/Error.h"
#include "service/Backend.h"
#include "service/Config.h"
#include "service/NativeSession.h"

namespace orvendi {

class Keychain;
class Scheduler;
class HTTPTransport;
struct HTTPRequest;
struct HTTPResponse;

// The HTTP client of the backend web service. Every operation blocks the calling
// thread until the server has answered; callers use background queues. Safe to
// use from several threads at once (the token state is guarded).
class APIClient final : public Backend {
public:
    // Keeps the configuration and loads any stored session; makes no request.
    // `clock` supplies the wall clock; `keychain` must outlive the client.
    APIClient(Config config, Keychain& keychain, const Scheduler& clock);
    ~APIClient() override;
    APIClient(const APIClient&) = delete;
    APIClient& operator=(const APIClient&) = delete;

    const Config& config() const { return config_; }

    std::string ensureToken() override;
    void requestSignInCode(const std::string& email) override;
    void verifySignInCode(const std::string& email, const std::string& code) override;
    TranscriptionReceipt transcribeWithReceipt(const Bytes& wav, int64_t durationSecs,
                                               bool ephemeral) override;
    // Ends the stored session on the server (with every session renewed from
    // the same sign-in) and forgets it here, in memory and in the keychain.
    // Forgets it even when the server cannot be told, then throws that error.
    void signOut();
    // Told before each chunk of a long recording goes up: chunk 1..chunks.
    using ChunkProgress = std::function<void(size_t chunk, size_t chunks)>;
    // The same, reporting chunked uploads as they go (the terminal tool's progress).
    TranscriptionReceipt transcribeWithReceipt(const Bytes& wav, int64_t durationSecs,
                                               bool ephemeral, const ChunkProgress& progress);
    std::vector<nlohmann::json> fetchNotes(const std::string& since, bool full) override;
    void recordActivationEvent(const std::string& event,
                               const std::string& installationId) override;
    void updateNativeStatus(const std::string& installationId, bool microphone, bool accessibility,
                            bool inputMonitoring, bool screenRecording) override;
    // Saves the joined texts of a recording transcribed in ephemeral parts as
    // one dictation.
    TranscriptionReceipt finalizeLongRecording(const std::string& rawText,
                                               const std::string& cleaned,
                                               int64_t durationSecs) override;
    void abortTransfers() override;

private:
    // Implementation details belong to the .cpp; fields are listed here so the
    // class stays one object with one lock around its token state.
    Config config_;
    Keychain& keychain_;
    const Scheduler& clock_;
    std::mutex tokenMutex_;
    std::optional<std::string> accessToken_;
    double tokenExpiry_;
    std::optional<std::string> refreshToken_;

    // Request core (APIClient.cpp).
    HTTPResponse syncRequest(const HTTPRequest& request);
    HTTPRequest jsonRequest(const std::string& path, const nlohmann::json& body,
                            double timeoutSeconds, const std::optional<std::string>& token) const;
    void dropAccessToken();

    // Session and token lifecycle (APIClientSession.cpp).
    std::optional<std::string> cachedToken() const; // tokenMutex_ held
    std::string renewToken(const std::optional<std::string>& refreshToken);
    NativeSession refreshSession(const std::string& refreshToken);
    std::string passwordGrant();
    void install(const NativeSession& session);
    std::optional<NativeSession> decodeSession(const std::string& body) const;

    // Transcription (APIClientTranscription.cpp).
    TranscriptionReceipt transcribeSingle(const Bytes& wav, int64_t durationSecs, bool ephemeral);

    std::unique_ptr<HTTPTransport> transport_;

    // Single-flight renewal: while one thread refreshes (or runs the password
    // grant), others wait for its outcome instead of spending the same refresh
    // token again. Guarded by tokenMutex_.
    std::condition_variable renewalFinished_;
    bool renewalInFlight_ = false;
    uint64_t renewalGeneration_ = 0;
    std::string renewedToken_;
    std::exception_ptr renewalError_;

    // Keeps keychain writes in the same order as the in-memory changes they follow.
    std::mutex sessionStoreMutex_;
};

} // namespace orvendi
