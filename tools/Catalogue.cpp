#include "tools/Catalogue.h"

#include "tools/support/Compression.h"
#include "tools/support/Database.h"
#include "update/ContentTransfer.h"
#include "update/TargetPath.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace zem::catalogue {
namespace {

using support::Statement;

constexpr std::int64_t FolderAttr = 0x10, FileAttr = 0x20;
constexpr std::size_t ReadBlock = 65536;

std::wstring PathText(const fs::path& p) {
#ifdef _WIN32
    return p.wstring();
#else
    return FromUtf8(p.string());
#endif
}

fs::path PathFromText(const std::wstring& text) {
#ifdef _WIN32
    return fs::path(text);
#else
    return fs::path(ToUtf8(text));
#endif
}

std::ifstream OpenFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in)
        throw Exception(L"Datei kann nicht gelesen werden: " + PathText(p));
    return in;
}

// Reads the file in blocks and hands each to the consumer; a read failure is an error.
template <typename Consumer> void ReadBlocks(const fs::path& p, Consumer consume) {
    std::ifstream in = OpenFile(p);
    std::vector<char> block(ReadBlock);
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        if (in.gcount() > 0)
            consume(block.data(), static_cast<std::size_t>(in.gcount()));
    }
    if (!in.eof())
        throw Exception(L"Datei kann nicht gelesen werden: " + PathText(p));
}

// Compresses the file into the sink, block by block.
void CompressFile(const fs::path& p, int windowBits, const support::Deflater::Sink& sink) {
    support::Deflater deflater(sink, windowBits);
    ReadBlocks(p, [&](const char* data, std::size_t n) { deflater.Write(data, n); });
    deflater.Finish();
}

bool IsBinary(int sqlType) {
    return sqlType == -2 /* SQL_BINARY */ || sqlType == -3 /* SQL_VARBINARY */ ||
           sqlType == -4 /* SQL_LONGVARBINARY */;
}

// The content column as the driver describes it; anything but a binary column is an error.
support::ColumnType ContentColumn(TOracleSession& session) {
    Statement q(session, L"select cffile from zemfiles where 1 = 0");
    q.Execute();
    support::ColumnType type = q.Describe(1);
    if (!IsBinary(type.sqlType))
        throw Exception(L"Die Spalte cffile von zemfiles ist keine Binärspalte (Typ " + type.name +
                        L")");
    return type;
}

bool IsOracle(TOracleSession& session) {
    const std::wstring name = support::DbmsName(session);
    return name.starts_with(L"Oracle");
}

struct Row {
    std::int64_t id;
    std::wstring name;
    std::int64_t attr;
    TDateTime date;
    bool hasContent;
};

// The volume's rows, keyed by the upper-cased name (Windows compares names so).
std::map<std::wstring, Row> ExistingRows(TOracleSession& session) {
    Statement q(session, L"select cfid, cfname, cfattr, cfdate, "
                         L"case when cffile is null then 0 else 1 end from zemfiles "
                         L"where cfvolume = ?");
    q.BindText(1, Volume);
    q.Execute();
    std::map<std::wstring, Row> rows;
    while (q.Fetch()) {
        Row r;
        r.id = q.Integer(1);
        r.name = q.Text(2);
        r.attr = q.Integer(3);
        r.date = q.Date(4);
        r.hasContent = q.Integer(5) != 0;
        rows[UpperCaseAscii(r.name)] = r;
    }
    return rows;
}

std::int64_t NextId(TOracleSession& session) {
    Statement q(session, L"select coalesce(max(cfid), 0) + 1 from zemfiles");
    q.Execute();
    q.Fetch();
    return q.Integer(1);
}

struct Entry {
    fs::path path;
    std::wstring name;
    bool folder;
};

std::vector<Entry> FolderEntries(const fs::path& root) {
    std::vector<Entry> entries;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        bool folder = e.is_directory();
        std::wstring name = CatalogueName(root, e.path());
        // Desks refuse names that are no plain name in the program folder (device names,
        // trailing dots, ".old" and ".zemnew" endings, ...): refuse them here, before anything
        // is written.
        if (!IsSafeRelativePath(name))
            throw Exception(L"Kein zulässiger Name im Programmordner: " + name);
        entries.push_back({e.path(), name + (folder ? L"\\" : L""), folder});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return a.path < b.path; });
    return entries;
}

