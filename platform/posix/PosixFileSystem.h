#pragma once
// The file-system interface on a POSIX system, for native tests and tools. Paths use '\' as
// on Windows and are translated. Linux cannot set a file's creation time, so the
// modification time stands in for it.
#include "platform/Platform.h"

namespace zem {

class PosixFileSystem : public IFileSystem {
public:
    bool FileExists(const std::wstring& path) override;
    bool DirectoryExists(const std::wstring& path) override;
    bool ForceDirectories(const std::wstring& path) override;
    bool RenameFile(const std::wstring& from, const std::wstring& to) override;
    bool RemoveFile(const std::wstring& path) override;
    bool ClearReadOnly(const std::wstring& path) override;
    std::unique_ptr<IOutputFile> CreateOutputFile(const std::wstring& path) override;
    TDateTime GetCreationTime(const std::wstring& path) override;
    void SetCreationTime(const std::wstring& path, TDateTime localTime) override;
    void SetCurrentDir(const std::wstring& path) override;
    std::vector<std::wstring> FindPlainFiles(const std::wstring& folder) override;
    bool RemoveDir(const std::wstring& path) override;
    std::vector<std::wstring> SystemFolders() override { return {}; }
    std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& def) override;
};

// Locks as files under the temporary folder, held with flock().
class PosixProcessLocks : public IProcessLocks {
public:
    std::unique_ptr<IProcessLock> Open(const std::wstring& name) override;
};

std::string ToPosixPath(const std::wstring& path);

} // namespace zem
