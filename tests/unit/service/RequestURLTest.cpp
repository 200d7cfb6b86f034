#include <gtest/gtest.h>

#include "service/APIClient.h"
#include "service/RequestURL.h"

namespace orvendi::test {
namespace {

TEST(RequestURL, JoinsByPlainConcatenationAndRejectsWhatIsNotAnHTTPAddress) {
    struct Case {
        const char* base;
        bool valid;
    };
    const Case cases[] = {
        {"http://127.0.0.1:3000", true},
        {"https://api.example.test", true},
        {"http://[::1]:3000", true},
        {"http://h:1/", true}, // "//api" stays as written
        {"", false},
        {"localhost:3000", false},
        {"http//x", false},
        {" http://h", false},
        {"ftp://h", false},
        {"file:///tmp", false},
        {"http://h name", false},
    };
    for (const auto& row : cases) {
        if (row.valid) {
            EXPECT_EQ(RequestURL::join(row.base, "/api/notes"),
                      std::string(row.base) + "/api/notes");
        } else {
            EXPECT_THROW(RequestURL::join(row.base, "/api/notes"), TransportError) << row.base;
        }
    }
}

TEST(RequestURL, QueryValuesArriveUnchanged) {
    EXPECT_EQ(RequestURL::withQuery("http://h/api/notes", {}), "http://h/api/notes");
    EXPECT_EQ(RequestURL::withQuery("http://h/x", {{"since", "a+b c"}, {"full", "1"}}),
              "http://h/x?since=a%2Bb%20c&full=1");
    EXPECT_EQ(RequestURL::percentEncode("Az09-._~:/?@"), "Az09-._~:/?@");
    EXPECT_EQ(RequestURL::percentEncode("&=#%+ \n\x80"), "%26%3D%23%25%2B%20%0A%80");
}

} // namespace
} // namespace orvendi::test
