#include "util/PathText.h"

#include <cwctype>

namespace zem {

std::wstring AddBackslash(std::wstring_view path) {
    std::wstring result(path);
    if (result.empty() || result.back() != L'\\')
        result += L'\\';
    return result;
}

void StripSlashes(std::wstring& path) {
    std::size_t i = 0;
    while (i + 1 < path.size()) {
        if (path[i] == L'/')
            path.erase(i, 1);
        else
            ++i;
    }
}

static std::size_t LastDelimiter(std::wstring_view path) {
    return path.find_last_of(L"\\:");
}

std::wstring ExtractFilePath(std::wstring_view path) {
    std::size_t pos = LastDelimiter(path);
    return pos == std::wstring_view::npos ? std::wstring() : std::wstring(path.substr(0, pos + 1));
}

std::wstring ExtractFileName(std::wstring_view path) {
    std::size_t pos = LastDelimiter(path);
    return std::wstring(pos == std::wstring_view::npos ? path : path.substr(pos + 1));
}

static std::size_t ExtensionStart(std::wstring_view path) {
    std::size_t dot = path.find_last_of(L'.');
    std::size_t delim = LastDelimiter(path);
    if (dot == std::wstring_view::npos || (delim != std::wstring_view::npos && dot < delim))
        return path.size();
    return dot;
}

std::wstring RemoveFileExt(std::wstring_view path) {
    return std::wstring(path.substr(0, ExtensionStart(path)));
}

std::wstring ChangeFileExt(std::wstring_view path, std::wstring_view ext) {
    return RemoveFileExt(path) + std::wstring(ext);
}

std::wstring Trim(std::wstring_view text) {
    std::size_t first = 0;
    while (first < text.size() && text[first] <= L' ')
        ++first;
    return TrimRight(text.substr(first));
}

std::wstring TrimRight(std::wstring_view text) {
    std::size_t last = text.size();
    while (last > 0 && text[last - 1] <= L' ')
        --last;
    return std::wstring(text.substr(0, last));
}

static wchar_t UpperAscii(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? wchar_t(c - 32) : c;
}

std::wstring UpperCaseAscii(std::wstring_view text) {
    std::wstring result(text);
    for (wchar_t& c : result)
        c = UpperAscii(c);
    return result;
}

bool SameTextAscii(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

bool SameTextLocale(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() && UpperCaseLocale(a) == UpperCaseLocale(b);
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = static_cast<char32_t>(text[i]);
        if constexpr (sizeof(wchar_t) == 2) {
            if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                text[i + 1] < 0xE000) {
                cp =
                    0x10000 + ((cp - 0xD800) << 10) + (static_cast<char32_t>(text[i + 1]) - 0xDC00);
                ++i;
            }
        }
        if ((cp >= 0xD800 && cp < 0xE000) || cp > 0x10FFFF)
            cp = 0xFFFD;
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

static void AppendCodePoint(std::wstring& out, char32_t cp) {
    if constexpr (sizeof(wchar_t) == 2) {
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<wchar_t>(0xD800 + (cp >> 10));
            out += static_cast<wchar_t>(0xDC00 + (cp & 0x3FF));
            return;
        }
    }
    out += static_cast<wchar_t>(cp);
}

std::wstring FromUtf8(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        char32_t cp = extra == 0   ? c
                      : extra == 1 ? (c & 0x1F)
                      : extra == 2 ? (c & 0x0F)
                                   : (c & 0x07);
        bool valid = extra >= 0 && i + extra < text.size() + 0 && i + extra <= text.size() - 1;
        for (int k = 1; valid && k <= extra; ++k) {
            unsigned char cc = static_cast<unsigned char>(text[i + k]);
            if ((cc >> 6) != 2)
                valid = false;
            else
                cp = (cp << 6) | (cc & 0x3F);
        }
        if (!valid || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
            out += L'\xFFFD';
            ++i;
            continue;
        }
        AppendCodePoint(out, cp);
        i += extra + 1;
    }
    return out;
}

} // namespace zem
