#include "schedule/date_time.h"

#include <cstdio>

namespace vantorel {

namespace {

using std::chrono::days;
using std::chrono::floor;
using std::chrono::local_days;

constexpr std::chrono::year_month_day kDayZero{std::chrono::year{1899}, std::chrono::month{12}, std::chrono::day{30}};

// Reads fixed-shape texts left to right; every read either consumes what it
// wants or fails and leaves the position alone.
class Cursor {
public:
    explicit Cursor(std::string_view text) : text_(text) {}

    bool AtEnd() const { return pos_ == text_.size(); }

    // An unsigned decimal of minDigits to maxDigits digits.
    std::optional<unsigned> Number(std::size_t minDigits, std::size_t maxDigits) {
        std::size_t end = pos_;
        unsigned value = 0;
        while (end < text_.size() && end - pos_ < maxDigits && text_[end] >= '0' && text_[end] <= '9') {
            value = value * 10 + static_cast<unsigned>(text_[end] - '0');
            ++end;
        }
        if (end - pos_ < minDigits || (end < text_.size() && text_[end] >= '0' && text_[end] <= '9')) {
            return std::nullopt;
        }
        pos_ = end;
        return value;
    }

    bool Skip(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }

    std::size_t SkipBlanks() {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) {
            ++pos_;
        }
        return pos_ - start;
    }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

struct TimeOfDay {
    unsigned hour = 0;
    unsigned minute = 0;
    unsigned second = 0;
};

// H or HH, optionally followed by :MM and then :SS (one or two digits each).
std::optional<TimeOfDay> ReadTime(Cursor& in) {
    TimeOfDay time;
    const auto hour = in.Number(1, 2);
    if (!hour) {
        return std::nullopt;
    }
    time.hour = *hour;
    if (in.Skip(':')) {
        const auto minute = in.Number(1, 2);
        if (!minute) {
            return std::nullopt;
        }
        time.minute = *minute;
        if (in.Skip(':')) {
            const auto second = in.Number(1, 2);
            if (!second) {
                return std::nullopt;
            }
            time.second = *second;
        }
    }
    return time;
}

// D or DD / M or MM / YYYY.
std::optional<std::chrono::year_month_day> ReadDate(Cursor& in) {
    const auto day = in.Number(1, 2);
    if (!day || !in.Skip('/')) {
        return std::nullopt;
    }
    const auto month = in.Number(1, 2);
    if (!month || !in.Skip('/')) {
        return std::nullopt;
    }
    const auto year = in.Number(4, 4);
    if (!year || *year == 0) {
        return std::nullopt;
    }
    const std::chrono::year_month_day date{std::chrono::year{static_cast<int>(*year)}, std::chrono::month{*month},
                                           std::chrono::day{*day}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return date;
}

std::optional<DateTime> Combine(std::chrono::year_month_day date, TimeOfDay time) {
    return DateTime::FromParts(static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                               static_cast<unsigned>(date.day()), time.hour, time.minute, time.second);
}

// The value rounded to the nearest millisecond (halves up), then cut to the second.
std::chrono::local_seconds WholeSeconds(const DateTime& value) {
    using namespace std::chrono;
    const auto milliseconds = floor<std::chrono::milliseconds>(value.timePoint() + microseconds{500});
    return floor<seconds>(milliseconds);
}

std::string FormatDate(std::chrono::year_month_day date) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u/%02u/%04d", static_cast<unsigned>(date.day()),
                  static_cast<unsigned>(date.month()), static_cast<int>(date.year()));
    return text;
}

} // namespace

DateTime::DateTime() : t_(local_days{kDayZero}) {}

std::optional<DateTime> DateTime::FromParts(int year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                                            unsigned second, unsigned millisecond) {
    using namespace std::chrono;
    if (year < static_cast<int>(std::chrono::year::min()) || year > static_cast<int>(std::chrono::year::max()) ||
        hour > 23 || minute > 59 || second > 59 || millisecond > 999) {
        return std::nullopt;
    }
    const year_month_day date{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    if (!date.ok()) {
        return std::nullopt;
    }
    return DateTime(local_days{date} + hours{hour} + minutes{minute} + seconds{second} + milliseconds{millisecond});
}

std::chrono::year_month_day DateTime::date() const {
    return std::chrono::year_month_day{floor<days>(t_)};
}

std::chrono::hh_mm_ss<DateTime::Duration> DateTime::timeOfDay() const {
    return std::chrono::hh_mm_ss<Duration>{t_ - floor<days>(t_)};
}

std::string FormatDateTimeText(const DateTime& value) {
    const std::chrono::local_seconds whole = WholeSeconds(value);
    const local_days day = floor<days>(whole);
    std::string text = FormatDate(std::chrono::year_month_day{day});
    const std::chrono::hh_mm_ss time{whole - day};
    if (time.to_duration().count() != 0) {
        char clock[16];
        std::snprintf(clock, sizeof clock, " %02d:%02d:%02d", static_cast<int>(time.hours().count()),
                      static_cast<int>(time.minutes().count()), static_cast<int>(time.seconds().count()));
        text += clock;
    }
    return text;
}

std::string FormatDateText(const DateTime& value) {
    return FormatDate(std::chrono::year_month_day{floor<days>(WholeSeconds(value))});
}

std::optional<DateTime> ParseDateTimeText(std::string_view text) {
    Cursor in(text);
    in.SkipBlanks();
    if (text.find('/') == std::string_view::npos) {
        // No date: a time of day alone, on the day-zero date.
        const auto time = ReadTime(in);
        in.SkipBlanks();
        if (!time || !in.AtEnd()) {
            return std::nullopt;
        }
        return Combine(kDayZero, *time);
    }
    const auto date = ReadDate(in);
    if (!date) {
        return std::nullopt;
    }
    TimeOfDay time;
    if (in.SkipBlanks() > 0 && !in.AtEnd()) {
        const auto read = ReadTime(in);
        if (!read) {
            return std::nullopt;
        }
        time = *read;
        in.SkipBlanks();
    }
    if (!in.AtEnd()) {
        return std::nullopt;
    }
    return Combine(*date, time);
}

} // namespace vantorel
