#include <atomic>
#include <chrono>
#include <latch>
#include <thread>

#include <gtest/gtest.h>

#include "service/APIClient.h"
#include "service/SessionStore.h"
#include "support/fakes/FakeKeychain.h"
#include "support/fakes/VirtualScheduler.h"
#include "support/harness/TestHTTPServer.h"

namespace orvendi::test {
namespace {

using nlohmann::json;

constexpr int kThreads = 8;
constexpr int kCallsPerThread = 12;
constexpr const char* kRefresh = "/api/native-auth/refresh";

// Several queues share one client. When its token runs out under them, the
// refresh token must be spent once: a backend that rotates refresh tokens
// refuses every later use of the old one, which would sign the user out.
class SingleFlightRefresh : public ::testing::Test {
protected:
    SingleFlightRefresh() {
        config.api_url = server.url();
        SessionStore::save(keychain, {"access-1", "refresh-1", clock.now() + 600});
        server.respond("GET", "/api/notes",
                       ScriptedResponse::json(200, {{"notes", json::array()}}));
        server.respond("POST", "/api/activation", ScriptedResponse::text(200, ""));
        server.respond("POST", "/api/native-status", ScriptedResponse::text(200, ""));
    }

    // Answers the refresh after `seconds`, noting how many refreshes were in
    // flight at once.
    void answerRefreshesAfter(double seconds, ScriptedResponse answer) {
        server.handle("POST", kRefresh, [this, seconds, answer](const RecordedRequest&) {
            const int inFlight = ++refreshesInFlight;
            int seen = mostRefreshesAtOnce;
            while (inFlight > seen && !mostRefreshesAtOnce.compare_exchange_weak(seen, inFlight)) {
            }
            std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
            --refreshesInFlight;
            return answer;
        });
    }

    // Every thread calls a mix of authorised endpoints; the token expires once
    // the first calls have gone through. Returns the number of failed calls.
    int callFromEightThreadsWhileTheTokenExpires(APIClient& client) {
        std::atomic<int> failures = 0;
        std::latch start(kThreads + 1);
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                for (int i = 0; i < kCallsPerThread; ++i) {
                    try {
                        switch ((t + i) % 3) {
                        case 0:
                            client.fetchNotes("", false);
                            break;
                        case 1:
                            client.recordActivationEvent("e", "install");
                            break;
                        default:
                            client.updateNativeStatus("install", true, false, true, false);
                        }
                    } catch (const Error&) {
                        ++failures;
                    }
                }
            });
        }
        start.arrive_and_wait();
        server.waitForRequests(kThreads);
        clock.advance(600);
        for (auto& thread : threads) {
            thread.join();
        }
        return failures;
    }

    TestHTTPServer server;
    VirtualScheduler clock;
    FakeKeychain keychain;
    Config config;
    std::atomic<int> refreshesInFlight = 0;
    std::atomic<int> mostRefreshesAtOnce = 0;
};

TEST_F(SingleFlightRefresh, OneRefreshServesEveryWaitingThread) {
    // Slow enough for the other threads to pile up behind it.
    answerRefreshesAfter(0.3, ScriptedResponse::json(200, {{"accessToken", "access-2"},
                                                           {"refreshToken", "refresh-2"},
                                                           {"expiresAt", 2e9}}));
    APIClient client(config, keychain, clock);

    EXPECT_EQ(callFromEightThreadsWhileTheTokenExpires(client), 0);
    const auto refreshes = server.requests(kRefresh);
    ASSERT_EQ(refreshes.size(), 1u);
    EXPECT_EQ(refreshes[0].json(), json({{"refreshToken", "refresh-1"}}));
    EXPECT_EQ(SessionStore::load(keychain), (NativeSession{"access-2", "refresh-2", 2e9}));
    size_t renewedCalls = 0;
    for (const auto& request : server.requests()) {
        renewedCalls += request.header("Authorization") == "Bearer access-2";
    }
    EXPECT_GT(renewedCalls, 0u);
    EXPECT_EQ(server.requests().size(), 1u + kThreads * kCallsPerThread);
    EXPECT_EQ(mostRefreshesAtOnce, 1);
}

TEST_F(SingleFlightRefresh, ARefusedRefreshIsSharedNotRetriedByEveryThread) {
    answerRefreshesAfter(0.1, ScriptedResponse::json(401, {{"error", "revoked"}}));
    APIClient client(config, keychain, clock);

    const int failures = callFromEightThreadsWhileTheTokenExpires(client);
    EXPECT_GT(failures, 0);
    // Calls that come after a refusal try the kept refresh token again, but
    // the threads waiting on one attempt share its refusal: fewer refreshes
    // than failed calls, and never two at once.
    EXPECT_LT(server.requestCount(kRefresh), static_cast<size_t>(failures));
    EXPECT_EQ(mostRefreshesAtOnce, 1);
    EXPECT_FALSE(keychain.contains("com.orvendi.mac.session", "supabase"));
}

} // namespace
} // namespace orvendi::test
