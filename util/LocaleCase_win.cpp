// Upper case by the user locale's rules, as Windows compares switch names and paths.
#include "platform/win32/win.h"
#include "util/PathText.h"

namespace zem {

std::wstring UpperCaseLocale(std::wstring_view text) {
    std::wstring result(text);
    if (!result.empty())
        CharUpperBuffW(result.data(), static_cast<DWORD>(result.size()));
    return result;
}

} // namespace zem
