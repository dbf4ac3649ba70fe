#include "update/Progress.h"

#include <cmath>
#include <cwchar>

namespace zem {

int ProgressPercent(std::int32_t bytesSoFar, std::int32_t totalSize) {
    return static_cast<int>(std::trunc(static_cast<double>(bytesSoFar) / totalSize * 100.0));
}

double TransferRate(std::int32_t bytesSoFar, TDateTime startTime, TDateTime now) {
    double elapsedSeconds = (now - startTime) * 60 * 60 * 24;
    if (!(elapsedSeconds > 0))
        return 1000;
    double rate = bytesSoFar / elapsedSeconds;
    return std::isfinite(rate) ? rate : 1000;
}

std::wstring FormatRate(double bytesPerSecond, wchar_t decimalSeparator) {
    wchar_t text[64];
    std::swprintf(text, 64, L"%.1f kB", bytesPerSecond / 1024);
    std::wstring result = text;
    for (wchar_t& c : result)
        if (c == L'.')
            c = decimalSeparator;
    return result;
}

std::wstring FormatRemaining(std::int32_t bytesSoFar, std::int32_t totalSize, double bytesPerSecond,
                             wchar_t timeSeparator) {
    std::wstring sep(1, timeSeparator);
    if (!(bytesPerSecond > 0))
        return L"--" + sep + L"--" + sep + L"--";
    double seconds = (static_cast<double>(totalSize) - bytesSoFar) / bytesPerSecond;
    auto whole = static_cast<long long>(std::trunc(seconds)) % 86400;
    if (whole < 0)
        whole += 86400;
    wchar_t text[32];
    std::swprintf(text, 32, L"%02lld%lc%02lld%lc%02lld", whole / 3600,
                  static_cast<wint_t>(timeSeparator), whole / 60 % 60,
                  static_cast<wint_t>(timeSeparator), whole % 60);
    return text;
}

} // namespace zem
