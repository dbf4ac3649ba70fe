// Admin tool for the file catalogue on any database the start program reaches over ODBC:
// creates the catalogue objects (PostgreSQL), publishes a program folder in one transaction,
// lists and verifies what is stored.
//
//   zem_catalogue [--database NAME] [--user U] [--password P] COMMAND ...
//     init SQLFILE                 run a PostgreSQL DDL file (tests/db/schema.sql)
//     publish FOLDER [--date "YYYY-MM-DD HH:MM:SS[.mmm]"] [--window-bits N]
//                                  one row per folder and file; changed files replaced,
//                                  rows of deleted files removed; all or nothing
//     put ID NAME FILE [--date D]  store FILE's bytes as they are (no compression)
//     tenant NAME                  set the tenant name
//     list                         one line per row
//     verify [FOLDER]              every stored stream unpacks (and matches FOLDER's file)
#include "tools/Catalogue.h"
#include "tools/support/Database.h"
#include "util/Errors.h"
#include "util/PathText.h"

#ifdef _WIN32
#include "platform/win32/win.h"
#endif

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <string>
#include <vector>

using namespace zem;
namespace fs = std::filesystem;

namespace {

struct Options {
    std::wstring database = L"ZEM", user = L"JPX", password = L"JPX";
    std::optional<TDateTime> date;
    int windowBits = 15;
    std::vector<std::wstring> args;
};

// Thrown for a command line the tool cannot use; exit code 2.
class UsageError : public Exception {
public:
    using Exception::Exception;
};

fs::path ToPath(const std::wstring& text) {
#ifdef _WIN32
    return fs::path(text);
#else
    return fs::path(ToUtf8(text));
#endif
}

Options Parse(const std::vector<std::wstring>& argv) {
    Options o;
    for (std::size_t i = 0; i < argv.size(); ++i) {
        const std::wstring& a = argv[i];
        auto value = [&] {
            if (i + 1 >= argv.size())
                throw UsageError(L"Wert fehlt für " + a);
            return argv[++i];
        };
        if (a == L"--database")
            o.database = value();
        else if (a == L"--user")
            o.user = value();
        else if (a == L"--password")
            o.password = value();
        else if (a == L"--date") {
            std::wstring text = value();
            o.date = catalogue::ParseDate(text);
            if (!o.date)
                throw UsageError(L"Datum nicht lesbar (JJJJ-MM-TT HH:MM:SS[.mmm]): " + text);
        } else if (a == L"--window-bits") {
            std::wstring text = value();
            o.windowBits = text.size() <= 2 && !text.empty() && std::iswdigit(text[0]) &&
                                   std::iswdigit(text.back())
                               ? std::stoi(text)
                               : 0;
            if (o.windowBits < 9 || o.windowBits > 15)
                throw UsageError(L"--window-bits muss zwischen 9 und 15 liegen: " + text);
        } else if (a.rfind(L"--", 0) == 0)
            throw UsageError(L"Unbekannte Option: " + a);
        else
            o.args.push_back(a);
    }
    if (o.args.empty())
        throw UsageError(L"Befehl fehlt: init, publish, put, tenant, list oder verify");
    return o;
}

std::int64_t ParseId(const std::wstring& text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; }))
        throw UsageError(L"ID muss eine Zahl sein: " + text);
    return std::stoll(text);
}

int Run(const Options& o) {
    const std::wstring& cmd = o.args[0];
    const std::size_t n = o.args.size();
    if (!((cmd == L"init" && n == 2) || (cmd == L"publish" && n == 2) ||
          (cmd == L"put" && n == 4) || (cmd == L"tenant" && n == 2) || (cmd == L"list" && n == 1) ||
          (cmd == L"verify" && n <= 2)))
        throw UsageError(L"Unbekannter Befehl oder falsche Argumente: " + cmd);
    const std::int64_t putId = cmd == L"put" ? ParseId(o.args[1]) : 0;
    auto session = support::Connect(o.database, o.user, o.password);
    if (cmd == L"init") {
        catalogue::Init(*session, ToPath(o.args[1]));
        std::printf("catalogue objects created\n");
    } else if (cmd == L"publish") {
        catalogue::PublishOptions options;
        options.date = o.date;
        options.windowBits = o.windowBits;
        options.written = [](const std::wstring& name, std::int64_t stored) {
            std::printf("published %s (%lld bytes stored)\n", ToUtf8(name).c_str(),
                        static_cast<long long>(stored));
            std::fflush(stdout);
        };
        catalogue::PublishCounts c = catalogue::Publish(*session, ToPath(o.args[1]), options);
        std::printf("%d published, %d unchanged, %d removed\n", c.published, c.unchanged,
                    c.removed);
    } else if (cmd == L"put") {
        catalogue::Put(*session, putId, o.args[2], ToPath(o.args[3]),
                       o.date ? *o.date : EncodeDateTime(2026, 1, 1, 0, 0, 0, 0));
    } else if (cmd == L"tenant") {
        catalogue::SetTenant(*session, o.args[1]);
    } else if (cmd == L"list") {
        catalogue::List(*session, stdout);
    } else {
        std::optional<fs::path> folder;
        if (n == 2)
            folder = ToPath(o.args[1]);
        return catalogue::Verify(*session, folder, stdout) == 0 ? 0 : 1;
    }
    return 0;
}

int Main(const std::vector<std::wstring>& argv) {
    Options o;
    try {
        o = Parse(argv);
        return Run(o);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zem_catalogue: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "zem_catalogue: %s\n", e.what());
        const std::wstring& cmd = o.args.empty() ? L"" : o.args[0];
        if (cmd == L"publish" || cmd == L"put" || cmd == L"tenant" || cmd == L"init")
            std::fprintf(stderr,
                         "zem_catalogue: nothing was changed; the catalogue is as before\n");
        return 1;
    }
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    // Names are printed as UTF-8.
    SetConsoleOutputCP(CP_UTF8);
    return Main(std::vector<std::wstring>(argv + 1, argv + argc));
}
#else
int main(int argc, char** argv) {
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i)
        args.push_back(FromUtf8(argv[i]));
    return Main(args);
}
#endif
