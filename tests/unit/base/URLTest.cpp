#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "base/URL.h"

namespace orvendi::test {
namespace {

struct ParseCase {
    const char* text;
    std::string scheme;
    std::optional<std::string> host;
    std::optional<int> port;
    std::string path;
};

class URLParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(URLParse, SplitsTheParts) {
    auto url = URL::parse(GetParam().text);
    ASSERT_TRUE(url) << GetParam().text;
    EXPECT_EQ(url->scheme, GetParam().scheme);
    EXPECT_EQ(url->host, GetParam().host);
    EXPECT_EQ(url->port, GetParam().port);
    EXPECT_EQ(url->path, GetParam().path);
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, URLParse,
    ::testing::Values(
        ParseCase{"http://localhost:3000", "http", "localhost", 3000, ""},
        ParseCase{"HTTPS://App.Example.COM/app?x=1#top", "https", "app.example.com", std::nullopt,
                  "/app"},
        ParseCase{"http://user:pw@127.0.0.1:8080/a/b", "http", "127.0.0.1", 8080, "/a/b"},
        ParseCase{"http://[::1]:3000/settings", "http", "::1", 3000, "/settings"},
        ParseCase{"https://example.com:/x", "https", "example.com", std::nullopt, "/x"},
        ParseCase{"about:blank", "about", std::nullopt, std::nullopt, "blank"},
        ParseCase{"mailto:help@example.com", "mailto", std::nullopt, std::nullopt,
                  "help@example.com"},
        ParseCase{"javascript:void(0)", "javascript", std::nullopt, std::nullopt, "void(0)"},
        ParseCase{"file:///tmp/x", "file", std::nullopt, std::nullopt, "/tmp/x"},
        ParseCase{"orvendi://permissions/microphone", "orvendi", "permissions", std::nullopt,
                  "/microphone"},
        ParseCase{"/settings", "", std::nullopt, std::nullopt, "/settings"}));

TEST(URL, RefusesWhatDoesNotFormAnAddress) {
    for (const char* text : {"http://exa mple.com/", "/a b", "http://host:99999/", "http://host:x/",
                             "http://[::1/", "http://[1::2::3]/", "http://[::1]x/", "http://a'b/",
                             "http://host/<script>", "/tab\there"}) {
        EXPECT_FALSE(URL::parse(text)) << text;
    }
}

TEST(URL, ResolvesReferencesAgainstABaseAndWritesIPv6HostsInBrackets) {
    const auto base = URL::parse("https://app.example.com:8443/workspace/home?q=1");
    ASSERT_TRUE(base);
    auto resolved = [&](const char* reference) {
        auto url = base->resolve(reference);
        return url ? url->toString() : std::string("(none)");
    };
    EXPECT_EQ(resolved("/settings"), "https://app.example.com:8443/settings");
    EXPECT_EQ(resolved("/app?tab=history#top"), "https://app.example.com:8443/app?tab=history#top");
    EXPECT_EQ(resolved("notes"), "https://app.example.com:8443/workspace/notes");
    EXPECT_EQ(resolved("//other.example.org/x"), "https://other.example.org/x");
    EXPECT_EQ(resolved("http://elsewhere/"), "http://elsewhere/");
    EXPECT_EQ(resolved("/bad path"), "(none)");
    EXPECT_EQ(URL::parse("http://[::1]:3000/app")->toString(), "http://[::1]:3000/app");
}

} // namespace
} // namespace orvendi::test
