#include "update/TargetPath.h"

#include "util/PathText.h"

#include <array>

namespace zem {

TargetPaths ComposeTarget(const std::wstring& programFolder, const std::wstring& cfname) {
    TargetPaths p;
    p.target = AddBackslash(programFolder) + cfname;
    p.folder = ExtractFilePath(p.target);
    if (!p.folder.empty())
        p.folder.pop_back();
    StripSlashes(p.folder);
    StripSlashes(p.target);
    return p;
}

namespace {

bool IsDeviceName(std::wstring_view element) {
    // Windows maps these names to devices whatever the extension and trailing blanks.
    std::wstring base = UpperCaseAscii(element.substr(0, element.find(L'.')));
    while (!base.empty() && base.back() == L' ')
        base.pop_back();
    static const std::array<std::wstring_view, 6> plain = {L"CON", L"PRN",    L"AUX",
                                                           L"NUL", L"CONIN$", L"CONOUT$"};
    for (std::wstring_view name : plain)
        if (base == name)
            return true;
    if (base.size() == 4 && (base.starts_with(L"COM") || base.starts_with(L"LPT")))
        return (base[3] >= L'0' && base[3] <= L'9') || base[3] == L'\u00B9' ||
               base[3] == L'\u00B2' || base[3] == L'\u00B3';
    return false;
}

bool IsSafeElement(std::wstring_view element) {
    for (wchar_t c : element)
        if (c < 32 || std::wstring_view(L"<>:\"|?*").find(c) != std::wstring_view::npos)
            return false;
    // Covers ".", ".." and every name Windows would shorten.
    if (element.back() == L'.' || element.back() == L' ')
        return false;
    return !IsDeviceName(element);
}

} // namespace

bool IsSafeRelativePath(std::wstring_view relative) {
    std::wstring_view last;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find_first_of(L"\\/", start);
        if (end == std::wstring_view::npos)
            end = relative.size();
        std::wstring_view element = relative.substr(start, end - start);
        if (element.empty() || !IsSafeElement(element)) // empty: rooted, or a doubled separator
            return false;
        last = element;
        start = end + 1;
    }
    if (last.empty())
        return false;
    // Names a replacement uses beside another file: the repair after a crash would take a
    // catalogue file of such a name for a leftover.
    for (std::wstring_view suffix : {BackupSuffix, TempSuffix})
        if (last.size() >= suffix.size() &&
            SameTextAscii(last.substr(last.size() - suffix.size()), suffix))
            return false;
    return true;
}

bool IsInsideProgramFolder(const std::wstring& programFolder, const std::wstring& target) {
    std::wstring base = AddBackslash(programFolder);
    StripSlashes(base); // as in the composed target, where these are never the last character
    return target.size() > base.size() && target.compare(0, base.size(), base) == 0 &&
           IsSafeRelativePath(std::wstring_view(target).substr(base.size()));
}

std::wstring LongPathForm(const std::wstring& path) {
    if (path.size() < MaxPath || path.starts_with(L"\\\\?\\"))
        return path;
    if (path.size() >= 3 && path[1] == L':' && path[2] == L'\\')
        return L"\\\\?\\" + path;
    if (path.starts_with(L"\\\\"))
        return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

} // namespace zem
