#pragma once
// In-memory doubles of the platform interfaces, the window and the database.
#include "ui/StartWindowView.h"
#include "db/OracleSession.h"
#include "platform/Platform.h"
#include "tools/support/Compression.h"
#include "ui/MessageBoxes.h"
#include "util/Errors.h"

#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace zem {
class TfrmMainUpdate;
}

namespace zem::test {

using Bytes = std::vector<std::uint8_t>;
Bytes ToBytes(const std::string& s);
using support::Compress;
Bytes RandomBytes(std::size_t n, unsigned seed = 1);

struct FakeFile {
    Bytes content;
    TDateTime created = 0;
    bool hidden = false;
    bool readOnly = false;
};

// A file system over maps. Paths are compared as given (case-insensitively, like Windows);
// like Win32 without long-path support, a path of 260 characters or more fails unless it
// has the "\\?\" form.
class FakeFileSystem : public IFileSystem {
public:
    void AddFile(const std::wstring& path, const Bytes& content, TDateTime created = 0);
    void AddFolder(const std::wstring& path);
    FakeFile* Find(const std::wstring& path);
    std::vector<std::wstring> FilesUnder(const std::wstring& prefix) const;

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
    std::vector<std::wstring> SystemFolders() override { return systemFolders; }
    std::wstring ReadProfileString(const std::wstring& path, const std::wstring& section,
                                   const std::wstring& key, const std::wstring& def) override;

    // Counts a mutating call (logged as op); false once the process counts as dead.
    bool Mutate(const std::wstring& op);

    std::map<std::wstring, FakeFile> files;     // keyed by upper-cased path
    std::map<std::wstring, std::wstring> names; // upper-cased path -> path as created
    std::set<std::wstring> folders;             // upper-cased
    std::set<std::wstring> openForWriting;      // upper-cased
    std::wstring currentDir;
    std::vector<std::wstring> log; // operations in order
    // Faults: writes fail once this many bytes have been written to one file (-1: never).
    long long failWritesAfter = -1;
    std::set<std::wstring> lockedPaths;        // upper-cased; create and rename fail
    std::set<std::wstring> uncreatableFolders; // upper-cased
    std::vector<std::wstring> systemFolders = {L"C:\\Windows", L"C:\\Windows\\system32"};
    // A crash: from the crashAt-th mutating call (from 1) on, every mutating call fails, as
    // if the process had died there. mutations counts the calls.
    int crashAt = 0;
    int mutations = 0;
};

// Locks by name within the test; names in heldElsewhere belong to another process, which
// releases them when the name is erased.
class FakeProcessLocks : public IProcessLocks {
public:
    std::unique_ptr<IProcessLock> Open(const std::wstring& name) override;
    std::set<std::wstring> heldElsewhere;
    std::set<std::wstring> held;
    std::vector<std::wstring> opened;
    bool unavailable = false;
};

class FakeRegistry : public IRegistry {
public:
    struct Value {
        std::wstring text;
        bool isString = true;
    };
    struct Key {
        std::map<std::wstring, Value> values;
    };
    std::unique_ptr<IRegistryKey> CreateKey(const std::wstring& path) override;
    bool DeleteKeyTree(const std::wstring& path) override;
    std::map<std::wstring, Key> keys; // upper-cased full path
    bool failOpen = false;
};

class FakeWindows : public IWindows {
public:
    std::uintptr_t FindWindowByTitle(const std::wstring& title) override;
    void PostMessageTo(std::uintptr_t window, unsigned message) override;
    void Sleep(unsigned milliseconds) override;

