// Fuzzes the settings-file rules: any bytes give a value of at most 2047 characters.
#include "util/ProfileText.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring text =
        zem::DecodeProfileBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const wchar_t* key : {L"DATABASE", L"USERNAME", L"PASSWORD"})
        if (zem::ProfileLookup(text, L"DB", key, L"JPX").size() > zem::ProfileValueLimit)
            std::abort();
    return 0;
}
