#pragma once
// Removal of one installation: its uninstall entry and the plain files of its folder.
#include "platform/Platform.h"

#include <vector>

namespace zem {

// Registry key of the installation whose database alias is given.
std::wstring UninstallKey(const std::wstring& alias);

// Why the files of an installation folder must not be deleted: empty, a drive or share
// root, a device path, a relative path, a "." or ".." element, the Windows or a system
// folder or a folder below them. Empty when the folder may be emptied.
std::wstring RefusedInstallLocation(const std::wstring& location,
                                    const std::vector<std::wstring>& systemFolders);

// Reads the folder from the entry of the alias, deletes the entry, then deletes the
// folder's plain files and the folder. Failures are silent, except a value of the wrong
// type, which throws ERegistryError before anything is deleted. A folder that
// RefusedInstallLocation refuses is left alone, with a trace line that says why.
void RunUninstall(const std::wstring& alias, Platform& platform);

} // namespace zem
