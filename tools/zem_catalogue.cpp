// Admin tool for the file catalogue on a PostgreSQL database (over ODBC): creates the
// catalogue objects, publishes a program folder, lists and verifies what is stored.
//
//   zem_catalogue [--dsn NAME] [--user U] [--password P] COMMAND ...
//     init SQLFILE               run the DDL of SQLFILE (tests/db/schema.sql)
//     publish FOLDER [--date "YYYY-MM-DD HH:MM:SS.mmm"] [--window-bits N]
//                                one row per folder and file; changed files replaced,
//                                rows of deleted files removed
//     put ID NAME FILE [--date D] store FILE's bytes as they are (no compression)
//     tenant NAME                set the tenant name
//     list                       one line per row
//     verify [FOLDER]            every stored stream unpacks (and matches FOLDER's file)
#include "db/OdbcSession.h"
#include "update/ContentTransfer.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>
#include <zlib.h>

using namespace zem;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Options {
    std::wstring dsn = L"ZEM", user = L"JPX", password = L"JPX", date;
    int windowBits = 15;
    std::vector<std::string> args;
};

std::wstring Quote(const std::wstring& text) {
    std::wstring out = L"'";
    for (wchar_t c : text) {
        out += c;
        if (c == L'\'')
            out += L'\'';
    }
    return out + L"'";
}

std::unique_ptr<TOracleQuery> Run(TOracleSession& s, const std::wstring& sql) {
    auto q = s.NewQuery();
    q->SQL = sql;
    q->Execute();
    return q;
}

Bytes ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    if (!in)
        throw Exception(L"Datei kann nicht gelesen werden: " + FromUtf8(p.string()));
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Compress(const Bytes& data, int windowBits) {
    z_stream strm{};
    if (deflateInit2(&strm, Z_BEST_COMPRESSION, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw Exception(L"zlib kann nicht initialisiert werden");
    Bytes out(deflateBound(&strm, data.size()));
    strm.next_in = const_cast<Bytef*>(data.data());
    strm.avail_in = static_cast<uInt>(data.size());
    strm.next_out = out.data();
    strm.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&strm, Z_FINISH);
    deflateEnd(&strm);
    if (rc != Z_STREAM_END)
        throw Exception(L"Komprimieren fehlgeschlagen");
    out.resize(strm.total_out);
    return out;
}

std::wstring Hex(const std::uint8_t* p, std::size_t n) {
    static const wchar_t digits[] = L"0123456789abcdef";
    std::wstring out;
    out.reserve(n * 2);
    for (std::size_t i = 0; i < n; ++i) {
        out += digits[p[i] >> 4];
        out += digits[p[i] & 15];
    }
    return out;
}

// Writes the bytes into a new large object in 1 MiB pieces; returns its oid.
std::wstring StoreLargeObject(TOracleSession& s, const Bytes& bytes) {
    std::wstring oid = Run(s, L"select lo_create(0) as oid")->FieldAsString(L"oid");
    constexpr std::size_t piece = 1 << 20;
    for (std::size_t offset = 0; offset < bytes.size(); offset += piece) {
        std::size_t n = std::min(piece, bytes.size() - offset);
        Run(s, L"select lo_put(" + oid + L", " + std::to_wstring(offset) + L", decode('" +
                   Hex(bytes.data() + offset, n) + L"', 'hex'))");
    }
    return oid;
}

// The file's last-write time as local wall-clock text with milliseconds.
std::wstring FileDate(const fs::path& p) {
    auto sys = std::chrono::file_clock::to_sys(fs::last_write_time(p));
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sys.time_since_epoch()).count();
    std::time_t secs = static_cast<std::time_t>(ms / 1000);
    const std::tm* local = std::localtime(&secs);
    wchar_t text[64];
    std::swprintf(text, 64, L"%04d-%02d-%02d %02d:%02d:%02d.%03d", local->tm_year + 1900,
                  local->tm_mon + 1, local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec,
                  static_cast<int>(ms % 1000));
    return text;
}

std::wstring CatalogueName(const fs::path& root, const fs::path& p) {
    std::wstring name = FromUtf8(fs::relative(p, root).generic_string());
    for (wchar_t& c : name)
        if (c == L'/')
            c = L'\\';
    return name;
}

struct Row {
    std::int64_t id;
    std::wstring date;
    std::int64_t size;
};

