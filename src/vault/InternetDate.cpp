#include "vault/InternetDate.h"

#include <chrono>
#include <cstdio>

namespace orvendi::InternetDate {

namespace {

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

    void literal(char c) {
        if (!peek(c)) {
            ok_ = false;
            return;
        }
        ++pos_;
    }

    void fail() { ok_ = false; }

    void optionalLiteral(char c) {
        if (peek(c)) {
            ++pos_;
        }
    }

    // One or more digits after a decimal point.
    void fraction() {
        literal('.');
        if (!peekDigit()) {
            ok_ = false;
        }
        while (peekDigit()) {
            ++pos_;
        }
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
    if (reader.peek('Z')) {
        reader.literal('Z');
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

} // namespace

std::optional<int64_t> parse(std::string_view text, bool fractionalSeconds) {
    using namespace std::chrono;
    Reader reader(text);
    const int yearValue = reader.number(4);
    reader.literal('-');
    const int monthValue = reader.number(2);
    reader.literal('-');
    const int dayValue = reader.number(2);
    reader.literal('T');
    const int hourValue = reader.number(2);
    reader.literal(':');
    const int minuteValue = reader.number(2);
    reader.literal(':');
    const int secondValue = reader.number(2);
    if (fractionalSeconds) {
        reader.fraction();
    }
    const int offset = zoneOffset(reader);
    const year_month_day date{year(yearValue), month(static_cast<unsigned>(monthValue)),
                              day(static_cast<unsigned>(dayValue))};
    const bool timeInRange = hourValue <= 23 && minuteValue <= 59 && secondValue <= 59;
    if (!reader.ok() || !reader.atEnd() || !date.ok() || !timeInRange) {
        return std::nullopt;
    }
    const auto midnight = duration_cast<seconds>(sys_days(date).time_since_epoch()).count();
    return midnight + hourValue * 3600 + minuteValue * 60 + secondValue - offset;
}

std::string formatMinute(int64_t secondsSince1970) {
    using namespace std::chrono;
    const sys_seconds moment{seconds(secondsSince1970)};
    const auto midnight = floor<days>(moment);
    const year_month_day date{midnight};
    const hh_mm_ss time{moment - midnight};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d%02d", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
    return text;
}

} // namespace orvendi::InternetDate