// Binds the content of a file entry, compressed while it is sent; a folder has none.
void BindContent(Statement& s, int position, const Entry& e, const PublishOptions& o,
                 bool needLength, std::int64_t& stored) {
    stored = 0;
    if (e.folder) {
        s.BindNullBinary(position);
        return;
    }
    std::optional<std::int64_t> length;
    if (needLength) {
        // The driver wants the total first: compress once to count, then again to send.
        std::int64_t n = 0;
        CompressFile(e.path, o.windowBits, [&](const std::uint8_t*, std::size_t k) { n += k; });
        length = n;
    }
    s.BindBinaryStream(
        position,
        [&e, &o, &stored](const support::PutData& put) {
            CompressFile(e.path, o.windowBits, [&](const std::uint8_t* p, std::size_t n) {
                put(p, n);
                stored += static_cast<std::int64_t>(n);
            });
        },
        length);
}

std::int64_t Attr(const Entry& e) {
    return e.folder ? FolderAttr : FileAttr;
}

} // namespace

std::wstring CatalogueName(const fs::path& root, const fs::path& path) {
    std::wstring name = PathText(fs::relative(path, root));
    std::replace(name.begin(), name.end(), L'/', L'\\');
    return name;
}

TDateTime FileDate(const fs::path& path) {
    std::error_code error;
    auto written = fs::last_write_time(path, error);
    if (error)
        throw Exception(L"Datei kann nicht gelesen werden: " + PathText(path) + L" (" +
                        FromUtf8(error.message()) + L")");
    auto sys = std::chrono::file_clock::to_sys(written);
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sys.time_since_epoch()).count();
    auto secs = static_cast<std::time_t>(ms / 1000 - (ms % 1000 < 0 ? 1 : 0));
    int milli = static_cast<int>(ms - static_cast<std::int64_t>(secs) * 1000);
    std::tm local{};
#ifdef _WIN32
    localtime_s(&local, &secs);
#else
    localtime_r(&secs, &local);
#endif
    return EncodeDateTime(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, local.tm_sec, milli);
}

