#pragma once
// Local wall-clock date and time as a day count since 1899-12-30 with the time of day as
// fraction, the form the catalogue's dates and the start times of transfers take.
#include <cstdint>

namespace zem {

using TDateTime = double;

constexpr double MillisecondsPerDay = 86400000.0;

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second,
                         int millisecond);

struct DateTimeParts {
    int year, month, day, hour, minute, second, millisecond;
};
DateTimeParts DecodeDateTime(TDateTime value);

// Whole milliseconds since 1899-12-30, rounded to the nearest.
std::int64_t ToMilliseconds(TDateTime value);
TDateTime FromMilliseconds(std::int64_t ms);

// True when both stand for the same instant once rounded to whole milliseconds.
bool SameMillisecond(TDateTime a, TDateTime b);

} // namespace zem
