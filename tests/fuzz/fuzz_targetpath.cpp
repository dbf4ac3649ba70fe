// Fuzzes the check of catalogue names: every name that the check accepts resolves inside
// the program folder under a model of Windows' own path rules, written apart from the check.
#include "update/TargetPath.h"
#include "util/PathText.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Windows' resolution, taken at its most dangerous: separators '\' and '/', doubled ones
// collapse, trailing dots and blanks are dropped, an element of dots and blanks only may
// climb like "..", a ':' may name a drive or a stream, device names leave the file system.
bool ResolvesBelow(const std::wstring& base, const std::wstring& path) {
    auto split = [](const std::wstring& p) {
        std::vector<std::wstring> parts;
        std::wstring part;
        for (wchar_t c : p + L'\\') {
            if (c == L'\\' || c == L'/') {
                if (!part.empty())
                    parts.push_back(part);
                part.clear();
            } else {
                part += c;
            }
        }
        return parts;
    };
    const std::vector<std::wstring> root = split(base);
    std::vector<std::wstring> resolved;
    for (const std::wstring& element : split(path)) {
        if (resolved.size() >= root.size() && element.find(L':') != std::wstring::npos)
            return false;
        std::wstring name = element;
        while (!name.empty() && (name.back() == L'.' || name.back() == L' '))
            name.pop_back();
        if (element == L".")
            continue;
        if (name.empty()) { // "..", "...", " ": treat as a step up
            if (resolved.empty())
                return false;
            resolved.pop_back();
            continue;
        }
        std::wstring device = zem::UpperCaseAscii(name.substr(0, name.find(L'.')));
        while (!device.empty() && device.back() == L' ')
            device.pop_back();
        for (const wchar_t* d : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"})
            if (device == d)
                return false;
        if (device.size() == 4 && (device.starts_with(L"COM") || device.starts_with(L"LPT")) &&
            ((device[3] >= L'0' && device[3] <= L'9') || device[3] == L'\u00B9' ||
             device[3] == L'\u00B2' || device[3] == L'\u00B3'))
            return false;
        resolved.push_back(name);
    }
    if (resolved.size() <= root.size())
        return false;
    for (std::size_t i = 0; i < root.size(); ++i)
        if (zem::UpperCaseAscii(resolved[i]) != zem::UpperCaseAscii(root[i]))
            return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const wchar_t alphabet[] = L".\\/: aCONULPTM1$?x\u00B9";
    constexpr std::size_t letters = sizeof alphabet / sizeof alphabet[0] - 1;
    if (size == 0)
        return 0;
    // Two program folders: a plain one, and one from a //server/instance alias.
    const std::wstring folder =
        data[0] & 1 ? L"C:\\Apps\\ZEM_//srv/inst_JPX_EXE" : L"C:\\Apps\\ZEM_JPX_EXE";
    std::wstring cfname;
    for (std::size_t i = 1; i < size; ++i)
        cfname += data[i] < 0xC0 ? alphabet[data[i] % letters] : static_cast<wchar_t>(data[i]);
    const zem::TargetPaths paths = zem::ComposeTarget(folder, cfname);
    std::wstring base = folder;
    zem::StripSlashes(base);
    if (zem::IsInsideProgramFolder(folder, paths.target) && !ResolvesBelow(base, paths.target))
        std::abort();
    return 0;
}
