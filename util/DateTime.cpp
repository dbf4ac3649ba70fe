#include "util/DateTime.h"

#include <cmath>

namespace zem {

// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's algorithm).
static std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

static void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2));
}

static constexpr std::int64_t UnixEpochDay = 25569; // 1970-01-01 as a day count

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond) {
    std::int64_t days =
        DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
        UnixEpochDay;
    std::int64_t ms = ((hour * 60LL + minute) * 60 + second) * 1000 + millisecond;
    return FromMilliseconds(days * 86400000LL + ms);
}

std::int64_t ToMilliseconds(TDateTime value) {
    return static_cast<std::int64_t>(std::llround(value * MillisecondsPerDay));
}

TDateTime FromMilliseconds(std::int64_t ms) {
    return static_cast<double>(ms) / MillisecondsPerDay;
}

DateTimeParts DecodeDateTime(TDateTime value) {
    std::int64_t ms = ToMilliseconds(value);
    std::int64_t days = ms >= 0 ? ms / 86400000 : -((-ms + 86399999) / 86400000);
    std::int64_t rest = ms - days * 86400000;
    DateTimeParts p{};
    CivilFromDays(days - UnixEpochDay, p.year, p.month, p.day);
    p.hour = static_cast<int>(rest / 3600000);
    p.minute = static_cast<int>(rest / 60000 % 60);
    p.second = static_cast<int>(rest / 1000 % 60);
    p.millisecond = static_cast<int>(rest % 1000);
    return p;
}

bool SameMillisecond(TDateTime a, TDateTime b) {
    return ToMilliseconds(a) == ToMilliseconds(b);
}

} // namespace zem
