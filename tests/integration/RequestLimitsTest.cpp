// The server against clients that do not play fair: bodies without honest
// framing, slow or idle connections by the hundred, smuggled requests, and
// bodies of the wrong type.
#include <chrono>

#include "support/harness/RawClient.h"
#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

size_t countOf(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++count;
    }
    return count;
}

// Without the offline recogniser, whose model would dwarf what is measured.
using RequestLimitsTest = ServerFixture;

TEST_F(RequestLimitsTest, BodiesAreRefusedAtTheRouteLimitWhateverTheirFraming) {
    const std::string token = tokenFor("mallory@example.com");
    const long before = server().peakMemoryKiB();
    struct Case {
        const char* name;
        std::string head;
        size_t sendUpTo;
        const char* status;
    };
    const std::string auth = "Authorization: Bearer " + token + "\r\n";
    const std::string upload = "POST /api/transcribe HTTP/1.1\r\nHost: x\r\n" + auth +
                               "Content-Type: multipart/form-data; boundary=b\r\n";
    const std::string signIn =
        "POST /api/native-auth/request HTTP/1.1\r\nHost: x\r\nContent-Type: application/json\r\n";
    const Case cases[] = {
        {"chunked upload past 64 MiB", upload + "Transfer-Encoding: chunked\r\n\r\n", 100 << 20,
         "413"},
        {"chunked sign-in past 1 MiB", signIn + "Transfer-Encoding: chunked\r\n\r\n", 200 << 20,
         "413"},
        {"no length", signIn + "\r\n", 8 << 20, "411"},
        {"gzip", signIn + "Content-Encoding: gzip\r\nContent-Length: 1000000\r\n\r\n", 1 << 20,
         "415"},
        {"unknown route", "POST /nowhere HTTP/1.1\r\nHost: x\r\nContent-Length: 999999\r\n\r\n",
         1 << 20, "404"},
    };
    const std::string chunk = "10000\r\n" + std::string(0x10000, 'a') + "\r\n";
    for (const auto& row : cases) {
        RawClient client(server().port());
        ASSERT_TRUE(client.send(row.head)) << row.name;
        client.sendUntilAnswered(chunk, row.sendUpTo);
        const std::string answer = client.readAll();
        EXPECT_EQ(answer.substr(0, 12), std::string("HTTP/1.1 ") + row.status) << row.name;
        EXPECT_NE(answer.find("Connection: close"), std::string::npos) << row.name;
    }
    // At most one upload's worth held at any time, however much was sent.
    EXPECT_LT(server().peakMemoryKiB() - before, 80 * 1024);
    EXPECT_EQ(get("/api/notes", token)->status, 200);
}

TEST_F(RequestLimitsTest, TheBodyOfARefusedRequestIsNeverReadAsARequest) {
    const std::string smuggled = "GET /api/notes HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string heads[] = {
        // Refused at the gate: no session for an upload.
        "POST /api/transcribe HTTP/1.1\r\nHost: x\r\nContent-Type: multipart/form-data; "
        "boundary=b\r\nContent-Length: " +
            std::to_string(smuggled.size()) + "\r\n\r\n",
        // Refused for its type.
        "POST /api/native-auth/verify HTTP/1.1\r\nHost: x\r\nContent-Type: text/plain\r\n"
        "Content-Length: " +
            std::to_string(smuggled.size()) + "\r\n\r\n",
    };
    for (const auto& head : heads) {
        RawClient client(server().port());
        ASSERT_TRUE(client.send(head + smuggled));
        const std::string answers = client.readAll();
        EXPECT_EQ(countOf(answers, "HTTP/1.1 "), 1u) << answers;
    }
}

TEST_F(RequestLimitsTest, JsonRoutesTakeOnlyJson) {
    const std::string token = tokenFor("typed@example.com");
    const std::pair<const char*, const char*> cases[] = {
        {"/api/native-auth/request", "text/plain"},
        {"/api/native-auth/request", "application/x-www-form-urlencoded"},
        {"/api/transcribe/finalize", "multipart/form-data; boundary=b"},
        {"/api/transcribe", "application/json"},
    };
    for (const auto& [path, type] : cases) {
        const auto result = client().Post(path, bearer(token), "{}", type);
        ASSERT_TRUE(result) << path;
        EXPECT_EQ(result->status, 415) << path << " as " << type;
    }
    const auto charset = client().Post("/api/native-auth/request", "{\"email\":\"a@example.com\"}",
                                       "Application/JSON; charset=utf-8");
    EXPECT_EQ(charset->status, 200);
}

TEST_F(RequestLimitsTest, SlowAndIdleClientsDoNotStarveOthers) {
    const std::string token = tokenFor("patient@example.com");
    constexpr int kAddresses = 20;
    constexpr int kPerAddress = 25;
    std::vector<std::unique_ptr<RawClient>> idle;
    for (int address = 0; address < kAddresses; ++address) {
        const std::string from = "127.0.1." + std::to_string(address + 1);
        for (int i = 0; i < kPerAddress; ++i) {
            auto client = std::make_unique<RawClient>(server().port(), from.c_str());
            ASSERT_TRUE(client->connected());
            // Half send a partial head, half nothing at all.
            if (i % 2 == 0) {
                client->send("POST /api/native-auth/request HTTP/1.1\r\nHost: x\r\n");
            }
            idle.push_back(std::move(client));
        }
    }
    const auto started = Clock::now();
    const auto answer = get("/api/notes", token);
    EXPECT_LT(Clock::now() - started, 1s);
    EXPECT_EQ(answer->status, 200);

    // One address may not hold more than its share.
    std::vector<std::unique_ptr<RawClient>> greedy;
    for (int i = 0; i < 32; ++i) {
        greedy.push_back(std::make_unique<RawClient>(server().port(), "127.0.2.1"));
    }
    RawClient oneTooMany(server().port(), "127.0.2.1");
    EXPECT_TRUE(oneTooMany.closedByServer(2s));
    EXPECT_FALSE(greedy.front()->closedByServer(0ms));

    // A head that never ends is cut off at its deadline.
    EXPECT_TRUE(idle.front()->closedByServer(12s));
}

} // namespace
} // namespace orvendi::test