std::map<std::wstring, Row> ExistingRows(TOracleSession& s) {
    std::map<std::wstring, Row> rows;
    auto q = Run(s, L"select cfid, cfname, to_char(cfdate, 'YYYY-MM-DD HH24:MI:SS.MS') as d, "
                    L"coalesce(octet_length(lo_get(cffile)), 0) as size from zemfiles "
                    L"where cfvolume = 'ZEM_HOME\\EXE'");
    for (; !q->Eof(); q->Next())
        rows[UpperCaseAscii(q->FieldAsString(L"cfname"))] = {
            q->FieldAsInteger(L"cfid"), q->FieldAsString(L"d"), q->FieldAsInteger(L"size")};
    return rows;
}

int Publish(TOracleSession& s, const Options& o, const fs::path& root) {
    if (!fs::is_directory(root))
        throw Exception(L"Ordner nicht gefunden: " + FromUtf8(root.string()));
    std::map<std::wstring, Row> existing = ExistingRows(s);
    std::int64_t nextId =
        Run(s, L"select coalesce(max(cfid), 0) + 1 as n from zemfiles")->FieldAsInteger(L"n");
    std::vector<fs::path> paths;
    for (const auto& e : fs::recursive_directory_iterator(root))
        paths.push_back(e.path());
    std::sort(paths.begin(), paths.end());
    std::map<std::wstring, bool> seen;
    int changed = 0, unchanged = 0;
    for (const fs::path& p : paths) {
        bool folder = fs::is_directory(p);
        std::wstring name = CatalogueName(root, p) + (folder ? L"\\" : L"");
        seen[UpperCaseAscii(name)] = true;
        std::wstring date = o.date.empty() ? FileDate(p) : o.date;
        Bytes packed = folder ? Bytes{} : Compress(ReadFile(p), o.windowBits);
        auto it = existing.find(UpperCaseAscii(name));
        if (it != existing.end() && it->second.date == date &&
            it->second.size == static_cast<std::int64_t>(packed.size())) {
            ++unchanged;
            continue;
        }
        std::wstring oid = folder ? L"null" : StoreLargeObject(s, packed);
        std::wstring attr = folder ? L"16" : L"32";
        if (it != existing.end())
            Run(s, L"update zemfiles set cfdate = timestamp " + Quote(date) + L", cfattr = " +
                       attr + L", cffile = " + oid + L" where cfid = " +
                       std::to_wstring(it->second.id));
        else
            Run(s, L"insert into zemfiles (cfid, cfname, cfattr, cfexec, cfdate, cffile) values (" +
                       std::to_wstring(nextId++) + L", " + Quote(name) + L", " + attr +
                       L", 0, timestamp " + Quote(date) + L", " + oid + L")");
        ++changed;
        std::printf("published %s (%zu bytes stored)\n", ToUtf8(name).c_str(), packed.size());
        std::fflush(stdout);
    }
    int removed = 0;
    for (const auto& [key, row] : existing)
        if (!seen.count(key)) {
            Run(s, L"delete from zemfiles where cfid = " + std::to_wstring(row.id));
            ++removed;
        }
    std::printf("%d published, %d unchanged, %d removed\n", changed, unchanged, removed);
    return 0;
}

int List(TOracleSession& s) {
    auto q = Run(
        s,
        L"select cfid, cfname, cfattr, cfexec, to_char(cfdate, 'YYYY-MM-DD HH24:MI:SS.MS') as d, "
        L"coalesce(octet_length(lo_get(cffile)), 0) as size, cfvolume from zemfiles order by cfid");
    for (; !q->Eof(); q->Next())
        std::printf("%6lld  %-40s attr=%-3lld exec=%lld  %s  %8lld  %s\n",
                    static_cast<long long>(q->FieldAsInteger(L"cfid")),
                    ToUtf8(q->FieldAsString(L"cfname")).c_str(),
                    static_cast<long long>(q->FieldAsInteger(L"cfattr")),
                    static_cast<long long>(q->FieldAsInteger(L"cfexec")),
                    ToUtf8(q->FieldAsString(L"d")).c_str(),
                    static_cast<long long>(q->FieldAsInteger(L"size")),
                    ToUtf8(q->FieldAsString(L"cfvolume")).c_str());
    return 0;
}

