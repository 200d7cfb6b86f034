#include "notes/IsoTime.h"

#include <cmath>
#include <cstdio>
#include <regex>

namespace orvendi::server::IsoTime {

namespace {

constexpr int64_t kMillisPerDay = 86'400'000;

// Days since 1970-01-01 of a proleptic Gregorian date (Howard Hinnant's algorithm).
int64_t daysFromCivil(int64_t year, int64_t month, int64_t day) {
    year -= month <= 2 ? 1 : 0;
    const int64_t era = (year >= 0 ? year : year - 399) / 400;
    const int64_t yearOfEra = year - era * 400;
    const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

struct CivilDate {
    int64_t year;
    int month;
    int day;
};

CivilDate civilFromDays(int64_t days) {
    days += 719468;
    const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const int64_t dayOfEra = days - era * 146097;
    const int64_t yearOfEra =
        (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const int64_t monthIndex = (5 * dayOfYear + 2) / 153;
    const int day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
    const int month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

int daysInMonth(int64_t year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

} // namespace

std::string format(int64_t millisSince1970) {
    int64_t days = millisSince1970 / kMillisPerDay;
    int64_t rest = millisSince1970 % kMillisPerDay;
    if (rest < 0) {
        rest += kMillisPerDay;
        --days;
    }
    const CivilDate date = civilFromDays(days);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02d.%03dZ",
                  static_cast<long long>(date.year), date.month, date.day,
                  static_cast<int>(rest / 3'600'000), static_cast<int>(rest / 60'000 % 60),
                  static_cast<int>(rest / 1000 % 60), static_cast<int>(rest % 1000));
    return text;
}

std::optional<int64_t> parse(std::string_view text) {
    static const std::regex kPattern(
        R"((\d{4})-(\d{2})-(\d{2})[Tt](\d{2}):(\d{2}):(\d{2})(?:\.(\d{1,9}))?(?:([Zz])|([+-])(\d{2}):?(\d{2})))");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_match(text.begin(), text.end(), match, kPattern)) {
        return std::nullopt;
    }
    auto number = [&](int group) { return std::stoll(match[group].str()); };
    const int64_t year = number(1);
    const int month = static_cast<int>(number(2));
    const int day = static_cast<int>(number(3));
    const int64_t hour = number(4), minute = number(5), second = number(6);
    if (month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 60) {
        return std::nullopt;
    }
    int64_t millis = 0;
    if (match[7].matched) {
        std::string fraction = match[7].str();
        fraction.resize(3, '0');
        millis = std::stoll(fraction);
    }
    int64_t offsetMinutes = 0;
    if (match[9].matched) {
        const int64_t offsetHours = number(10), offsetMins = number(11);
        if (offsetHours > 23 || offsetMins > 59) {
            return std::nullopt;
        }
        offsetMinutes = (offsetHours * 60 + offsetMins) * (match[9].str() == "-" ? -1 : 1);
    }
    const int64_t seconds =
        daysFromCivil(year, month, day) * 86'400 + hour * 3600 + minute * 60 + second;
    return (seconds - offsetMinutes * 60) * 1000 + millis;
}

int64_t millisFromSeconds(double secondsSince1970) {
    return static_cast<int64_t>(std::floor(secondsSince1970 * 1000.0));
}

} // namespace orvendi::server::IsoTime
