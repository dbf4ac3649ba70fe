#pragma once
// The small interfaces through which the program's logic reaches the operating system.
// Win32 implementations live in platform/win32, native ones (for tests and tools) in
// platform/posix; tests replace them with in-memory doubles.
#include "util/DateTime.h"
#include "util/Stream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zem {

class IOutputFile : public IOutputStream {
public:
    // Writes the file's data through to the disk (FlushFileBuffers); throws EInOutError.
    virtual void Flush() = 0;
    // Closes the file; throws EInOutError when buffered data cannot be written.
    virtual void Close() = 0;
};

class IFileSystem {
public:
    virtual ~IFileSystem() = default;
    // True when a file (not a folder) exists at the path, links followed.
    virtual bool FileExists(const std::wstring& path) = 0;
    virtual bool DirectoryExists(const std::wstring& path) = 0;
    // Creates the folder with all missing parents; false when that fails.
    virtual bool ForceDirectories(const std::wstring& path) = 0;
    // Renames without replacing an existing target, asking the system to write it through
    // (MOVEFILE_WRITE_THROUGH). False on failure.
    virtual bool RenameFile(const std::wstring& from, const std::wstring& to) = 0;
    virtual bool RemoveFile(const std::wstring& path) = 0;
    // Clears the read-only attribute, so that the file can be deleted; false on failure.
    virtual bool ClearReadOnly(const std::wstring& path) = 0;
    // Creates the file empty (or truncates it) for writing, not shared. Throws EInOutError.
    virtual std::unique_ptr<IOutputFile> CreateOutputFile(const std::wstring& path) = 0;
    // Creation time as local time, converted at the current UTC offset. Throws EInOutError.
    virtual TDateTime GetCreationTime(const std::wstring& path) = 0;
    virtual void SetCreationTime(const std::wstring& path, TDateTime localTime) = 0;
    // Makes the folder the current folder. Throws EInOutError with the system error code.
    virtual void SetCurrentDir(const std::wstring& path) = 0;
    // Names of the entries directly in the folder that are neither folders nor hidden nor
    // system files, in the order of the search.
    virtual std::vector<std::wstring> FindPlainFiles(const std::wstring& folder) = 0;
    virtual bool RemoveDir(const std::wstring& path) = 0;
    // The Windows folder and the system folders, whose files are never to be removed.
    virtual std::vector<std::wstring> SystemFolders() = 0;
    // A value of a profile (INI) file, or the default when the key is missing.
    virtual std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section,
                                           const std::wstring& key, const std::wstring& def) = 0;
};

class IRegistryKey {
public:
    virtual ~IRegistryKey() = default;
    // A string value (plain or expandable, not expanded); nullopt when the value is missing.
    // Throws ERegistryError when the value has another type.
    virtual std::optional<std::wstring> ReadString(const std::wstring& name) = 0;
};

class IRegistry {
public:
    virtual ~IRegistry() = default;
    // Opens a key under HKEY_LOCAL_MACHINE (32-bit view) with full access, creating it when it
    // is missing; null when that fails.
    virtual std::unique_ptr<IRegistryKey> CreateKey(const std::wstring& path) = 0;
    // Deletes a key under HKEY_LOCAL_MACHINE with all its subkeys; false when that fails.
    virtual bool DeleteKeyTree(const std::wstring& path) = 0;
};

// Top-level windows of other programs, and sleeping.
class IWindows {
public:
    virtual ~IWindows() = default;
    // Handle of a top-level window with exactly this title, 0 when there is none.
    virtual std::uintptr_t FindWindowByTitle(const std::wstring& title) = 0;
    virtual void PostMessageTo(std::uintptr_t window, unsigned message) = 0;
    virtual void Sleep(unsigned milliseconds) = 0;
};

class IProcessStarter {
public:
    virtual ~IProcessStarter() = default;
    // Starts a process from a command line in a folder (empty: inherit); false on failure.
    virtual bool StartProcess(const std::wstring& commandLine, const std::wstring& folder) = 0;
};

// A lock that processes of one desk share by name (a named mutex on Windows).
class IProcessLock {
public:
    virtual ~IProcessLock() = default; // releases the lock when held
    // Waits at most waitMs for the lock; true once held. A lock whose holder died is free.
    virtual bool Acquire(unsigned waitMs) = 0;
};

class IProcessLocks {
public:
    virtual ~IProcessLocks() = default;
    // The lock of this name; null when the system cannot make it.
    virtual std::unique_ptr<IProcessLock> Open(const std::wstring& name) = 0;
};

class IDebugOutput {
public:
    virtual ~IDebugOutput() = default;
    // One trace line, unchanged, to the system's debug-output channel.
    virtual void Output(const std::wstring& line) = 0;
};

class IClock {
public:
    virtual ~IClock() = default;
    virtual TDateTime Now() = 0;
    // The user locale's decimal and time separators.
    virtual wchar_t DecimalSeparator() = 0;
    virtual wchar_t TimeSeparator() = 0;
};

// One trace line to the program's debug channel (the session object's SendDebugStr).
using TraceLine = std::function<void(const std::wstring& line)>;

struct Platform {
    IFileSystem& files;
    IRegistry& registry;
    IWindows& windows;
    IProcessStarter& processes;
    IDebugOutput& debug;
    IClock& clock;
    IProcessLocks& locks;
};

} // namespace zem
