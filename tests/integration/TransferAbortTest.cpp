// Quitting aborts what the backend client is waiting for instead of waiting
// for it: a real server that takes a minute to answer an upload.
#include <chrono>
#include <future>
#include <gtest/gtest.h>

#include "capture/WAV.h"
#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {
namespace {

TEST(TransferAbortTest, AnUploadAwaitingItsAnswerEndsSoonAfterTheAbortAndNothingIsSentLater) {
    TestHTTPServer server;
    auto slow = ScriptedResponse::json(200, {{"raw", {{"text", "Late."}}}});
    slow.delaySeconds = 60;
    server.respond("POST", "/api/transcribe", slow);
    VirtualScheduler clock;
    FakeKeychain keychain;
    SessionStore::save(keychain, {"access", "refresh", clock.now() + 3600});
    Config config;
    config.api_url = server.url();
    APIClient client(config, keychain, clock);

    const auto wav = WAV::wrap(Bytes(32000, 0x10));
    ASSERT_TRUE(wav);
    auto upload = std::async(std::launch::async,
                             [&] { return client.transcribeWithReceipt(*wav, 1, false); });
    ASSERT_TRUE(server.waitForRequests(1));
    const auto abortedAt = std::chrono::steady_clock::now();
    client.abortTransfers();
    EXPECT_THROW(upload.get(), TransportError);
    EXPECT_LT(std::chrono::steady_clock::now() - abortedAt, std::chrono::seconds(2));

    EXPECT_THROW(client.fetchNotes("", true), TransportError);
    EXPECT_EQ(server.requests().size(), 1u) << "a request after the abort is not sent";
}

} // namespace
} // namespace orvendi::test