    std::map<std::wstring, int> windows; // title -> closes it survives (-1: forever)
    std::vector<std::pair<std::wstring, unsigned>> posted;
    unsigned sleptMs = 0;
    std::function<void(unsigned)> onSleep;
};

class FakeProcessStarter : public IProcessStarter {
public:
    bool StartProcess(const std::wstring& commandLine, const std::wstring& folder) override;
    std::vector<std::pair<std::wstring, std::wstring>> started;
    bool fail = false;
};

class RecordingDebug : public IDebugOutput {
public:
    void Output(const std::wstring& line) override { lines.push_back(line); }
    std::vector<std::wstring> lines;
};

class FakeClock : public IClock {
public:
    TDateTime Now() override { return now += step; }
    wchar_t DecimalSeparator() override { return decimal; }
    wchar_t TimeSeparator() override { return time; }
    TDateTime now = 46000.5;
    TDateTime step = 0;
    wchar_t decimal = L',';
    wchar_t time = L':';
};

class RecordingBoxes : public IMessageBoxes {
public:
    struct Box {
        std::wstring kind, text, button;
    };
    void ShowPlain(const std::wstring& text) override { Record({L"plain", text, L"OK"}); }
    void ShowTranslated(const std::wstring& text, const std::wstring& button) override {
        Record({L"translated", text, button});
    }
    void ShowError(const std::wstring& text) override { Record({L"error", text, L"OK"}); }
    void Record(const Box& b) {
        boxes.push_back(b);
        if (onShow)
            onShow(b);
    }
    std::vector<Box> boxes;
    std::function<void(const Box&)> onShow;
};

// A window whose message queue is a deque; ProcessMessages dispatches what is queued.
class FakeView : public IStartWindowView {
public:
    struct Message {
        unsigned number; // custom message, or 0 for a key, or ~0u for quit
        wchar_t key = 0;
    };
    static constexpr unsigned Quit = ~0u;

    void SetCaption(LabelId label, const std::wstring& text) override { captions[label] = text; }
    std::wstring Caption(LabelId label) const override;
    void SetProgress(double value) override { progress.push_back(value); }
    int AlertCount() override { return openAlerts; }
    void ShowAlert(const std::wstring& caption, const std::wstring& text, int) override;
    void ProcessMessages() override;
    void PostToSelf(unsigned message) override {
        queue.push_back({message});
        posted.push_back(message);
    }
    void Close() override {
        queue.push_back({Quit});
        ++closes;
    }
    bool Terminated() const override { return terminated; }
    void Repaint() override { ++repaints; }

    void PressKey(wchar_t key) { queue.push_back({0, key}); }
    void Deliver(const Message& m);
    // The main loop: takes messages until terminated or the queue is empty (which, for a
    // real window, would be waiting forever).
    void RunLoop();

    std::function<void(unsigned)> dispatch; // custom messages to the window
    std::function<void(wchar_t)> keyPress;
    std::function<void(int)> onProcessMessages; // called with the call's number, from 1
    std::deque<Message> queue;
    std::vector<unsigned> posted;
    std::map<LabelId, std::wstring> captions;
    std::vector<double> progress;
    std::vector<std::pair<std::wstring, std::wstring>> alerts;
    int openAlerts = 0;
    bool terminated = false;
    int closes = 0, repaints = 0, pumps = 0;
    int handled = 0;
};

// The program entry on the fake window: creation, shown, then the main loop until the
// program counts as terminated or nothing is left to do.
void RunStartWindow(TfrmMainUpdate& window, FakeView& view);

// A database with a file catalogue, stored contents and a tenant table.
class FakeDatabase {
public:
    struct Entry {
        std::int64_t cfid;
        std::wstring cfname;
        std::int64_t cfattr = 0;
        std::int64_t cfexec = 0;
        TDateTime cfdate = 0;
        Bytes content; // already compressed
    };
    void AddFile(std::int64_t id, const std::wstring& name, const Bytes& plain, TDateTime date,
                 std::int64_t exec = 0);
    void AddFolder(std::int64_t id, const std::wstring& name);

    std::vector<Entry> entries;
    std::vector<std::optional<std::wstring>> tenants = {std::wstring(L"Demo GmbH")};
    bool tenantTableMissing = false;
    int logonError = 0;                                    // EOracleError number on logon, 0: none
    bool clientMissing = false;                            // EDatabaseClientError on logon
    std::map<std::int64_t, int> failAfterChunks;           // cfid -> database error after k chunks
    std::map<std::int64_t, std::exception_ptr> failOnRead; // cfid -> raised by the first read
    std::map<std::int64_t, std::int64_t> declaredSize;     // cfid -> size the locator reports
    std::vector<std::wstring> executed;
    std::wstring user, password, database; // values of the last logon
};

class FakeSession : public TOracleSession {
public:
    explicit FakeSession(FakeDatabase& db) : db(db) {}
    bool Connected() const override { return connected; }
    void SetConnected(bool value) override;
    std::unique_ptr<TOracleQuery> NewQuery() override;
    FakeDatabase& db;
    bool connected = false;
};

} // namespace zem::test
