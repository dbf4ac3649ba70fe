#pragma once
// The catalogue tool's commands on a logged-on session: create the catalogue objects,
// publish a program folder in one transaction, list and verify what is stored.
#include "db/OracleSession.h"
#include "util/DateTime.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace zem::catalogue {

namespace fs = std::filesystem;

// The volume whose rows the start program reads and the tool publishes.
inline const std::wstring Volume = L"ZEM_HOME\\EXE";

struct PublishOptions {
    // The date of every published row; without it each row gets its file's last-write time.
    std::optional<TDateTime> date;
    int windowBits = 15;
    // Called after each row has been written (before the commit): the catalogue name and
    // the number of bytes stored for it. May throw to abandon the publish.
    std::function<void(const std::wstring& name, std::int64_t storedBytes)> written;
};

struct PublishCounts {
    int published = 0, unchanged = 0, removed = 0;
};

// Makes the volume's rows match the folder: one row per folder and file, its content one
// zlib stream sent in pieces. Left alone: a folder's row that is a folder row, and a file's
// row that is a file row with content and the same date (to the millisecond). Everything happens in
// one transaction: on any failure nothing is changed and the failure is thrown.
PublishCounts Publish(TOracleSession& session, const fs::path& folder,
                      const PublishOptions& options);

// Stores the file's bytes unchanged (no compression) as the row with that id.
void Put(TOracleSession& session, std::int64_t id, const std::wstring& name, const fs::path& file,
         TDateTime date);

// Sets the tenant name.
void SetTenant(TOracleSession& session, const std::wstring& name);

// Runs the statements of a PostgreSQL DDL file (';' at a line end ends one; "$$" bodies
// are kept whole) in one transaction. Other databases: a failure naming what to do.
void Init(TOracleSession& session, const fs::path& sqlFile);

// One line per row, by id: id, name, attributes, exec flag, date, stored bytes, volume.
void List(TOracleSession& session, std::FILE* out);

// Unpacks every stored file through the start program's own transfer and, with a folder,
// compares it with that folder's file. One line per file; returns the number of bad ones.
int Verify(TOracleSession& session, const std::optional<fs::path>& folder, std::FILE* out);

// Catalogue name of a path below the root: relative, with backslashes.
std::wstring CatalogueName(const fs::path& root, const fs::path& path);
// A file's last-write time as local wall-clock time, to the millisecond.
TDateTime FileDate(const fs::path& path);
// "YYYY-MM-DD HH:MM:SS" with an optional ".mmm"; nullopt when the text is not such a date.
std::optional<TDateTime> ParseDate(const std::wstring& text);
std::wstring FormatDate(TDateTime date);

} // namespace zem::catalogue
