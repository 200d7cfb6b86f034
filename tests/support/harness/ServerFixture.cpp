#include "support/harness/ServerFixture.h"

#include <algorithm>

namespace orvendi::test {
void ServerFixture::SetUp() {
    auto arguments = serverArguments();
    if (!recognisesSpeech() && std::ranges::find(arguments, "--asr") == arguments.end()) {
        arguments.insert(arguments.end(), {"--asr", ServerProcess::kNoSpeechService});
    }
    server_ = std::make_unique<ServerProcess>(ServerProcess::Options{
        ORVENDI_BIN_DIR "/orvendi-server", dataDir(), temp_.path() / "server.log", arguments});
}

void ServerFixture::restartServer() {
    server_.reset();
    SetUp();
}

httplib::Client ServerFixture::client() const {
    httplib::Client client("127.0.0.1", server_->port());
    client.set_read_timeout(120, 0);
    client.set_write_timeout(120, 0);
    return client;
}

httplib::Headers bearer(const std::string& token) {
    return {{"Authorization", "Bearer " + token}};
}

httplib::Result ServerFixture::postJson(const std::string& path, const nlohmann::json& body,
                                        const std::string& token) const {
    return client().Post(path.c_str(), token.empty() ? httplib::Headers{} : bearer(token),
                         body.dump(), "application/json");
}

httplib::Result ServerFixture::get(const std::string& path, const std::string& token) const {
    return client().Get(path.c_str(), bearer(token));
}

std::string ServerFixture::outboxCode(const std::string& email) const {
    const auto code = server_->signInCode(email);
    if (!code) {
        ADD_FAILURE() << "no sign-in code was mailed to " << email;
    }
    return code.value_or("");
}

nlohmann::json ServerFixture::signIn(const std::string& email) {
    const auto requested = postJson("/api/native-auth/request", {{"email", email}});
    EXPECT_EQ(requested->status, 200) << requested->body;
    const auto verified =
        postJson("/api/native-auth/verify", {{"email", email}, {"code", outboxCode(email)}});
    EXPECT_EQ(verified->status, 200) << verified->body;
    return bodyOf(verified);
}

std::string ServerFixture::addNote(const std::string& token, const std::string& cleanedText) {
    const auto result = postJson("/api/transcribe/finalize",
                                 {{"rawText", cleanedText},
                                  {"cleanedText", cleanedText},
                                  {"durationSecs", 3},
                                  {"source", "linux"}},
                                 token);
    EXPECT_EQ(result->status, 200) << result->body;
    return bodyOf(result)["raw"].value("id", "");
}

nlohmann::json ServerFixture::notes(const std::string& token, const std::string& query) const {
    const auto result = get("/api/notes" + query, token);
    EXPECT_EQ(result->status, 200) << result->body;
    return bodyOf(result)["notes"];
}

nlohmann::json bodyOf(const httplib::Result& result) {
    if (!result) {
        return nullptr;
    }
    auto parsed = nlohmann::json::parse(result->body, nullptr, false);
    return parsed.is_discarded() ? nlohmann::json() : parsed;
}

std::string errorOf(const httplib::Result& result) {
    const auto body = bodyOf(result);
    return body.is_object() && body.contains("error") && body["error"].is_string()
               ? body["error"].get<std::string>()
               : std::string();
}

} // namespace orvendi::test
