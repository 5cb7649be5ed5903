#include "iso/dates.h"

#include <cstdio>

namespace tarnwell::iso {

namespace {

    // Days from 1970-01-01 to the given civil date (proleptic Gregorian).
    std::int64_t days_from_civil(std::int64_t year, unsigned month, unsigned day)
    {
        year -= month <= 2;
        std::int64_t era = (year >= 0 ? year : year - 399) / 400;
        auto year_of_era = static_cast<unsigned>(year - era * 400);
        unsigned day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
        unsigned day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
        return era * 146097 + static_cast<std::int64_t>(day_of_era) - 719468;
    }

    struct Civil {
        std::int64_t year;
        unsigned month;
        unsigned day;
    };

    Civil civil_from_days(std::int64_t days)
    {
        days += 719468;
        std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
        auto day_of_era = static_cast<unsigned>(days - era * 146097);
        unsigned year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
        std::int64_t year = static_cast<std::int64_t>(year_of_era) + era * 400;
        unsigned day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
        unsigned shifted_month = (5 * day_of_year + 2) / 153;
        unsigned day = day_of_year - (153 * shifted_month + 2) / 5 + 1;
        unsigned month = shifted_month < 10 ? shifted_month + 3 : shifted_month - 9;
        return { year + (month <= 2), month, day };
    }

    unsigned clamp_field(unsigned value, unsigned low, unsigned high)
    {
        return value < low ? low : value > high ? high : value;
    }

}

std::int64_t unix_time_from_recording_time(std::span<std::uint8_t const, 7> time)
{
    // Byte 6 is the offset from GMT in 15-minute steps, -48..52.
    auto offset = static_cast<std::int8_t>(time[6]);
    if (offset < -48 || offset > 52)
        offset = 0;
    std::int64_t days = days_from_civil(1900 + time[0], clamp_field(time[1], 1, 12), clamp_field(time[2], 1, 31));
    return days * 86400 + clamp_field(time[3], 0, 23) * 3600 + clamp_field(time[4], 0, 59) * 60
        + clamp_field(time[5], 0, 59) - offset * 15 * 60;
}

std::array<std::uint8_t, 7> recording_time_from_unix_time(std::int64_t seconds)
{
    // The field holds years 1900..2155; dates outside clamp to its ends.
    constexpr std::int64_t first = -2208988800LL; // 1900-01-01
    constexpr std::int64_t last = 5996937599LL; // 2155-12-31 23:59:59
    seconds = seconds < first ? first : seconds > last ? last : seconds;
    std::int64_t days = seconds >= 0 ? seconds / 86400 : (seconds - 86399) / 86400;
    std::int64_t rest = seconds - days * 86400;
    auto civil = civil_from_days(days);
    return { static_cast<std::uint8_t>(civil.year - 1900), static_cast<std::uint8_t>(civil.month),
        static_cast<std::uint8_t>(civil.day), static_cast<std::uint8_t>(rest / 3600),
        static_cast<std::uint8_t>(rest / 60 % 60), static_cast<std::uint8_t>(rest % 60), 0 };
}

std::int64_t unix_time_from_descriptor_time(std::span<std::uint8_t const, 17> time)
{
    auto digits = [&](size_t at, size_t count) {
        unsigned value = 0;
        for (size_t i = at; i < at + count; ++i)
            value = value * 10 + (time[i] >= '0' && time[i] <= '9' ? time[i] - '0' : 0);
        return value;
    };
    auto offset = static_cast<std::int8_t>(time[16]);
    if (offset < -48 || offset > 52)
        offset = 0;
    std::int64_t days
        = days_from_civil(digits(0, 4), clamp_field(digits(4, 2), 1, 12), clamp_field(digits(6, 2), 1, 31));
    return days * 86400 + digits(8, 2) * 3600 + digits(10, 2) * 60 + digits(12, 2) - offset * 15 * 60;
}

std::array<std::uint8_t, 17> descriptor_time_from_unix_time(std::int64_t seconds)
{
    auto short_form = recording_time_from_unix_time(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04u%02u%02u%02u%02u%02u00", 1900u + short_form[0], short_form[1], short_form[2],
        short_form[3], short_form[4], short_form[5]);
    std::array<std::uint8_t, 17> result {};
    for (size_t i = 0; i < 16; ++i)
        result[i] = static_cast<std::uint8_t>(text[i]);
    result[16] = 0;
    return result;
}

}
