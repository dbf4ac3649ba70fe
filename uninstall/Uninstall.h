#pragma once
// Removal of one installation: its uninstall entry and the plain files of its folder.
#include "app/CommandLine.h"
#include "platform/Platform.h"

namespace zem {

// Registry key of the installation whose database alias is given.
std::wstring UninstallKey(const std::wstring& alias);

// Reads the folder from the entry named by parameter 2, deletes the entry, then deletes the
// folder's plain files and the folder. Failures are silent, except a value of the wrong
// type, which throws ERegistryError before anything is deleted. Without a folder no file
// is touched.
void RunUninstall(const CommandLine& commandLine, Platform& platform);

} // namespace zem
