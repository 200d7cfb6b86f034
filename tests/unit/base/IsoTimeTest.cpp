#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <optional>
#include <string>

#include "base/IsoTime.h"

namespace orvendi {
namespace {

TEST(IsoTime, ReadsInternetTimesWithOrWithoutFractionAndAnyOffset) {
    const std::pair<const char*, std::optional<int64_t>> cases[] = {
        {"2025-02-03T09:05:41.123Z", 1738573541123},
        {"2025-02-03T09:05:41Z", 1738573541000},
        {"2025-02-03t09:05:41z", 1738573541000},
        {"2025-02-03T10:05:41.1+01:00", 1738573541100},
        {"2025-02-03T04:05:41.123456-0500", 1738573541123},
        {"2025-02-03T09:05:41.9999999999Z", 1738573541999},
        {"2016-12-31T23:59:60Z", 1483228800000},
        {"1970-01-01T00:00:00Z", 0},
        {"1969-12-31T23:59:59.5Z", -500},
        {"2024-02-29T00:00:00Z", 1709164800000},
        {"2025-02-29T00:00:00Z", std::nullopt},
        {"2025-13-01T00:00:00Z", std::nullopt},
        {"2025-02-03T24:00:00Z", std::nullopt},
        {"2025-02-03T09:05:41+24:00", std::nullopt},
        {"2025-02-03T09:05:41+01:99", std::nullopt},
        {"2025-02-03T09:05:41.Z", std::nullopt},
        {"2025-02-03 09:05:41Z", std::nullopt},
        {"2025-02-03T09:05:41", std::nullopt},
        {"2025-02-03T09:05:41Z trailing", std::nullopt},
        {"2025-02-03", std::nullopt},
        {"yesterday", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [text, millis] : cases) {
        EXPECT_EQ(IsoTime::parse(text), millis) << text;
    }
}

TEST(IsoTime, WritesUtcToTheMillisecondTheSecondAndTheMinute) {
    EXPECT_EQ(IsoTime::formatMillis(1738573541123), "2025-02-03T09:05:41.123Z");
    EXPECT_EQ(IsoTime::formatMillis(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(IsoTime::formatMillis(-1), "1969-12-31T23:59:59.999Z");
    EXPECT_EQ(IsoTime::parse(IsoTime::formatMillis(951782400999)), 951782400999); // 2000-02-29

    EXPECT_EQ(IsoTime::formatSeconds(1738573541.999), "2025-02-03T09:05:41Z");
    EXPECT_EQ(IsoTime::formatSeconds(std::nan("")), "?");
    EXPECT_EQ(IsoTime::formatSeconds(1e300), "?");
    const auto fileTime = std::chrono::file_clock::from_sys(
        std::chrono::sys_seconds{std::chrono::seconds(1738573541)});
    EXPECT_EQ(IsoTime::formatSeconds(fileTime), "2025-02-03T09:05:41Z");

    EXPECT_EQ(IsoTime::formatMinute(1738573541), "2025-02-03 0905");
    EXPECT_EQ(IsoTime::millisFromSeconds(1738573541.1239), 1738573541123);
}

} // namespace
} // namespace orvendi
