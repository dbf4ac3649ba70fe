#include "tests/support/Doubles.h"

#include "app/StartWindow.h"
#include "update/UpdateRun.h"
#include "util/PathText.h"
#include "util/ProfileText.h"

#include <algorithm>
#include <cstring>
#include <random>

namespace zem::test {

Bytes ToBytes(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

Bytes RandomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    Bytes out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(gen());
    return out;
}

// --- files ---

static constexpr std::wstring_view LongPrefix = L"\\\\?\\";

static std::wstring UpperKey(const std::wstring& path) {
    return UpperCaseAscii(path.starts_with(LongPrefix) ? path.substr(LongPrefix.size()) : path);
}

// Win32 without the long-path form refuses paths of 260 characters or more.
static bool TooLong(const std::wstring& path) {
    return path.size() >= 260 && !path.starts_with(LongPrefix);
}

static std::wstring ParentOf(const std::wstring& path) {
    std::wstring p = ExtractFilePath(path);
    if (!p.empty())
        p.pop_back();
    return p;
}

void FakeFileSystem::AddFile(const std::wstring& path, const Bytes& content, TDateTime created) {
    AddFolder(ParentOf(path));
    files[UpperKey(path)] = FakeFile{content, created};
    names[UpperKey(path)] = path;
}

void FakeFileSystem::AddFolder(const std::wstring& path) {
    std::wstring p = path;
    while (!p.empty() && !folders.count(UpperKey(p))) {
        folders.insert(UpperKey(p));
        p = ParentOf(p);
    }
}

FakeFile* FakeFileSystem::Find(const std::wstring& path) {
    auto it = files.find(UpperKey(path));
    return it == files.end() || TooLong(path) ? nullptr : &it->second;
}

std::vector<std::wstring> FakeFileSystem::FilesUnder(const std::wstring& prefix) const {
    std::vector<std::wstring> out;
    for (const auto& [key, name] : names)
        if (files.count(key) && key.rfind(UpperKey(prefix), 0) == 0)
            out.push_back(name);
    return out;
}

bool FakeFileSystem::Mutate(const std::wstring& op) {
    log.push_back(op);
    ++mutations;
    return crashAt == 0 || mutations < crashAt;
}

bool FakeFileSystem::FileExists(const std::wstring& path) {
    return Find(path) != nullptr;
}

bool FakeFileSystem::DirectoryExists(const std::wstring& path) {
    return folders.count(UpperKey(path)) > 0;
}

bool FakeFileSystem::ForceDirectories(const std::wstring& path) {
    if (!Mutate(L"mkdir " + path) || path.empty() || uncreatableFolders.count(UpperKey(path)))
        return false;
    AddFolder(path);
    return true;
}

bool FakeFileSystem::RenameFile(const std::wstring& from, const std::wstring& to) {
    if (!Mutate(L"rename " + from + L" -> " + to) || TooLong(from) || TooLong(to))
        return false;
    auto it = files.find(UpperKey(from));
    if (it == files.end() || files.count(UpperKey(to)) || lockedPaths.count(UpperKey(from)))
        return false;
    files[UpperKey(to)] = it->second;
    names[UpperKey(to)] = to;
    files.erase(it);
    names.erase(UpperKey(from));
    return true;
}

bool FakeFileSystem::RemoveFile(const std::wstring& path) {
    if (!Mutate(L"delete " + path))
        return false;
    FakeFile* f = Find(path);
    if (f == nullptr || f->readOnly || lockedPaths.count(UpperKey(path)))
        return false;
    files.erase(UpperKey(path));
    names.erase(UpperKey(path));
    return true;
}

bool FakeFileSystem::ClearReadOnly(const std::wstring& path) {
    if (!Mutate(L"attrib " + path))
        return false;
    FakeFile* f = Find(path);
    if (f == nullptr)
        return false;
    f->readOnly = false;
    return true;
}

namespace {
class FakeOutputFile : public IOutputFile {
public:
    FakeOutputFile(FakeFileSystem& fs, std::wstring key) : fs(fs), key(std::move(key)) {}
    ~FakeOutputFile() override { fs.openForWriting.erase(key); }
    void Write(const void* data, std::size_t n) override {
        if (!fs.Mutate(L"write " + key))
            throw EInOutError(L"Schreiben fehlgeschlagen", 5);
        FakeFile& f = fs.files.at(key);
        if (fs.failWritesAfter >= 0 && f.content.size() + n > std::size_t(fs.failWritesAfter))
            throw EInOutError(L"Es ist nicht genügend Speicherplatz auf dem Datenträger verfügbar",
                              112);
        const auto* p = static_cast<const std::uint8_t*>(data);
        f.content.insert(f.content.end(), p, p + n);
    }
    void Flush() override {
        if (!fs.Mutate(L"flush " + key))
            throw EInOutError(L"Speichern fehlgeschlagen", 5);
    }
    void Close() override {
        fs.openForWriting.erase(key);
        if (!fs.Mutate(L"close " + key))
            throw EInOutError(L"Schließen fehlgeschlagen", 5);
    }

private:
    FakeFileSystem& fs;
    std::wstring key;
};
} // namespace

std::unique_ptr<IOutputFile> FakeFileSystem::CreateOutputFile(const std::wstring& path) {
    if (!Mutate(L"create " + path) || TooLong(path) || !DirectoryExists(ParentOf(path)) ||
        lockedPaths.count(UpperKey(path)) || (Find(path) && Find(path)->readOnly))
        throw EInOutError(L"Datei kann nicht angelegt werden: " + path, 5);
    files[UpperKey(path)] = FakeFile{};
    names[UpperKey(path)] = path;
    openForWriting.insert(UpperKey(path));
    return std::make_unique<FakeOutputFile>(*this, UpperKey(path));
}

TDateTime FakeFileSystem::GetCreationTime(const std::wstring& path) {
    FakeFile* f = Find(path);
    if (f == nullptr || path.size() >= 260)
        throw EInOutError(L"Dateizeit kann nicht gelesen werden: " + path, 3);
    return f->created;
}

void FakeFileSystem::SetCreationTime(const std::wstring& path, TDateTime localTime) {
    FakeFile* f = Find(path);
    if (!Mutate(L"stamp " + path) || f == nullptr || path.size() >= 260)
        throw EInOutError(L"Dateizeit kann nicht gesetzt werden: " + path, 3);
    f->created = localTime;
}

void FakeFileSystem::SetCurrentDir(const std::wstring& path) {
    std::wstring p = path;
    if (p.size() > 1 && p.back() == L'\\')
        p.pop_back();
    if (p != L"\\" && !DirectoryExists(p))
        throw EInOutError(L"Das System kann den angegebenen Pfad nicht finden", 3);
    currentDir = path;
}

std::vector<std::wstring> FakeFileSystem::FindPlainFiles(const std::wstring& folder) {
    std::vector<std::wstring> out;
    std::wstring prefix = UpperKey(folder) + L"\\";
    for (const auto& [key, file] : files)
        if (key.rfind(prefix, 0) == 0 && key.find(L'\\', prefix.size()) == std::wstring::npos &&
            !file.hidden)
            out.push_back(ExtractFileName(names[key]));
    return out;
}

bool FakeFileSystem::RemoveDir(const std::wstring& path) {
    if (!Mutate(L"rmdir " + path))
        return false;
    std::wstring prefix = UpperKey(path) + L"\\";
    for (const auto& [key, file] : files)
        if (key.rfind(prefix, 0) == 0)
            return false;
    for (const auto& f : folders)
        if (f.rfind(prefix, 0) == 0)
            return false;
    return folders.erase(UpperKey(path)) > 0;
}

std::wstring FakeFileSystem::ReadProfileString(const std::wstring& path,
                                               const std::wstring& section, const std::wstring& key,
                                               const std::wstring& def) {
    FakeFile* f = Find(path);
    std::string bytes = f ? std::string(f->content.begin(), f->content.end()) : std::string();
    return ProfileLookup(DecodeProfileBytes(bytes), section, key, def);
}

// --- registry ---

namespace {
class FakeKey : public IRegistryKey {
public:
    explicit FakeKey(FakeRegistry::Key& k) : key(k) {}
    std::optional<std::wstring> ReadString(const std::wstring& name) override {
        auto it = key.values.find(UpperKey(name));
        if (it == key.values.end())
            return std::nullopt;
        if (!it->second.isString)
            throw ERegistryError(L"Invalid data type for '" + name + L"'");
        return it->second.text;
    }
    FakeRegistry::Key& key;
};
} // namespace

std::unique_ptr<IRegistryKey> FakeRegistry::CreateKey(const std::wstring& path) {
    if (failOpen)
        return nullptr;
    return std::make_unique<FakeKey>(keys[UpperKey(path)]);
}

bool FakeRegistry::DeleteKeyTree(const std::wstring& path) {
    std::wstring k = UpperKey(path);
    bool found = false;
    for (auto it = keys.begin(); it != keys.end();) {
        if (it->first == k || it->first.rfind(k + L"\\", 0) == 0) {
            it = keys.erase(it);
            found = true;
        } else {
            ++it;
        }
    }
    return found;
}

// --- windows, processes ---

std::uintptr_t FakeWindows::FindWindowByTitle(const std::wstring& title) {
    auto it = windows.find(title);
    return it == windows.end() ? 0 : std::uintptr_t(std::distance(windows.begin(), it) + 1);
}

void FakeWindows::PostMessageTo(std::uintptr_t window, unsigned message) {
    auto it = std::next(windows.begin(), static_cast<long>(window - 1));
    posted.emplace_back(it->first, message);
    if (it->second >= 0 && it->second-- == 0)
        windows.erase(it);
}

void FakeWindows::Sleep(unsigned milliseconds) {
    sleptMs += milliseconds;
    if (onSleep)
        onSleep(milliseconds);
}

namespace {
class FakeLock : public IProcessLock {
public:
    FakeLock(FakeProcessLocks& locks, std::wstring name) : locks(locks), name(std::move(name)) {}
    ~FakeLock() override {
        if (held)
            locks.held.erase(name);
    }
    bool Acquire(unsigned) override {
        if (!held && !locks.heldElsewhere.count(name) && !locks.held.count(name)) {
            locks.held.insert(name);
            held = true;
        }
        return held;
    }

private:
    FakeProcessLocks& locks;
    std::wstring name;
    bool held = false;
};
} // namespace

std::unique_ptr<IProcessLock> FakeProcessLocks::Open(const std::wstring& name) {
    opened.push_back(name);
    if (unavailable)
        return nullptr;
    return std::make_unique<FakeLock>(*this, name);
}

bool FakeProcessStarter::StartProcess(const std::wstring& commandLine, const std::wstring& folder) {
    if (fail)
        return false;
    started.emplace_back(commandLine, folder);
    return true;
}

// --- view ---

std::wstring FakeView::Caption(LabelId label) const {
    auto it = captions.find(label);
    return it == captions.end() ? std::wstring() : it->second;
}

void FakeView::ShowAlert(const std::wstring& caption, const std::wstring& text, int) {
    alerts.emplace_back(caption, text);
    ++openAlerts;
}

void FakeView::Deliver(const Message& m) {
    if (m.number == Quit)
        terminated = true;
    else if (m.number == 0)
        keyPress(m.key);
    else {
        ++handled;
        dispatch(m.number);
    }
}

void FakeView::ProcessMessages() {
    ++pumps;
    if (onProcessMessages)
        onProcessMessages(pumps);
    while (!queue.empty()) {
        Message m = queue.front();
        queue.pop_front();
        Deliver(m);
    }
}

void FakeView::RunLoop() {
    while (!terminated && !queue.empty()) {
        Message m = queue.front();
        queue.pop_front();
        Deliver(m);
    }
}

void RunStartWindow(TfrmMainUpdate& window, FakeView& view) {
    view.dispatch = [&window](unsigned m) { window.Dispatch(m); };
    view.keyPress = [&window](wchar_t k) { window.FormKeyPress(k); };
    window.Create();
    window.FormShow();
    view.RunLoop();
}

// --- database ---

void FakeDatabase::AddFile(std::int64_t id, const std::wstring& name, const Bytes& plain,
                           TDateTime date, std::int64_t exec) {
    entries.push_back(Entry{id, name, 0x20, exec, date, Compress(plain)});
}

void FakeDatabase::AddFolder(std::int64_t id, const std::wstring& name) {
    entries.push_back(Entry{id, name, 0x10, 0, 0, {}});
}

namespace {

struct FakeCell {
    bool isNull = false;
    std::wstring text;
    TDateTime date = 0;
};
using FakeRow = std::map<std::wstring, FakeCell>; // upper-cased column

class FakeLob : public TLOBLocator {
public:
    FakeLob(const Bytes& c, std::int64_t size, int failAfter, std::exception_ptr failure)
        : content(c), size(size), failAfter(failAfter), failure(failure) {}
    std::int64_t Size() override { return size; }
    std::size_t Read(void* buffer, std::size_t n) override {
        if (failure)
            std::rethrow_exception(failure);
        if (failAfter >= 0 && reads++ == failAfter)
            throw EOracleError(L"ORA-03113: end-of-file on communication channel", 3113);
        n = std::min(n, content.size() - pos);
        if (n > 0)
            std::memcpy(buffer, content.data() + pos, n);
        pos += n;
        return n;
    }

private:
    const Bytes& content;
    std::int64_t size;
    int failAfter;
    std::exception_ptr failure;
    int reads = 0;
    std::size_t pos = 0;
};

class FakeQuery : public TOracleQuery {
public:
    explicit FakeQuery(FakeDatabase& db) : db(db) {}
    void Execute() override {
        db.executed.push_back(SQL);
        rows.clear();
        index = 0;
        lob.reset();
        if (SQL == CatalogueQuery) {
            std::vector<FakeDatabase::Entry> sorted = db.entries;
            std::sort(sorted.begin(), sorted.end(),
                      [](const auto& a, const auto& b) { return a.cfid < b.cfid; });
            for (const auto& e : sorted)
                rows.push_back({{L"CFID", {false, std::to_wstring(e.cfid)}},
                                {L"CFNAME", {false, e.cfname}},
                                {L"CFATTR", {false, std::to_wstring(e.cfattr)}},
                                {L"CFEXEC", {false, std::to_wstring(e.cfexec)}},
                                {L"CFDATE", {false, L"", e.cfdate}}});
        } else if (SQL == L"Select MandantName From zemconfig") {
            if (db.tenantTableMissing)
                throw EOracleError(L"ORA-00942: table or view does not exist", 942);
            for (const auto& t : db.tenants)
                rows.push_back({{L"MANDANTNAME", {!t.has_value(), t.value_or(L"")}}});
        } else if (SQL.rfind(L"select CFFILE from ZEMFILES where cfid = ", 0) == 0) {
            std::int64_t id = std::stoll(SQL.substr(41));
            for (const auto& e : db.entries)
                if (e.cfid == id)
                    blobId = id, rows.push_back({{L"CFFILE", {}}});
        } else {
            throw EOracleError(L"ORA-00900: invalid SQL statement", 900);
        }
    }
    bool Eof() const override { return index >= rows.size(); }
    void Next() override { ++index; }
    bool FieldIsNull(std::wstring_view c) override { return Cell(c).isNull; }
    std::wstring FieldAsString(std::wstring_view c) override { return Cell(c).text; }
    std::int64_t FieldAsInteger(std::wstring_view c) override { return std::stoll(Cell(c).text); }
    TDateTime FieldAsDate(std::wstring_view c) override { return Cell(c).date; }
    TLOBLocator& LOBField(std::wstring_view c) override {
        Cell(c);
        for (const auto& e : db.entries)
            if (e.cfid == blobId) {
                auto size = db.declaredSize.count(blobId) ? db.declaredSize[blobId]
                                                          : std::int64_t(e.content.size());
                auto fail = db.failAfterChunks.count(blobId) ? db.failAfterChunks[blobId] : -1;
                lob = std::make_unique<FakeLob>(e.content, size, fail,
                                                db.failOnRead.count(blobId) ? db.failOnRead[blobId]
                                                                            : nullptr);
            }
        return *lob;
    }

private:
    const FakeCell& Cell(std::wstring_view column) {
        if (Eof())
            throw EOracleError(L"ORA-01002: fetch out of sequence", 1002);
        auto it = rows[index].find(UpperCaseAscii(column));
        if (it == rows[index].end())
            throw EOracleError(L"Field " + std::wstring(column) + L" does not exist", 0);
        return it->second;
    }
    FakeDatabase& db;
    std::vector<FakeRow> rows;
    std::size_t index = 0;
    std::int64_t blobId = 0;
    std::unique_ptr<FakeLob> lob;
};

} // namespace

void FakeSession::SetConnected(bool value) {
    if (!value) {
        connected = false;
        return;
    }
    db.user = LogonUsername;
    db.password = LogonPassword;
    db.database = LogonDatabase;
    if (db.clientMissing)
        throw EDatabaseClientError(L"Der Oracle-Client kann nicht geladen werden");
    if (db.logonError != 0)
        throw EOracleError(L"ORA-" + std::to_wstring(db.logonError), db.logonError);
    connected = true;
}

std::unique_ptr<TOracleQuery> FakeSession::NewQuery() {
    return std::make_unique<FakeQuery>(db);
}

} // namespace zem::test
