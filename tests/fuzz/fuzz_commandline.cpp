// Fuzzes command-line splitting and switch matching: no crash, no empty parameter, no
// quote left in a parameter.
#include "app/CommandLine.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::wstring line;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        line += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    std::vector<std::wstring> params = zem::SplitCommandLine(line);
    for (const std::wstring& p : params)
        if (p.empty() || p.find(L'"') != std::wstring::npos)
            std::abort();
    params.insert(params.begin(), L"C:\\ZEM_Start.exe");
    zem::CommandLine cmd(params);
    for (const wchar_t* name : {L"INIFILE", L"START_PATH"})
        (void)cmd.ValueSwitch(name);
    for (const wchar_t* name : {L"HELP", L"UPDATE_ONLY", L"Lumet"})
        (void)cmd.HasSwitch(name);
    (void)cmd.IsUninstall();
    return 0;
}
