#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvendi::InternetDate {

// Parses an internet date-time such as 2025-02-03T09:05:41.123Z or
// 2025-02-03T09:05:41+01:00 into whole seconds since 1970 (UTC). With
// `fractionalSeconds` the text must carry a fraction after the seconds;
// without, it must not (the two forms the service has used for created_at).
std::optional<int64_t> parse(std::string_view text, bool fractionalSeconds);

// "yyyy-MM-dd HHmm" in UTC, e.g. 2025-02-03 0905.
std::string formatMinute(int64_t secondsSince1970);

} // namespace orvendi::InternetDate
