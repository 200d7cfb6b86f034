#include "base/IsoTime.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace orvendi::IsoTime {

namespace {

using Millis = std::chrono::sys_time<std::chrono::milliseconds>;

// Walks the text left to right; after the first mismatch every read fails.
class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    bool ok() const { return ok_; }
    bool atEnd() const { return pos_ == text_.size(); }
    bool peek(char c) const { return ok_ && pos_ < text_.size() && text_[pos_] == c; }

    int number(size_t count) {
        int value = 0;
        for (size_t i = 0; i < count; ++i) {
            if (!peekDigit()) {
                ok_ = false;
                return 0;
            }
            value = value * 10 + (text_[pos_++] - '0');
        }
        return value;
    }

    // One of the given characters (a letter in either case, for instance).
    void oneOf(std::string_view choices) {
        if (!ok_ || pos_ >= text_.size() || choices.find(text_[pos_]) == std::string_view::npos) {
            ok_ = false;
            return;
        }
        ++pos_;
    }

    void literal(char c) { oneOf(std::string_view(&c, 1)); }

    void optionalLiteral(char c) {
        if (peek(c)) {
            ++pos_;
        }
    }

    void fail() { ok_ = false; }

    // An optional decimal point with one or more digits, as milliseconds:
    // further digits are cut off, not rounded.
    int optionalFractionMillis() {
        if (!peek('.')) {
            return 0;
        }
        ++pos_;
        if (!peekDigit()) {
            ok_ = false;
            return 0;
        }
        int millis = 0;
        for (int scale = 100; peekDigit(); scale /= 10) {
            millis += (text_[pos_++] - '0') * scale;
        }
        return millis;
    }

private:
    bool peekDigit() const {
        return ok_ && pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9';
    }

    std::string_view text_;
    size_t pos_ = 0;
    bool ok_ = true;
};

// "Z", "+HH:MM", "+HHMM" (or with "-") as seconds east of UTC.
int zoneOffset(Reader& reader) {
    if (reader.peek('Z') || reader.peek('z')) {
        reader.oneOf("Zz");
        return 0;
    }
    const int sign = reader.peek('-') ? -1 : 1;
    reader.literal(sign < 0 ? '-' : '+');
    const int hours = reader.number(2);
    reader.optionalLiteral(':');
    const int minutes = reader.number(2);
    if (hours > 23 || minutes > 59) {
        reader.fail();
    }
    return sign * (hours * 3600 + minutes * 60);
}

// The calendar date and time of day of a moment, split for printing.
struct UtcParts {
    std::chrono::year_month_day date;
    std::chrono::hh_mm_ss<std::chrono::milliseconds> time;
};

UtcParts utcPartsOf(Millis moment) {
    const auto midnight = std::chrono::floor<std::chrono::days>(moment);
    return {std::chrono::year_month_day{midnight},
            std::chrono::hh_mm_ss<std::chrono::milliseconds>{moment - midnight}};
}

// Two-digit clock fields after a four-digit year, month and day, like
// "2025-02-03T09:05:41" or "2025-02-03 0905".
std::string calendarText(const UtcParts& parts, const char* timeFormat, bool withSeconds) {
    char date[24];
    std::snprintf(date, sizeof date, "%04d-%02u-%02u", static_cast<int>(parts.date.year()),
                  static_cast<unsigned>(parts.date.month()),
                  static_cast<unsigned>(parts.date.day()));
    char time[24];
    const int hour = static_cast<int>(parts.time.hours().count());
    const int minute = static_cast<int>(parts.time.minutes().count());
    if (withSeconds) {
        std::snprintf(time, sizeof time, timeFormat, hour, minute,
                      static_cast<int>(parts.time.seconds().count()));
    } else {
        std::snprintf(time, sizeof time, timeFormat, hour, minute);
    }
    return std::string(date) + time;
}

} // namespace

std::optional<int64_t> parse(std::string_view text) {
    using namespace std::chrono;
    Reader reader(text);
    const int yearValue = reader.number(4);
    reader.literal('-');
    const int monthValue = reader.number(2);
    reader.literal('-');
    const int dayValue = reader.number(2);
    reader.oneOf("Tt");
    const int hourValue = reader.number(2);
    reader.literal(':');
    const int minuteValue = reader.number(2);
    reader.literal(':');
    const int secondValue = reader.number(2);
    const int millis = reader.optionalFractionMillis();
    const int offset = zoneOffset(reader);
    const year_month_day date{year(yearValue), month(static_cast<unsigned>(monthValue)),
                              day(static_cast<unsigned>(dayValue))};
    // 60 is a leap second; it counts as the first second of the next minute.
    const bool timeInRange = hourValue <= 23 && minuteValue <= 59 && secondValue <= 60;
    if (!reader.ok() || !reader.atEnd() || !date.ok() || !timeInRange) {
        return std::nullopt;
    }
    const int64_t midnight = duration_cast<seconds>(sys_days(date).time_since_epoch()).count();
    const int64_t seconds = midnight + hourValue * 3600 + minuteValue * 60 + secondValue - offset;
    return seconds * 1000 + millis;
}

std::string formatMillis(int64_t millisSince1970) {
    const auto parts = utcPartsOf(Millis{std::chrono::milliseconds(millisSince1970)});
    char millis[16];
    std::snprintf(millis, sizeof millis, ".%03dZ",
                  static_cast<int>(parts.time.subseconds().count()));
    return calendarText(parts, "T%02d:%02d:%02d", true) + millis;
}

std::string formatSeconds(double secondsSince1970) {
    // About the year 30000: std::chrono's calendar ends at 32767.
    constexpr double kLimit = 9e11;
    if (!std::isfinite(secondsSince1970) || std::abs(secondsSince1970) > kLimit) {
        return "?";
    }
    const auto seconds = static_cast<int64_t>(std::floor(secondsSince1970));
    return calendarText(utcPartsOf(Millis{std::chrono::seconds(seconds)}), "T%02d:%02d:%02dZ",
                        true);
}

std::string formatSeconds(std::filesystem::file_time_type time) {
    const auto system = std::chrono::file_clock::to_sys(time);
    return formatSeconds(std::chrono::duration<double>(system.time_since_epoch()).count());
}

std::string formatMinute(int64_t secondsSince1970) {
    return calendarText(utcPartsOf(Millis{std::chrono::seconds(secondsSince1970)}), " %02d%02d",
                        false);
}

int64_t millisFromSeconds(double secondsSince1970) {
    return static_cast<int64_t>(std::floor(secondsSince1970 * 1000.0));
}

} // namespace orvendi::IsoTime
