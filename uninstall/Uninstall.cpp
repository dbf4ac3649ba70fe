#include "uninstall/Uninstall.h"

namespace zem {

std::wstring UninstallKey(const std::wstring& alias) {
    return L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\uninstall\\Zemora@" + alias;
}

void RunUninstall(const CommandLine& commandLine, Platform& platform) {
    const std::wstring key = UninstallKey(commandLine.ParamStr(2));
    std::wstring location;
    if (auto entry = platform.registry.CreateKey(key)) {
        if (auto value = entry->ReadString(L"InstallLocation"))
            location = *value;
    }
    platform.registry.DeleteKeyTree(key);
    // An empty location would address the current drive's root: touch no file then.
    if (location.empty())
        return;
    const std::vector<std::wstring> names = platform.files.FindPlainFiles(location);
    if (names.empty())
        return;
    for (const std::wstring& name : names)
        platform.files.RemoveFile(location + L"\\" + name);
    platform.files.RemoveDir(location);
}

} // namespace zem
