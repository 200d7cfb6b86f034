#include <chrono>

#include "ClientFixture.h"
#include "service/HTTPTransport.h"

namespace orvendi::test {
namespace {

using Clock = std::chrono::steady_clock;
using testing::HasSubstr;

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class Transport : public ::testing::Test {
protected:
    HTTPRequest post(const std::string& path, std::string body) {
        HTTPRequest request;
        request.method = "POST";
        request.url = server.url() + path;
        request.headers = {{"Content-Type", "application/octet-stream"}, {"X-Probe", "1"}};
        request.body = std::move(body);
        return request;
    }

    TestHTTPServer server;
    HTTPTransport transport;
};

TEST_F(Transport, ReturnsAnyStatusWithItsBodyAndSendsTheBodyUnchanged) {
    server.respond("POST", "/x", ScriptedResponse::text(418, "teapot"));
    std::string body(100000, '\0');
    for (size_t i = 0; i < body.size(); ++i) {
        body[i] = static_cast<char>(i * 7);
    }
    const HTTPResponse response = transport.perform(post("/x", body));
    EXPECT_EQ(response.status, 418);
    EXPECT_EQ(response.body, "teapot");
    const auto sent = server.requests("/x").at(0);
    EXPECT_EQ(sent.body, body);
    EXPECT_EQ(sent.header("X-Probe"), "1");
    EXPECT_FALSE(sent.header("Expect")) << "large bodies go without 100-continue";
}

TEST_F(Transport, RefusedConnectionThrowsLibcurlsDescription) {
    HTTPRequest request;
    request.url = "http://127.0.0.1:1/x";
    EXPECT_THAT(errorMessage<TransportError>([&] { transport.perform(request); }),
                HasSubstr("Failed to connect"));
}

TEST_F(Transport, SlowAnswerThatKeepsMovingIsNotCutOff) {
    ScriptedResponse slow;
    slow.chunks = {"a", "b", "c", "d", "e", "f"};
    slow.chunkIntervalSeconds = 0.4; // 2 s in all, never 1 s without data
    server.respond("GET", "/slow", slow);
    HTTPRequest request;
    request.url = server.url() + "/slow";
    request.timeoutSeconds = 1;
    EXPECT_EQ(transport.perform(request).body, "abcdef");
}

TEST_F(Transport, AnswerThatStallsFailsAfterTheTimeout) {
    ScriptedResponse stalled = ScriptedResponse::text(200, "late");
    stalled.delaySeconds = 30;
    server.respond("GET", "/stall", stalled);
    HTTPRequest request;
    request.url = server.url() + "/stall";
    request.timeoutSeconds = 1;
    const auto start = Clock::now();
    EXPECT_THAT(errorMessage<TransportError>([&] { transport.perform(request); }),
                HasSubstr("Timeout was reached"));
    EXPECT_GE(secondsSince(start), 1.0);
    EXPECT_LT(secondsSince(start), 5.0);
}

TEST_F(Transport, BodiesAreReadUpTo32MegabytesAndNoFurther) {
    constexpr size_t kLimit = size_t(32) << 20;
    server.respond("GET", "/full", ScriptedResponse::text(200, std::string(kLimit, 'a')));
    server.respond("GET", "/over", ScriptedResponse::text(200, std::string(kLimit + 1, 'a')));
    HTTPRequest request;
    request.url = server.url() + "/full";
    EXPECT_EQ(transport.perform(request).body.size(), kLimit);

    request.url = server.url() + "/over";
    EXPECT_THAT(errorMessage<TransportError>([&] { transport.perform(request); }),
                HasSubstr("larger than 32 MB"));
}

TEST_F(Transport, NonHTTPPeersAreTransportErrors) {
    for (const char* url : {"file:///etc/passwd", "ftp://127.0.0.1/x"}) {
        HTTPRequest request;
        request.url = url;
        EXPECT_THROW(transport.perform(request), TransportError) << url;
    }
}

} // namespace
} // namespace orvendi::test
