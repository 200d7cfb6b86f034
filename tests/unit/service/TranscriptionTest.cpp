#include <array>
#include <regex>

#include "ClientFixture.h"
#include "capture/WAV.h"
#include "support/harness/Multipart.h"

namespace orvendi::test {
namespace {

using nlohmann::json;

constexpr const char* kUpload = "/api/transcribe";
constexpr const char* kFinalize = "/api/transcribe/finalize";
constexpr size_t kBytesPerSecond = 32000;

// `count` bytes of a pattern that differs between neighbouring chunks.
Bytes rampPCM(size_t count) {
    Bytes pcm(count);
    for (size_t i = 0; i < count; ++i) {
        pcm[i] = static_cast<uint8_t>(i * 31 + i / 65536);
    }
    return pcm;
}

// The canonical header is checked byte for byte where it is written.
Bytes wavOf(const Bytes& pcm) {
    return *WAV::wrap(pcm);
}

Bytes wavWithPCM(size_t pcmBytes) {
    return wavOf(rampPCM(pcmBytes));
}

Bytes slice(const Bytes& bytes, size_t offset, size_t count) {
    return Bytes(bytes.begin() + offset, bytes.begin() + offset + count);
}

ScriptedResponse nestedAnswer(const std::string& raw, const std::string& cleaned,
                              const std::string& id) {
    return ScriptedResponse::json(
        200, {{"raw", {{"text", raw}, {"cleaned_text", cleaned}, {"id", id}}}});
}

// The boundary announced in the request's Content-Type.
std::string boundaryOf(const RecordedRequest& request) {
    static const std::regex pattern(
        "multipart/form-data; boundary=(orvendi-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-"
        "[0-9A-F]{12})");
    std::smatch match;
    const std::string contentType = request.header("Content-Type").value_or("");
    if (!std::regex_match(contentType, match, pattern)) {
        ADD_FAILURE() << "Content-Type: " << contentType;
        return "";
    }
    return match[1];
}

class Transcription : public ClientFixture {};

TEST_F(Transcription, ReadsTheNestedFormFirstThenTheFlatFormWhateverTheStatus) {
    struct Case {
        const char* name;
        ScriptedResponse answer;
        TranscriptionReceipt receipt;
    };
    // clang-format off
    const Case cases[] = {
        {"nested with all", ScriptedResponse::json(200, {{"raw", {{"text", "um hi"}, {"cleaned_text", "Hi."}, {"id", "d1"}}}, {"text", "flat"}}), {"Hi.", "d1", "um hi"}},
        {"nested without cleaned text", ScriptedResponse::json(200, {{"raw", {{"text", "raw"}}}}), {"raw", std::nullopt, "raw"}},
        {"nested id not text", ScriptedResponse::json(200, {{"raw", {{"text", "r"}, {"id", 5}}}}), {"r", std::nullopt, "r"}},
        {"raw without text falls back to flat", ScriptedResponse::json(200, {{"raw", {{"cleaned_text", "x"}}}, {"text", "flat"}, {"id", "f"}}), {"flat", "f", "flat"}},
        {"flat on status 500", ScriptedResponse::json(500, {{"text", "still"}}), {"still", std::nullopt, "still"}},
    };
    // clang-format on
    APIClient& api = signedInClient();
    for (const auto& row : cases) {
        server.respond("POST", kUpload, row.answer);
        EXPECT_EQ(api.transcribeWithReceipt(wavWithPCM(64), 1, false), row.receipt) << row.name;
    }
}

TEST_F(Transcription, UploadWithoutTranscriptFailsAndOnly401DropsTheToken) {
    struct Case {
        ScriptedResponse answer;
        std::string failure;
        bool refreshesNext;
    };
    const Case cases[] = {
        {ScriptedResponse::json(500, {{"error", "Model busy"}}), "Model busy", false},
        {ScriptedResponse::text(502, "<html>"), "HTTP 502", false},
        {ScriptedResponse::json(200, {{"text", 5}}), "HTTP 200", false},
        {ScriptedResponse::json(401, {{"error", "Token expired"}}), "Token expired", true},
        {ScriptedResponse::text(401, ""), "HTTP 401", true},
    };
    server.respond("POST", "/api/native-auth/refresh",
                   sessionAnswer("access-1", "refresh-1", now() + 3600));
    APIClient& api = signedInClient();
    for (const auto& row : cases) {
        server.respond("POST", kUpload, row.answer);
        const size_t refreshes = server.requestCount("/api/native-auth/refresh");
        EXPECT_EQ(errorMessage([&] { api.transcribeWithReceipt(wavWithPCM(64), 1, false); }),
                  row.failure);
        api.ensureToken();
        EXPECT_EQ(server.requestCount("/api/native-auth/refresh") - refreshes,
                  row.refreshesNext ? 1u : 0u)
            << row.failure;
    }
}

TEST_F(Transcription, LongRecordingGoesUpInChunksThenFinalizesWithTheCallersDuration) {
    server.respondInSequence("POST", kUpload,
                             {nestedAnswer("one", "One.", "c1"), nestedAnswer("two", "Two.", "c2"),
                              ScriptedResponse::json(200, {{"text", "three"}})});
    server.respond("POST", kFinalize, nestedAnswer("all raw", "All.", "dictation-9"));
    const Bytes pcm = rampPCM(200 * kBytesPerSecond);
    // Each progress report with the number of uploads the server had seen by then.
    std::vector<std::array<size_t, 3>> reports;
    const TranscriptionReceipt receipt = signedInClient().transcribeWithReceipt(
        wavOf(pcm), 201, false, [&](size_t chunk, size_t chunks) {
            reports.push_back({chunk, chunks, server.requestCount(kUpload)});
        });
    EXPECT_EQ(receipt, (TranscriptionReceipt{"All.", "dictation-9", "all raw"}));
    EXPECT_EQ(reports, (std::vector<std::array<size_t, 3>>{{1, 3, 0}, {2, 3, 1}, {3, 3, 2}}));

    const size_t limit = 3'145'728;
    const auto uploads = server.requests(kUpload);
    ASSERT_EQ(uploads.size(), 3u);
    EXPECT_EQ(uploads[0].body, agentMultipart(boundaryOf(uploads[0]), wavOf(slice(pcm, 0, limit)),
                                              98, "linux", true));
    EXPECT_EQ(uploads[1].body, agentMultipart(boundaryOf(uploads[1]),
                                              wavOf(slice(pcm, limit, limit)), 98, "linux", true));
    EXPECT_EQ(uploads[2].body, agentMultipart(boundaryOf(uploads[2]),
                                              wavOf(slice(pcm, 2 * limit, pcm.size() - 2 * limit)),
                                              3, "linux", true));

    const auto finalize = server.requests(kFinalize);
    ASSERT_EQ(finalize.size(), 1u);
    EXPECT_EQ(finalize[0].header("Content-Type"), "application/json");
    EXPECT_EQ(finalize[0].header("Authorization"), "Bearer access-1");
    EXPECT_EQ(finalize[0].json(), json({{"rawText", "one\n\ntwo\n\nthree"},
                                        {"cleanedText", "One.\n\nTwo.\n\nthree"},
                                        {"durationSecs", 201},
                                        {"source", "linux"}}));
    EXPECT_TRUE(finalize[0].json()["durationSecs"].is_number_integer());
}

TEST_F(Transcription, WhatFitsOneChunkOrIsEphemeralGoesUpWholeByteForByte) {
    struct Case {
        size_t pcmBytes;
        bool ephemeral;
        int64_t seconds;
    };
    server.respond("POST", kUpload, ScriptedResponse::json(200, {{"text", "t"}}));
    APIClient& api = signedInClient();
    for (const Case& row : {Case{3'145'728, false, 98}, Case{7'000'000, true, -2}}) {
        const Bytes wav = wavWithPCM(row.pcmBytes);
        api.transcribeWithReceipt(wav, row.seconds, row.ephemeral, [](size_t, size_t) {
            ADD_FAILURE() << "progress of one upload";
        });
        const auto sent = server.requests(kUpload).back();
        EXPECT_EQ(sent.header("Authorization"), "Bearer access-1");
        EXPECT_FALSE(sent.header("Expect"));
        EXPECT_EQ(sent.body,
                  agentMultipart(boundaryOf(sent), wav, row.seconds, "linux", row.ephemeral));
    }
    const auto sent = server.requests(kUpload);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_NE(boundaryOf(sent[0]), boundaryOf(sent[1]));
    EXPECT_EQ(server.requestCount(kFinalize), 0u);
}

TEST_F(Transcription, ShortLastChunkCountsAsOneSecond) {
    server.respond("POST", kUpload, ScriptedResponse::json(200, {{"text", "t"}}));
    server.respond("POST", kFinalize, nestedAnswer("t", "t", "d"));
    signedInClient().transcribeWithReceipt(wavWithPCM(3'145'728 + 100), 98, false);
    const auto uploads = server.requests(kUpload);
    ASSERT_EQ(uploads.size(), 2u);
    EXPECT_NE(uploads[1].body.find("name=\"duration_secs\"\r\n\r\n1\r\n"), std::string::npos);
}

TEST_F(Transcription, AnyFailingChunkStopsTheWholeOperation) {
    for (size_t failing = 0; failing < 3; ++failing) {
        SCOPED_TRACE(failing);
        TestHTTPServer backend;
        config.api_url = backend.url();
        std::vector<ScriptedResponse> answers(3, ScriptedResponse::json(200, {{"text", "ok"}}));
        answers[failing] = ScriptedResponse::json(500, {{"error", "chunk failed"}});
        backend.respondInSequence("POST", kUpload, answers);
        backend.respond("POST", kFinalize, nestedAnswer("r", "c", "d"));
        APIClient& api = signedInClient();
        EXPECT_EQ(
            errorMessage([&] { api.transcribeWithReceipt(wavWithPCM(6'400'000), 200, false); }),
            "chunk failed");
        EXPECT_EQ(backend.requestCount(kUpload), failing + 1);
        EXPECT_EQ(backend.requestCount(kFinalize), 0u);
        client.reset(); // before its server goes
    }
}

TEST_F(Transcription, FinalizeNeedsStatus200AndTheNestedForm) {
    const AnswerCase cases[] = {
        {"flat", ScriptedResponse::json(200, {{"text", "flat only"}}),
         "Couldn\u2019t save the completed recording"},
        {"500", ScriptedResponse::json(500, {{"raw", {{"text", "r"}}}}),
         "Couldn\u2019t save the completed recording"},
        {"409", ScriptedResponse::json(409, {{"error", "Already saved"}}), "Already saved"},
        {"401", ScriptedResponse::json(401, {{"error", "expired"}}), "expired"},
    };
    server.respond("POST", kUpload, ScriptedResponse::json(200, {{"text", "t"}}));
    APIClient& api = signedInClient();
    expectOutcomes("POST", kFinalize, cases,
                   [&] { api.transcribeWithReceipt(wavWithPCM(6'400'000), 200, false); });
    // A refused finalize keeps the cached token.
    api.ensureToken();
    EXPECT_EQ(server.requestCount("/api/native-auth/refresh"), 0u);
}

} // namespace
} // namespace orvendi::test
