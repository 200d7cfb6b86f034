#include "support/harness/RawClient.h"
#include "support/harness/ServerFixture.h"

namespace orvendi::test {
namespace {

using RobustnessTest = ServerFixture;

TEST_F(RobustnessTest, BadJsonIsAnsweredWith400AndTheServerKeepsServing) {
    const std::string token = tokenFor("tester@example.com");
    const char* paths[] = {"/api/native-auth/request", "/api/native-auth/verify",
                           "/api/native-auth/refresh", "/api/transcribe/finalize",
                           "/api/activation",          "/api/native-status"};
    const char* bodies[] = {"{", "not json", "[1,2]", "\"text\"", "{\"email\":\"\xff\xfe\"}", ""};
    for (const char* path : paths) {
        for (const char* body : bodies) {
            const auto result = client().Post(path, bearer(token), body, "application/json");
            ASSERT_TRUE(result) << path;
            EXPECT_EQ(result->status, 400) << path << " with " << body;
            EXPECT_FALSE(errorOf(result).empty()) << path << " with " << body;
        }
    }
    EXPECT_EQ(get("/api/notes", token)->status, 200);
}

TEST_F(RobustnessTest, UnknownRoutesAnswerWithJsonErrors) {
    const auto missing = client().Get("/no/such/page");
    EXPECT_EQ(missing->status, 404);
    EXPECT_EQ(errorOf(missing), "Not found");
    EXPECT_NE(missing->get_header_value("Content-Type").find("application/json"),
              std::string::npos);
    const auto wrongMethod = client().Put("/api/notes", "{}", "application/json");
    EXPECT_GE(wrongMethod->status, 400);
    EXPECT_FALSE(errorOf(wrongMethod).empty());
}

TEST_F(RobustnessTest, GarbageOnTheSocketDoesNotStopTheServerAndSigtermDoesCleanly) {
    for (const std::string& garbage :
         {std::string("\x16\x03\x01\x02\x00", 5), std::string(10000, 'A'),
          std::string("GET / HTTP/9.9\r\n\r\n")}) {
        // A client that writes junk and hangs up.
        RawClient client(server().port());
        ASSERT_TRUE(client.connected());
        client.send(garbage);
    }
    const std::string token = tokenFor("survivor@example.com");
    EXPECT_EQ(get("/api/notes", token)->status, 200);

    EXPECT_EQ(server().stop(), 0);
    EXPECT_NE(server().log().find("Stopping"), std::string::npos);
}

} // namespace
} // namespace orvendi::test
