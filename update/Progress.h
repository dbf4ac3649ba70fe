#pragma once
// The texts and numbers of the transfer progress display.
#include "util/DateTime.h"

#include <cstdint>
#include <string>

namespace zem {

// Percentage of the transfer, truncated toward zero.
int ProgressPercent(std::int32_t bytesSoFar, std::int32_t totalSize);

// Bytes per second since the start; 1000 when no time has passed (or the clock went back).
double TransferRate(std::int32_t bytesSoFar, TDateTime startTime, TDateTime now);

// "%.1f kB" of rate / 1024, with the locale's decimal separator.
std::wstring FormatRate(double bytesPerSecond, wchar_t decimalSeparator);

// The remaining seconds as a time of day "hh:nn:ss" (fractions cut, whole days dropped);
// "--:--:--" when the rate is 0 and no estimate exists.
std::wstring FormatRemaining(std::int32_t bytesSoFar, std::int32_t totalSize, double bytesPerSecond,
                             wchar_t timeSeparator);

} // namespace zem
