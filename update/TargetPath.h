#pragma once
// Where a catalogue entry lands in the program folder, and the names a replacement uses
// beside it. A catalogue name comes from the database: it is checked after every rewriting
// that Windows would apply, so that no name writes outside the program folder.
#include <string>
#include <string_view>

namespace zem {

// The previous version during a replacement, and the new one while it is written. Both are
// reserved: no catalogue name may end with them.
inline constexpr std::wstring_view BackupSuffix = L".old";
inline constexpr std::wstring_view TempSuffix = L".zemnew";

// Paths at or above this length need the long-path form.
inline constexpr std::size_t MaxPath = 260;

struct TargetPaths {
    std::wstring target; // AddBackslash(program folder) + cfname, '/' removed
    std::wstring folder; // the target's folder, without the trailing backslash
};

// Composes the target and its folder as the update run uses them: '/' characters are
// removed from both except in the last position.
TargetPaths ComposeTarget(const std::wstring& programFolder, const std::wstring& cfname);

// Whether a path below the program folder names a place inside it on Windows: at least one
// element, a separator only between elements or at the end (no rooted path, no doubled
// separator); no element ".", "..", or with a trailing dot or blank (Windows drops them); no
// drive, stream (':') or wildcard characters; no device name (CON, NUL, COM1, ...); and not
// ending with the backup or the temporary suffix.
bool IsSafeRelativePath(std::wstring_view relative);

// Whether the composed target lies inside the program folder.
bool IsInsideProgramFolder(const std::wstring& programFolder, const std::wstring& target);

// The "\\?\" form of an absolute path of MaxPath characters or more, so that Win32 file
// functions accept it; shorter or relative paths unchanged.
std::wstring LongPathForm(const std::wstring& path);

} // namespace zem
