// Kept note listings: reused only at the version they were made from, the
// least recently used dropped when the bytes run out; the conditional and
// compressed answers made from them.
#include <gtest/gtest.h>

#include <stdexcept>

#include "http/CachedReply.h"
#include "http/ListingCache.h"

namespace orvendi::server {
namespace {

ListingCache::Key userKey(int64_t userId) {
    return {userId, std::nullopt, false, false};
}

class ListingCacheTest : public ::testing::Test {
protected:
    ListingCache::Make make(int64_t version) {
        return [this, version] {
            ++made_;
            return CachedAnswer::plain(version, std::string(1000, 'x'));
        };
    }
    const size_t one_ = CachedAnswer::plain(0, std::string(1000, 'x'))->bytes();
    int made_ = 0;
};

TEST_F(ListingCacheTest, ReusesAnAnswerAtItsVersionAndDropsTheLeastRecentlyUsed) {
    ListingCache cache(one_ * 5 / 2); // room for two
    cache.get(userKey(1), 7, make(7));
    cache.get(userKey(1), 7, make(7));
    EXPECT_EQ(made_, 1);
    cache.get(userKey(1), 8, make(8)); // the notes changed
    cache.get(userKey(2), 1, make(1));
    cache.get(userKey(1), 8, make(8)); // user 1 used last: user 2 goes first
    cache.get(userKey(3), 1, make(1));
    EXPECT_EQ(made_, 4);
    cache.get(userKey(1), 8, make(8));
    EXPECT_EQ(made_, 4);
    cache.get(userKey(2), 1, make(1));
    EXPECT_EQ(made_, 5);
    EXPECT_EQ(cache.bytes(), one_ * 2);
}

TEST_F(ListingCacheTest, AFailureIsNotKept) {
    ListingCache cache(one_);
    EXPECT_THROW(cache.get(userKey(1), 1,
                           []() -> ListingCache::Answer { throw std::runtime_error("busy"); }),
                 std::runtime_error);
    cache.get(userKey(1), 1, make(1));
    EXPECT_EQ(made_, 1);
}

Request withHeaders(std::vector<std::pair<std::string, std::string>> headers) {
    Request request;
    request.headers = std::move(headers);
    return request;
}

TEST(CachedReplyTest, GzipOnlyForClientsThatTakeIt) {
    const struct {
        std::vector<std::pair<std::string, std::string>> headers;
        bool gzip;
    } cases[] = {
        {{}, false},
        {{{"Accept-Encoding", "gzip"}}, true},
        {{{"accept-encoding", "deflate, GZIP;q=0.5"}}, true},
        {{{"Accept-Encoding", "gzip;q=0"}}, false},
        {{{"Accept-Encoding", "br"}, {"Accept-Encoding", "*"}}, true},
        {{{"Accept-Encoding", "*, gzip;q=0.0"}}, false},
    };
    for (const auto& c : cases) {
        const Request request = withHeaders(c.headers);
        EXPECT_EQ(CachedReply::acceptsGzip(request), c.gzip)
            << (c.headers.empty() ? "" : c.headers.back().second);
    }
}

TEST(CachedReplyTest, NotModifiedOnlyForATagTheClientHolds) {
    const auto plain = CachedAnswer::plain(1, R"({"notes":[]})");
    const auto gzip = CachedAnswer::compressed(*plain);
    const struct {
        std::string ifNoneMatch;
        int status;
    } cases[] = {
        {plain->etag, 304},
        {"W/" + plain->etag, 304},
        {"\"other\", " + plain->etag, 304},
        {"*", 304},
        {"\"other\"", 200},
        {gzip->etag, 200}, // the compressed form is another answer
    };
    for (const auto& c : cases) {
        Response response;
        CachedReply::send(withHeaders({{"If-None-Match", c.ifNoneMatch}}), response, *plain);
        EXPECT_EQ(response.status, c.status) << c.ifNoneMatch;
        EXPECT_EQ(response.bodyText(), c.status == 304 ? "" : *plain->body) << c.ifNoneMatch;
    }
}

} // namespace
} // namespace orvendi::server
