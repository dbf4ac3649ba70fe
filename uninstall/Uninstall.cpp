#include "uninstall/Uninstall.h"

#include "util/PathText.h"

#include <algorithm>

namespace zem {

std::wstring UninstallKey(const std::wstring& alias) {
    return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\Zemora@" + alias;
}

std::wstring RefusedInstallLocation(const std::wstring& location,
                                    const std::vector<std::wstring>& systemFolders) {
    std::wstring path = location;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    if (path.starts_with(L"\\\\?\\UNC\\"))
        path = L"\\\\" + path.substr(8);
    else if (path.starts_with(L"\\\\?\\") && path.size() >= 7 && path[5] == L':')
        path = path.substr(4);
    // Device paths (\\.\..., \\?\GLOBALROOT\...) can name a whole volume.
    if (path.starts_with(L"\\\\.\\") || path.starts_with(L"\\\\?\\"))
        return L"device path";
    while (path.size() > 1 && path.back() == L'\\')
        path.pop_back();
    if (Trim(path).empty())
        return L"empty";

    std::size_t rest; // where the folders below the root begin
    if (path.size() >= 2 && path[1] == L':') {
        if (path.size() == 2)
            return L"drive root";
        if (path[2] != L'\\')
            return L"relative path";
        rest = 3;
    } else if (path.starts_with(L"\\\\")) {
        std::size_t server = path.find(L'\\', 2);
        std::size_t share = server == std::wstring::npos ? server : path.find(L'\\', server + 1);
        if (share == std::wstring::npos)
            return L"share root";
        rest = share + 1;
    } else {
        return L"relative path";
    }
    // A "." or ".." element could lead anywhere, also to the root.
    for (std::size_t start = rest; start <= path.size();) {
        std::size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring element = Trim(path.substr(start, end - start));
        if (element.empty() || element.find_first_not_of(L'.') == std::wstring::npos)
            return L"not a plain folder path";
        start = end + 1;
    }
    // The system folders and everything below them (Sysnative, drivers, ...).
    const std::wstring upper = UpperCaseLocale(path) + L"\\";
    for (std::wstring system : systemFolders) {
        while (system.size() > 1 && system.back() == L'\\')
            system.pop_back();
        if (!system.empty() && upper.starts_with(UpperCaseLocale(system) + L"\\"))
            return L"system folder";
    }
    return L"";
}

void RunUninstall(const std::wstring& alias, Platform& platform) {
    const std::wstring key = UninstallKey(alias);
    std::wstring location;
    if (auto entry = platform.registry.CreateKey(key)) {
        if (auto value = entry->ReadString(L"InstallLocation"))
            location = *value;
    }
    platform.registry.DeleteKeyTree(key);
    const std::wstring refused = RefusedInstallLocation(location, platform.files.SystemFolders());
    if (!refused.empty()) {
        platform.debug.Output(L"  InstallLocation not emptied (" + refused + L"): " + location);
        return;
    }
    const std::vector<std::wstring> names = platform.files.FindPlainFiles(location);
    if (names.empty())
        return;
    for (const std::wstring& name : names)
        platform.files.RemoveFile(location + L"\\" + name);
    platform.files.RemoveDir(location);
}

} // namespace zem
