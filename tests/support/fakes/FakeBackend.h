#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "service/Backend.h"

namespace orvendi::test {

// A backend answered by the test. Sign-in calls are recorded; each operation
// fails with the message set for it. Background threads may call it while the
// test only reads the records after the scheduler has handed the results back.
class FakeBackend : public Backend {
public:
    // The token ensureToken() returns; none fails it as a signed-out client does.
    std::optional<std::string> token = "fake-token";
    std::optional<std::string> requestError;
    std::optional<std::string> verifyError;
    TranscriptionReceipt receipt;
    std::vector<nlohmann::json> notes;
    // Runs first in every operation, on the caller's thread, with its name.
    std::function<void(const std::string& operation)> onCall;

    std::vector<std::string> requested;
    std::vector<std::pair<std::string, std::string>> verified;

    std::string ensureToken() override {
        called("ensureToken");
        if (!token) {
            throw APIError::authFailed();
        }
        return *token;
    }
    void requestSignInCode(const std::string& email) override {
        called("requestSignInCode");
        requested.push_back(email);
        failWith(requestError);
    }
    void verifySignInCode(const std::string& email, const std::string& code) override {
        called("verifySignInCode");
        verified.emplace_back(email, code);
        failWith(verifyError);
    }
    TranscriptionReceipt transcribeWithReceipt(const Bytes&, int64_t, bool) override {
        called("transcribeWithReceipt");
        return receipt;
    }
    TranscriptionReceipt finalizeLongRecording(const std::string&, const std::string&,
                                               int64_t) override {
        called("finalizeLongRecording");
        return receipt;
    }
    std::vector<nlohmann::json> fetchNotes(const std::string&, bool) override {
        called("fetchNotes");
        return notes;
    }
    void recordActivationEvent(const std::string&, const std::string&) override {
        called("recordActivationEvent");
    }
    void updateNativeStatus(const std::string&, bool, bool, bool, bool) override {
        called("updateNativeStatus");
    }
    void abortTransfers() override { called("abortTransfers"); }

private:
    void called(const std::string& operation) {
        if (onCall) {
            onCall(operation);
        }
    }
    static void failWith(const std::optional<std::string>& message) {
        if (message) {
            throw APIError::requestFailed(*message);
        }
    }
};

} // namespace orvendi::test
