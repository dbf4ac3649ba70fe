#include "platform/posix/PosixFileSystem.h"

#include "util/Errors.h"
#include "util/PathText.h"
#include "util/ProfileText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zem {

std::string ToPosixPath(const std::wstring& path) {
    std::string p = ToUtf8(path);
    for (char& c : p)
        if (c == '\\')
            c = '/';
    return p;
}

namespace {

[[noreturn]] void ThrowErrno(const std::wstring& what, const std::wstring& path) {
    int code = errno;
    throw EInOutError(what + L" \"" + path + L"\": " + FromUtf8(std::strerror(code)),
                      static_cast<std::uint32_t>(code));
}

class PosixFile : public IOutputFile {
public:
    PosixFile(int f, std::wstring p) : fd(f), path(std::move(p)) {}
    ~PosixFile() override {
        if (fd >= 0)
            ::close(fd);
    }
    void Write(const void* data, std::size_t n) override {
        const char* p = static_cast<const char*>(data);
        while (n > 0) {
            ssize_t written = ::write(fd, p, n);
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                ThrowErrno(L"Schreiben fehlgeschlagen:", path);
            }
            p += written;
            n -= static_cast<std::size_t>(written);
        }
    }
    void Flush() override {
        if (::fsync(fd) != 0)
            ThrowErrno(L"Speichern fehlgeschlagen:", path);
    }
    void Close() override {
        int f = fd;
        fd = -1;
        if (::close(f) != 0)
            ThrowErrno(L"Schließen fehlgeschlagen:", path);
    }

private:
    int fd;
    std::wstring path;
};

// Local wall-clock time <-> seconds since 1970, at the UTC offset in force now.
long CurrentUtcOffsetSeconds() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return local.tm_gmtoff;
}

constexpr double UnixEpochDays = 25569.0;

} // namespace

bool PosixFileSystem::FileExists(const std::wstring& path) {
    struct stat st {};
    return ::stat(ToPosixPath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool PosixFileSystem::DirectoryExists(const std::wstring& path) {
    struct stat st {};
    return ::stat(ToPosixPath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::ForceDirectories(const std::wstring& path) {
    std::string p = ToPosixPath(path);
    if (p.empty())
        return false;
    for (std::size_t i = 1; i <= p.size(); ++i) {
        if (i == p.size() || p[i] == '/') {
            std::string part = p.substr(0, i);
            if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST)
                return false;
        }
    }
    return DirectoryExists(path);
}

bool PosixFileSystem::RenameFile(const std::wstring& from, const std::wstring& to) {
    // renameat2(RENAME_NOREPLACE) is not everywhere; link+unlink gives the same refusal.
    std::string f = ToPosixPath(from), t = ToPosixPath(to);
    if (::link(f.c_str(), t.c_str()) != 0)
        return false;
    return ::unlink(f.c_str()) == 0;
}

bool PosixFileSystem::RemoveFile(const std::wstring& path) {
    return !DirectoryExists(path) && ::unlink(ToPosixPath(path).c_str()) == 0;
}

bool PosixFileSystem::ClearReadOnly(const std::wstring& path) {
    struct stat st {};
    std::string p = ToPosixPath(path);
    return ::stat(p.c_str(), &st) == 0 && ::chmod(p.c_str(), st.st_mode | S_IWUSR) == 0;
}

std::unique_ptr<IOutputFile> PosixFileSystem::CreateOutputFile(const std::wstring& path) {
    int fd = ::open(ToPosixPath(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        ThrowErrno(L"Datei kann nicht angelegt werden:", path);
    return std::make_unique<PosixFile>(fd, path);
}

TDateTime PosixFileSystem::GetCreationTime(const std::wstring& path) {
    struct stat st {};
    if (::stat(ToPosixPath(path).c_str(), &st) != 0)
        ThrowErrno(L"Dateizeit kann nicht gelesen werden:", path);
    double seconds = static_cast<double>(st.st_mtim.tv_sec + CurrentUtcOffsetSeconds()) +
                     st.st_mtim.tv_nsec / 1e9;
    return UnixEpochDays + seconds / 86400.0;
}

void PosixFileSystem::SetCreationTime(const std::wstring& path, TDateTime localTime) {
    std::int64_t ms = ToMilliseconds(localTime) -
                      static_cast<std::int64_t>(UnixEpochDays * 86400000) -
                      CurrentUtcOffsetSeconds() * 1000LL;
    struct timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(ms >= 0 ? ms / 1000 : -((-ms + 999) / 1000));
    times[1].tv_nsec = static_cast<long>((ms - times[1].tv_sec * 1000LL) * 1000000);
    if (::utimensat(AT_FDCWD, ToPosixPath(path).c_str(), times, 0) != 0)
        ThrowErrno(L"Dateizeit kann nicht gesetzt werden:", path);
}

void PosixFileSystem::SetCurrentDir(const std::wstring& path) {
    if (::chdir(ToPosixPath(path).c_str()) != 0)
        ThrowErrno(L"Ordner kann nicht gewechselt werden:", path);
}

std::vector<std::wstring> PosixFileSystem::FindPlainFiles(const std::wstring& folder) {
    std::vector<std::wstring> names;
    std::string p = ToPosixPath(folder);
    DIR* dir = ::opendir(p.c_str());
    if (dir == nullptr)
        return names;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        struct stat st {};
        // Dot files stand in for hidden ones.
        if (name.empty() || name[0] == '.' || ::stat((p + "/" + name).c_str(), &st) != 0 ||
            !S_ISREG(st.st_mode))
            continue;
        names.push_back(FromUtf8(name));
    }
    ::closedir(dir);
    return names;
}

bool PosixFileSystem::RemoveDir(const std::wstring& path) {
    return ::rmdir(ToPosixPath(path).c_str()) == 0;
}

namespace {
class PosixLock : public IProcessLock {
public:
    explicit PosixLock(int f) : fd(f) {}
    ~PosixLock() override { ::close(fd); } // also releases the lock
    bool Acquire(unsigned waitMs) override {
        for (unsigned waited = 0;; waited += 10) {
            if (::flock(fd, LOCK_EX | LOCK_NB) == 0)
                return true;
            if (waited >= waitMs)
                return false;
            ::usleep(10000);
        }
    }

private:
    int fd;
};
} // namespace

std::unique_ptr<IProcessLock> PosixProcessLocks::Open(const std::wstring& name) {
    std::string file = "/tmp/zem-lock-" + std::to_string(std::hash<std::wstring>{}(name));
    int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return nullptr;
    return std::make_unique<PosixLock>(fd);
}

std::wstring PosixFileSystem::ReadProfileString(const std::wstring& path,
                                                const std::wstring& section,
                                                const std::wstring& key, const std::wstring& def) {
    std::ifstream in(ToPosixPath(path), std::ios::binary);
    if (!in)
        return ProfileLookup(L"", section, key, def);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return ProfileLookup(DecodeProfileBytes(bytes.str()), section, key, def);
}

} // namespace zem
