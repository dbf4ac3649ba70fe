#pragma once
// Reading a value from the text of a profile (INI) file by the rules of the system's
// profile service: section and key names compared without regard to case, blanks around
// names and values removed, one pair of enclosing quotes removed, values cut to 2047
// characters.
#include <string>
#include <string_view>

namespace zem {

constexpr std::size_t ProfileValueLimit = 2047;

std::wstring ProfileLookup(std::wstring_view text, std::wstring_view section, std::wstring_view key,
                           std::wstring_view def);

// Decodes a profile file's bytes: UTF-16 LE with its byte-order mark, else UTF-8.
std::wstring DecodeProfileBytes(std::string_view bytes);

} // namespace zem