int Verify(TOracleSession& s, const std::string& folder) {
    std::vector<std::pair<std::int64_t, std::wstring>> files;
    auto q = Run(s, L"select cfid, cfname from zemfiles where cfattr <> 16 order by cfid");
    for (; !q->Eof(); q->Next())
        files.emplace_back(q->FieldAsInteger(L"cfid"), q->FieldAsString(L"cfname"));
    int bad = 0;
    for (const auto& [id, name] : files) {
        TMemoryStream out;
        std::string problem;
        try {
            ReadCompressedBlob(s, out, L"ZEMFILES", L"CFFILE",
                               L"where cfid = " + std::to_wstring(id), nullptr);
            if (!folder.empty()) {
                std::string rel = ToUtf8(name);
                std::replace(rel.begin(), rel.end(), '\\', '/');
                if (ReadFile(fs::path(folder) / rel) != out.Bytes())
                    problem = "differs from the folder's file";
            }
        } catch (const Exception& e) {
            problem = ToUtf8(e.Message());
        }
        std::printf("%s %s: %s\n", problem.empty() ? "ok " : "BAD", ToUtf8(name).c_str(),
                    problem.empty() ? (std::to_string(out.Bytes().size()) + " bytes").c_str()
                                    : problem.c_str());
        bad += !problem.empty();
    }
    std::printf("%zu entries, %d bad\n", files.size(), bad);
    return bad ? 1 : 0;
}

int Init(TOracleSession& s, const std::string& file) {
    std::ifstream in(file);
    if (!in)
        throw Exception(L"DDL-Datei nicht gefunden: " + FromUtf8(file));
    std::stringstream text;
    text << in.rdbuf();
    // Statements end with ';' at a line end, outside $$ bodies.
    std::string statement, line;
    bool body = false;
    while (std::getline(text, line)) {
        if (line.rfind("--", 0) == 0)
            continue;
        for (std::size_t p = line.find("$$"); p != std::string::npos; p = line.find("$$", p + 2))
            body = !body;
        statement += line + "\n";
        if (!body && !line.empty() && line.back() == ';') {
            statement.pop_back();
            statement.pop_back();
            Run(s, FromUtf8(statement));
            statement.clear();
        }
    }
    std::printf("catalogue objects created\n");
    return 0;
}

int Main(Options& o) {
    if (o.args.empty())
        throw Exception(L"Befehl fehlt: init, publish, put, tenant, list oder verify");
    auto session = CreateOdbcSession();
    session->LogonDatabase = o.dsn;
    session->LogonUsername = o.user;
    session->LogonPassword = o.password;
    session->SetConnected(true);
    const std::string& cmd = o.args[0];
    if (cmd == "init" && o.args.size() == 2)
        return Init(*session, o.args[1]);
    if (cmd == "publish" && o.args.size() == 2)
        return Publish(*session, o, o.args[1]);
    if (cmd == "list")
        return List(*session);
    if (cmd == "verify")
        return Verify(*session, o.args.size() > 1 ? o.args[1] : "");
    if (cmd == "tenant" && o.args.size() == 2) {
        Run(*session, L"delete from zemconfig");
        Run(*session, L"insert into zemconfig values (" + Quote(FromUtf8(o.args[1])) + L")");
        return 0;
    }
    if (cmd == "put" && o.args.size() == 4) {
        std::wstring oid = StoreLargeObject(*session, ReadFile(o.args[3]));
        std::wstring date = o.date.empty() ? L"2026-01-01 00:00:00" : o.date;
        Run(*session, L"delete from zemfiles where cfid = " +
                          FromUtf8(std::to_string(std::stoll(o.args[1]))));
        Run(*session,
            L"insert into zemfiles (cfid, cfname, cfattr, cfexec, cfdate, cffile) values (" +
                FromUtf8(std::to_string(std::stoll(o.args[1]))) + L", " +
                Quote(FromUtf8(o.args[2])) + L", 32, 0, timestamp " + Quote(date) + L", " + oid +
                L")");
        return 0;
    }
    throw Exception(L"Unbekannter Befehl oder falsche Argumente: " + FromUtf8(cmd));
}

} // namespace

int main(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&] {
            if (i + 1 >= argc)
                throw Exception(L"Wert fehlt für " + FromUtf8(a));
            return FromUtf8(argv[++i]);
        };
        try {
            if (a == "--dsn")
                o.dsn = value();
            else if (a == "--user")
                o.user = value();
            else if (a == "--password")
                o.password = value();
            else if (a == "--date")
                o.date = value();
            else if (a == "--window-bits")
                o.windowBits = std::stoi(ToUtf8(value()));
            else
                o.args.push_back(a);
        } catch (const Exception& e) {
            std::fprintf(stderr, "zem_catalogue: %s\n", e.what());
            return 2;
        }
    }
    try {
        return Main(o);
    } catch (const Exception& e) {
        std::fprintf(stderr, "zem_catalogue: %s\n", e.what());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zem_catalogue: %s\n", e.what());
        return 1;
    }
}
