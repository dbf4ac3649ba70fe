#pragma once
// Text helpers for paths and parameters, with the same rules on every platform.
#include <string>
#include <string_view>

namespace zem {

// Returns the text with one backslash appended unless it already ends with one;
// an empty text gives a single backslash.
std::wstring AddBackslash(std::wstring_view path);

// Removes '/' characters in place, walking from the first character. At a slash it
// deletes it and stays, otherwise it steps on; it stops when the position reaches the
// current length minus one, so the last character is never examined.
void StripSlashes(std::wstring& path);

// Everything up to and including the last backslash or colon; empty when there is none.
std::wstring ExtractFilePath(std::wstring_view path);
// Everything after the last backslash or colon.
std::wstring ExtractFileName(std::wstring_view path);
// Removes the extension: the part from the last dot that follows the last backslash
// or colon. Unchanged when there is no such dot.
std::wstring RemoveFileExt(std::wstring_view path);
// Replaces the extension (or appends the new one when there is none).
std::wstring ChangeFileExt(std::wstring_view path, std::wstring_view ext);

// Removes leading and trailing characters of code 32 and below.
std::wstring Trim(std::wstring_view text);
std::wstring TrimRight(std::wstring_view text);
// ASCII-only case mapping (a-z / A-Z), as used for switch names and identifiers.
std::wstring UpperCaseAscii(std::wstring_view text);
bool SameTextAscii(std::wstring_view a, std::wstring_view b);
// Case-insensitive compare by the user locale's case rules (CharUpperBuffW on Windows,
// towupper elsewhere), for everything this program compares that way.
bool SameTextLocale(std::wstring_view a, std::wstring_view b);
// Defined in LocaleCase_win.cpp and LocaleCase_posix.cpp.
std::wstring UpperCaseLocale(std::wstring_view text);

// UTF-8 <-> wide text. Invalid input is replaced, never rejected.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

} // namespace zem
