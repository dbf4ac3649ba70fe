#pragma once
// The Win32 implementations of the platform interfaces.
#include "platform/Platform.h"

namespace zem::win {

class Win32FileSystem : public IFileSystem {
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
    std::vector<std::wstring> SystemFolders() override;
    std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& def) override;
};

// HKEY_LOCAL_MACHINE in the 32-bit view, for both builds.
class Win32Registry : public IRegistry {
public:
    std::unique_ptr<IRegistryKey> CreateKey(const std::wstring& path) override;
    bool DeleteKeyTree(const std::wstring& path) override;
};

class Win32Windows : public IWindows {
public:
    std::uintptr_t FindWindowByTitle(const std::wstring& title) override;
    void PostMessageTo(std::uintptr_t window, unsigned message) override;
    void Sleep(unsigned milliseconds) override;
};

class Win32ProcessStarter : public IProcessStarter {
public:
    bool StartProcess(const std::wstring& commandLine, const std::wstring& folder) override;
};

// Named mutexes.
class Win32ProcessLocks : public IProcessLocks {
public:
    std::unique_ptr<IProcessLock> Open(const std::wstring& name) override;
};

class Win32DebugOutput : public IDebugOutput {
public:
    void Output(const std::wstring& line) override;
};

class Win32Clock : public IClock {
public:
    TDateTime Now() override;
    wchar_t DecimalSeparator() override;
    wchar_t TimeSeparator() override;
};

} // namespace zem::win