std::optional<TDateTime> ParseDate(const std::wstring& text) {
    int y, mo, d, h, mi, s, ms = 0, used = 0;
    if (std::swscanf(text.c_str(), L"%4d-%2d-%2d %2d:%2d:%2d%n", &y, &mo, &d, &h, &mi, &s, &used) !=
        6)
        return std::nullopt;
    std::wstring rest = text.substr(static_cast<std::size_t>(used));
    if (!rest.empty()) {
        if (rest.size() != 4 || rest[0] != L'.' ||
            !std::all_of(rest.begin() + 1, rest.end(),
                         [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
            return std::nullopt;
        ms = std::stoi(rest.substr(1));
    }
    if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59 || y < 1)
        return std::nullopt;
    TDateTime value = EncodeDateTime(y, mo, d, h, mi, s, ms);
    DateTimeParts back = DecodeDateTime(value);
    if (back.day != d || back.month != mo)
        return std::nullopt; // 31 April and the like
    return value;
}

std::wstring FormatDate(TDateTime date) {
    DateTimeParts p = DecodeDateTime(date);
    wchar_t text[32];
    std::swprintf(text, 32, L"%04d-%02d-%02d %02d:%02d:%02d.%03d", p.year, p.month, p.day, p.hour,
                  p.minute, p.second, p.millisecond);
    return text;
}

PublishCounts Publish(TOracleSession& session, const fs::path& folder,
                      const PublishOptions& options) {
    if (!fs::is_directory(folder))
        throw Exception(L"Ordner nicht gefunden: " + PathText(folder));
    ContentColumn(session);
    const bool needLength = support::NeedsLongDataLength(session);

    support::Transaction transaction(session);
    // Readers go on reading the previous catalogue; a second publish waits here.
    support::Exec(session, L"lock table zemfiles in exclusive mode");
    std::map<std::wstring, Row> existing = ExistingRows(session);
    std::int64_t nextId = NextId(session);

    Statement insert(
        session, L"insert into zemfiles (cfid, cfname, cfattr, cfexec, cfdate, cffile, cfvolume) "
                 L"values (?, ?, ?, 0, ?, ?, ?)");
    Statement update(session, L"update zemfiles set cfname = ?, cfattr = ?, cfdate = ?, cffile = ? "
                              L"where cfid = ?");
    PublishCounts counts;
    std::map<std::wstring, bool> seen;
    for (const Entry& e : FolderEntries(folder)) {
        const std::wstring key = UpperCaseAscii(e.name);
        seen[key] = true;
        const TDateTime date = options.date ? *options.date : FileDate(e.path);
        auto it = existing.find(key);
        // Desks compare a file's date and only create folders: a folder row stays as long as
        // it is one, a file row as long as its date is the same and it has content.
        if (it != existing.end() && ((it->second.attr & FolderAttr) != 0) == e.folder &&
            (e.folder || (SameMillisecond(it->second.date, date) && it->second.hasContent))) {
            ++counts.unchanged;
            continue;
        }
        std::int64_t stored = 0;
        if (it != existing.end()) {
            update.BindText(1, e.name);
            update.BindInteger(2, Attr(e));
            update.BindDate(3, date);
            BindContent(update, 4, e, options, needLength, stored);
            update.BindInteger(5, it->second.id);
            update.Execute();
        } else {
            insert.BindInteger(1, nextId++);
            insert.BindText(2, e.name);
            insert.BindInteger(3, Attr(e));
            insert.BindDate(4, date);
            BindContent(insert, 5, e, options, needLength, stored);
            insert.BindText(6, Volume);
            insert.Execute();
        }
        ++counts.published;
        if (options.written)
            options.written(e.name, stored);
    }
    Statement remove(session, L"delete from zemfiles where cfid = ?");
    for (const auto& [key, row] : existing)
        if (!seen.count(key)) {
            remove.BindInteger(1, row.id);
            remove.Execute();
            ++counts.removed;
        }
    transaction.Commit();
    return counts;
}

void Put(TOracleSession& session, std::int64_t id, const std::wstring& name, const fs::path& file,
         TDateTime date) {
    ContentColumn(session);
    support::Transaction transaction(session);
    Statement remove(session, L"delete from zemfiles where cfid = ?");
    remove.BindInteger(1, id);
    remove.Execute();
    Statement insert(
        session, L"insert into zemfiles (cfid, cfname, cfattr, cfexec, cfdate, cffile, cfvolume) "
                 L"values (?, ?, ?, 0, ?, ?, ?)");
    insert.BindInteger(1, id);
    insert.BindText(2, name);
    insert.BindInteger(3, FileAttr);
    insert.BindDate(4, date);
    std::int64_t length = static_cast<std::int64_t>(fs::file_size(file));
    insert.BindBinaryStream(
        5,
        [&](const support::PutData& put) {
            ReadBlocks(file, [&](const char* data, std::size_t n) { put(data, n); });
        },
        length);
    insert.BindText(6, Volume);
    insert.Execute();
    transaction.Commit();
}

void SetTenant(TOracleSession& session, const std::wstring& name) {
    support::Transaction transaction(session);
    support::Exec(session, L"delete from zemconfig");
    Statement insert(session, L"insert into zemconfig (mandantname) values (?)");
    insert.BindText(1, name);
    insert.Execute();
    transaction.Commit();
}

void Init(TOracleSession& session, const fs::path& sqlFile) {
    if (support::DbmsName(session) != L"PostgreSQL")
        throw Exception(L"init legt die Katalogobjekte nur auf PostgreSQL an; auf " +
                        support::DbmsName(session) +
                        L" die DDL-Datei (tests/db/schema-oracle.sql) mit SQL*Plus ausführen");
    std::ifstream in(sqlFile);
    if (!in)
        throw Exception(L"DDL-Datei nicht gefunden: " + PathText(sqlFile));
    std::stringstream text;
    text << in.rdbuf();
    support::Transaction transaction(session);
    std::string statement, line;
    bool body = false;
    while (std::getline(text, line)) {
        if (line.rfind("--", 0) == 0)
            continue;
        for (std::size_t p = line.find("$$"); p != std::string::npos; p = line.find("$$", p + 2))
            body = !body;
        statement += line + "\n";
        if (!body && !line.empty() && line.back() == ';') {
            statement.resize(statement.size() - 2);
            support::Exec(session, FromUtf8(statement));
            statement.clear();
        }
    }
    transaction.Commit();
}

void List(TOracleSession& session, std::FILE* out) {
    const support::ColumnType content = ContentColumn(session);
    // Only the stored length needs a function that differs between databases. A PostgreSQL
    // large object ("lo") has none: its driver reports the length when the value is opened.
    const bool oracle = IsOracle(session);
    const bool largeObject = !oracle && SameTextAscii(content.name, L"lo");
    std::wstring length = oracle        ? L"dbms_lob.getlength(cffile)"
                          : largeObject ? L"0"
                                        : L"octet_length(cffile)";
    Statement q(session, L"select cfid, cfname, cfattr, cfexec, cfdate, cfvolume, " + length +
                             L" from zemfiles order by cfid");
    Statement one(session, L"select cffile from zemfiles where cfid = ?");
    q.Execute();
    while (q.Fetch()) {
        std::int64_t id = q.Integer(1);
        std::wstring name = q.Text(2);
        std::int64_t attr = q.Integer(3), exec = q.Integer(4);
        TDateTime date = q.Date(5);
        std::wstring volume = q.Text(6);
        std::int64_t size = q.Integer(7);
        std::wstring sizeText = std::to_wstring(size);
        if (largeObject) {
            one.BindInteger(1, id);
            one.Execute();
            std::optional<std::int64_t> n = one.Fetch() ? one.BinaryLength(1) : 0;
            sizeText = n ? std::to_wstring(*n) : L"?";
        }
        std::fprintf(out, "%6lld  %-40s attr=%-3lld exec=%lld  %s  %8s  %s\n",
                     static_cast<long long>(id), ToUtf8(name).c_str(), static_cast<long long>(attr),
                     static_cast<long long>(exec), ToUtf8(FormatDate(date)).c_str(),
                     ToUtf8(sizeText).c_str(), ToUtf8(volume).c_str());
    }
}

namespace {

// Counts what the transfer writes and, with a file, compares it byte for byte.
class CheckingStream : public IOutputStream {
public:
    explicit CheckingStream(const std::optional<fs::path>& file) {
        if (file)
            in = OpenFile(*file);
    }
    void Write(const void* data, std::size_t n) override {
        count += n;
        if (!in.is_open() || differs)
            return;
        expected.resize(n);
        in.read(reinterpret_cast<char*>(expected.data()), static_cast<std::streamsize>(n));
        differs = static_cast<std::size_t>(in.gcount()) != n ||
                  (n > 0 && std::memcmp(expected.data(), data, n) != 0);
    }
    // True when everything written matched the whole file.
    bool Matches() {
        if (!in.is_open())
            return true;
        return !differs && in.peek() == std::char_traits<char>::eof();
    }
    std::uint64_t count = 0;

private:
    std::ifstream in;
    std::vector<std::uint8_t> expected;
    bool differs = false;
};

} // namespace

int Verify(TOracleSession& session, const std::optional<fs::path>& folder, std::FILE* out) {
    std::vector<std::pair<std::int64_t, std::wstring>> files;
    {
        Statement q(session, L"select cfid, cfname, cfattr from zemfiles order by cfid");
        q.Execute();
        while (q.Fetch()) {
            std::int64_t id = q.Integer(1);
            std::wstring name = q.Text(2);
            if ((q.Integer(3) & FolderAttr) == 0)
                files.emplace_back(id, name);
        }
    }
    int bad = 0;
    for (const auto& [id, name] : files) {
        std::wstring problem;
        std::uint64_t size = 0;
        try {
            std::optional<fs::path> local;
            if (folder) {
                std::wstring relative = name;
                std::replace(relative.begin(), relative.end(), L'\\', L'/');
                local = *folder / PathFromText(relative);
            }
            CheckingStream check(local);
            // The start program's own transfer, as a desk runs it.
            ReadCompressedBlob(session, check, L"ZEMFILES", L"CFFILE",
                               L"where cfid = " + std::to_wstring(id), nullptr);
            size = check.count;
            if (!check.Matches())
                problem = L"differs from the folder's file";
        } catch (const Exception& e) {
            problem = e.Message();
        }
        std::fprintf(out, "%s %s: %s\n", problem.empty() ? "ok " : "BAD", ToUtf8(name).c_str(),
                     problem.empty() ? (std::to_string(size) + " bytes").c_str()
                                     : ToUtf8(problem).c_str());
        bad += !problem.empty();
    }
    std::fprintf(out, "%zu entries, %d bad\n", files.size(), bad);
    return bad;
}

} // namespace zem::catalogue
