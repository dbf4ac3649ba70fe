// Upper case by the C library's rules, for the native tests and tools.
#include "util/PathText.h"

#include <cwctype>

namespace zem {

std::wstring UpperCaseLocale(std::wstring_view text) {
    std::wstring result(text);
    for (wchar_t& c : result)
        c = static_cast<wchar_t>(std::towupper(static_cast<std::wint_t>(c)));
    return result;
}

} // namespace zem
