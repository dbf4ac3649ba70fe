#include "platform/win32/Win32Platform.h"

#include "platform/win32/Handle.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <sddl.h>

#include <vector>

namespace zem::win {

std::wstring SystemMessage(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text =
        n ? TrimRight(std::wstring(buffer, n)) : L"Systemfehler " + std::to_wstring(code);
    if (buffer)
        LocalFree(buffer);
    return text;
}

void ThrowLastError(const std::wstring& what) {
    DWORD code = GetLastError();
    throw EInOutError(what + L": " + SystemMessage(code), code);
}

namespace {

// FILETIME counts 100 ns since 1601-01-01; TDateTime counts days since 1899-12-30.
constexpr double FileTimeDaysOffset = 109205.0;
constexpr double TicksPerDay = 864000000000.0;

TDateTime FromFileTime(const FILETIME& ft) {
    ULARGE_INTEGER v{};
    v.LowPart = ft.dwLowDateTime;
    v.HighPart = ft.dwHighDateTime;
    return static_cast<double>(v.QuadPart) / TicksPerDay - FileTimeDaysOffset;
}

FILETIME ToFileTime(TDateTime t) {
    ULARGE_INTEGER v{};
    v.QuadPart = static_cast<ULONGLONG>(ToMilliseconds(t + FileTimeDaysOffset)) * 10000ULL;
    FILETIME ft{v.LowPart, v.HighPart};
    return ft;
}

class Win32File : public IOutputFile {
public:
    Win32File(HANDLE h, std::wstring p) : handle(h), path(std::move(p)) {}
    void Write(const void* data, std::size_t n) override {
        const char* p = static_cast<const char*>(data);
        while (n > 0) {
            DWORD chunk = n > 0x40000000 ? 0x40000000 : static_cast<DWORD>(n), written = 0;
            if (!WriteFile(handle.Get(), p, chunk, &written, nullptr))
                ThrowLastError(L"Die Datei \"" + path + L"\" kann nicht geschrieben werden");
            p += written;
            n -= written;
        }
    }
    void Flush() override {
        if (!FlushFileBuffers(handle.Get()))
            ThrowLastError(L"Die Datei \"" + path + L"\" kann nicht gespeichert werden");
    }
    void Close() override {
        if (!CloseHandle(handle.Release()))
            ThrowLastError(L"Die Datei \"" + path + L"\" kann nicht geschlossen werden");
    }

private:
    ScopedKernelHandle handle;
    std::wstring path;
};

ScopedKernelHandle OpenForAttributes(const std::wstring& path, DWORD access) {
    return ScopedKernelHandle(
        CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

class Win32Key : public IRegistryKey {
public:
    explicit Win32Key(HKEY h) : key(h) {}
    std::optional<std::wstring> ReadString(const std::wstring& name) override {
        DWORD type = 0, size = 0;
        LONG rc = RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type, nullptr, &size);
        if (rc != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            throw ERegistryError(L"Ungültiger Datentyp für '" + name + L"'");
        std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
        DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        if (RegQueryValueExW(key.Get(), name.c_str(), nullptr, &type,
                             reinterpret_cast<BYTE*>(buffer.data()), &bytes) != ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(buffer.data());
    }

private:
    ScopedKey key;
};

} // namespace

// --- files ---

bool Win32FileSystem::FileExists(const std::wstring& path) {
    DWORD attr = GetFileAttributesW(path.c_str());
    if (attr == INVALID_FILE_ATTRIBUTES || (attr & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (!(attr & FILE_ATTRIBUTE_REPARSE_POINT))
        return true;
    // A link counts when its target is a file.
    ScopedKernelHandle h = OpenForAttributes(path, FILE_READ_ATTRIBUTES);
    BY_HANDLE_FILE_INFORMATION info{};
    return h && GetFileInformationByHandle(h.Get(), &info) &&
           !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::DirectoryExists(const std::wstring& path) {
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && (attr & FILE_ATTRIBUTE_DIRECTORY);
}

bool Win32FileSystem::ForceDirectories(const std::wstring& path) {
    std::wstring p = path;
    while (p.size() > 1 && p.back() == L'\\')
        p.pop_back();
    if (p.empty())
        return false;
    if (DirectoryExists(p))
        return true;
    std::wstring parent = ExtractFilePath(p);
    if (!parent.empty() && parent.size() < p.size()) {
        parent.pop_back();
        if (!parent.empty() && parent.back() != L':')
            ForceDirectories(parent);
    }
    return CreateDirectoryW(p.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool Win32FileSystem::RenameFile(const std::wstring& from, const std::wstring& to) {
    return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

bool Win32FileSystem::ClearReadOnly(const std::wstring& path) {
    DWORD attr = GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES &&
           (!(attr & FILE_ATTRIBUTE_READONLY) ||
            SetFileAttributesW(path.c_str(), attr & ~FILE_ATTRIBUTE_READONLY));
}

bool Win32FileSystem::RemoveFile(const std::wstring& path) {
    return DeleteFileW(path.c_str()) != 0;
}

std::unique_ptr<IOutputFile> Win32FileSystem::CreateOutputFile(const std::wstring& path) {
    HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        ThrowLastError(L"Die Datei \"" + path + L"\" kann nicht angelegt werden");
    return std::make_unique<Win32File>(h, path);
}

TDateTime Win32FileSystem::GetCreationTime(const std::wstring& path) {
    ScopedKernelHandle h = OpenForAttributes(path, FILE_READ_ATTRIBUTES);
    FILETIME created{}, local{};
    if (!h || !GetFileTime(h.Get(), &created, nullptr, nullptr) ||
        !FileTimeToLocalFileTime(&created, &local))
        ThrowLastError(L"Die Dateizeit von \"" + path + L"\" kann nicht gelesen werden");
    return FromFileTime(local);
}

void Win32FileSystem::SetCreationTime(const std::wstring& path, TDateTime localTime) {
    FILETIME local = ToFileTime(localTime), utc{};
    ScopedKernelHandle h = OpenForAttributes(path, FILE_WRITE_ATTRIBUTES);
    if (!h || !LocalFileTimeToFileTime(&local, &utc) ||
        !SetFileTime(h.Get(), &utc, nullptr, nullptr))
        ThrowLastError(L"Die Dateizeit von \"" + path + L"\" kann nicht gesetzt werden");
}

void Win32FileSystem::SetCurrentDir(const std::wstring& path) {
    if (!SetCurrentDirectoryW(path.c_str())) {
        DWORD code = GetLastError();
        throw EInOutError(SystemMessage(code), code);
    }
}

std::vector<std::wstring> Win32FileSystem::FindPlainFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data{};
    ScopedFindHandle find(FindFirstFileW((folder + L"\\*.*").c_str(), &data));
    if (!find)
        return names;
    constexpr DWORD excluded =
        FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    do {
        if (!(data.dwFileAttributes & excluded))
            names.emplace_back(data.cFileName);
    } while (FindNextFileW(find.Get(), &data));
    return names;
}

bool Win32FileSystem::RemoveDir(const std::wstring& path) {
    return RemoveDirectoryW(path.c_str()) != 0;
}

std::vector<std::wstring> Win32FileSystem::SystemFolders() {
    std::vector<std::wstring> folders;
    wchar_t buffer[MAX_PATH];
    for (auto get : {GetWindowsDirectoryW, GetSystemDirectoryW, GetSystemWow64DirectoryW}) {
        UINT n = get(buffer, MAX_PATH);
        if (n > 0 && n < MAX_PATH)
            folders.emplace_back(buffer, n);
    }
    return folders;
}

std::wstring Win32FileSystem::ReadProfileString(const std::wstring& path,
                                                const std::wstring& section,
                                                const std::wstring& key, const std::wstring& def) {
    wchar_t buffer[2048];
    GetPrivateProfileStringW(section.c_str(), key.c_str(), def.c_str(), buffer, 2048, path.c_str());
    return buffer;
}

// --- registry ---

std::unique_ptr<IRegistryKey> Win32Registry::CreateKey(const std::wstring& path) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0,
                        KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return nullptr;
    return std::make_unique<Win32Key>(key);
}

bool Win32Registry::DeleteKeyTree(const std::wstring& path) {
    // RegDeleteKeyW would look in the 64-bit view; open the parent in the 32-bit view and
    // delete the tree below it.
    std::size_t slash = path.find_last_of(L'\\');
    std::wstring parent = slash == std::wstring::npos ? L"" : path.substr(0, slash);
    std::wstring name = slash == std::wstring::npos ? path : path.substr(slash + 1);
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, parent.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                      key.Receive()) != ERROR_SUCCESS)
        return false;
    return RegDeleteTreeW(key.Get(), name.c_str()) == ERROR_SUCCESS;
}

// --- windows, processes, trace, clock ---

std::uintptr_t Win32Windows::FindWindowByTitle(const std::wstring& title) {
    return reinterpret_cast<std::uintptr_t>(FindWindowW(nullptr, title.c_str()));
}

void Win32Windows::PostMessageTo(std::uintptr_t window, unsigned message) {
    PostMessageW(reinterpret_cast<HWND>(window), message, 0, 0);
}

void Win32Windows::Sleep(unsigned milliseconds) {
    ::Sleep(milliseconds);
}

bool Win32ProcessStarter::StartProcess(const std::wstring& commandLine,
                                       const std::wstring& folder) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION pi{};
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE,
                        CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS | CREATE_NEW_CONSOLE,
                        nullptr, folder.empty() ? nullptr : folder.c_str(), &si, &pi))
        return false;
    // The program does not wait for the started process: its handles are closed here.
    ScopedKernelHandle process(pi.hProcess), thread(pi.hThread);
    return true;
}

namespace {
class Win32Mutex : public IProcessLock {
public:
    explicit Win32Mutex(HANDLE h) : mutex(h) {}
    ~Win32Mutex() override {
        if (held)
            ReleaseMutex(mutex.Get());
    }
    bool Acquire(unsigned waitMs) override {
        if (!held) {
            // WAIT_ABANDONED: the holder died; its leftovers are repaired entry by entry.
            DWORD rc = WaitForSingleObject(mutex.Get(), waitMs);
            held = rc == WAIT_OBJECT_0 || rc == WAIT_ABANDONED;
        }
        return held;
    }

private:
    ScopedKernelHandle mutex;
    bool held = false;
};
} // namespace

std::unique_ptr<IProcessLock> Win32ProcessLocks::Open(const std::wstring& name) {
    // Users of one desk share a program folder: whoever makes the mutex first, every
    // signed-in user may wait for it and release it (SYNCHRONIZE | MUTEX_MODIFY_STATE).
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(
        L"D:(A;;0x00100001;;;AU)(A;;GA;;;SY)(A;;GA;;;BA)", SDDL_REVISION_1, &descriptor, nullptr);
    SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
    HANDLE h = CreateMutexExW(descriptor ? &attributes : nullptr, name.c_str(), 0,
                              SYNCHRONIZE | MUTEX_MODIFY_STATE);
    if (descriptor)
        LocalFree(descriptor);
    if (h == nullptr) // a name that is too long, or a mutex made without that access
        return nullptr;
    return std::make_unique<Win32Mutex>(h);
}

void Win32DebugOutput::Output(const std::wstring& line) {
    OutputDebugStringW(line.c_str());
}

TDateTime Win32Clock::Now() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return EncodeDateTime(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond,
                          t.wMilliseconds);
}

static wchar_t LocaleChar(LCTYPE type, wchar_t fallback) {
    wchar_t text[8] = {};
    return GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, type, text, 8) > 1 ? text[0] : fallback;
}

wchar_t Win32Clock::DecimalSeparator() {
    return LocaleChar(LOCALE_SDECIMAL, L'.');
}

wchar_t Win32Clock::TimeSeparator() {
    return LocaleChar(LOCALE_STIME, L':');
}

} // namespace zem::win
