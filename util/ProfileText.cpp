#include "util/ProfileText.h"

#include "util/PathText.h"

namespace zem {

static std::wstring Unquote(std::wstring value) {
    if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

std::wstring ProfileLookup(std::wstring_view text, std::wstring_view section, std::wstring_view key,
                           std::wstring_view def) {
    bool inSection = false;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring_view::npos)
            end = text.size();
        std::wstring line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line[0] == L';')
            continue;
        if (line[0] == L'[') {
            std::size_t close = line.find(L']');
            std::wstring name =
                Trim(line.substr(1, close == std::wstring::npos ? std::wstring::npos : close - 1));
            inSection = SameTextLocale(name, section);
            continue;
        }
        if (!inSection)
            continue;
        std::size_t eq = line.find(L'=');
        if (eq == std::wstring::npos || !SameTextLocale(Trim(line.substr(0, eq)), key))
            continue;
        std::wstring value = Unquote(Trim(line.substr(eq + 1)));
        if (value.size() > ProfileValueLimit)
            value.resize(ProfileValueLimit);
        return value;
    }
    std::wstring result(def);
    if (result.size() > ProfileValueLimit)
        result.resize(ProfileValueLimit);
    return result;
}

std::wstring DecodeProfileBytes(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring out;
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
            out += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                        (static_cast<unsigned char>(bytes[i + 1]) << 8));
        return out;
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    return FromUtf8(bytes);
}

} // namespace zem
