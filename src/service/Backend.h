#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Bytes.h"
#include "base/Error.h"
#include "service/TranscriptionReceipt.h"

namespace orvendi {

// The backend refused or could not do what was asked.
class APIError : public Error {
public:
    enum class Kind { RequestFailed, AuthFailed };
    static APIError requestFailed(const std::string& message) {
        return {Kind::RequestFailed, message};
    }
    static APIError authFailed() { return {Kind::AuthFailed, "Sign-in failed"}; }
    Kind kind() const { return kind_; }

private:
    APIError(Kind kind, const std::string& description) : Error(description), kind_(kind) {}
    Kind kind_;
};

// No HTTP response: the transport's own readable description (libcurl's), or a
// base address that does not form a requestable URL with the path.
class TransportError : public Error {
public:
    using Error::Error;
};

// What the agent asks of the backend web service: the delegate, the two
// window controllers and the vault synchroniser depend on this, not on the
// HTTP client. Every operation blocks until the backend has answered and
// throws APIError, TransportError or another Error whose what() the user
// reads. Implementations must be safe to call from several threads at once.
class Backend {
public:
    virtual ~Backend() = default;

    // A usable access token: cached, refreshed, or from the password grant.
    virtual std::string ensureToken() = 0;
    virtual void requestSignInCode(const std::string& email) = 0;
    virtual void verifySignInCode(const std::string& email, const std::string& code) = 0;
    virtual TranscriptionReceipt transcribeWithReceipt(const Bytes& wav, int64_t durationSecs,
                                                       bool ephemeral) = 0;
    // Saves the joined texts of a recording transcribed in ephemeral parts as
    // one dictation.
    virtual TranscriptionReceipt finalizeLongRecording(const std::string& rawText,
                                                       const std::string& cleaned,
                                                       int64_t durationSecs) = 0;
    virtual std::vector<nlohmann::json> fetchNotes(const std::string& since, bool full) = 0;
    virtual void recordActivationEvent(const std::string& event,
                                       const std::string& installationId) = 0;
    virtual void updateNativeStatus(const std::string& installationId, bool microphone,
                                    bool accessibility, bool inputMonitoring,
                                    bool screenRecording) = 0;
    // Ends every request in progress at once, and fails every later one without
    // sending it: the program is quitting. Their callers see an error.
    virtual void abortTransfers() = 0;
};

} // namespace orvendi
