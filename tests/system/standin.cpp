// Stand-in for the application in system tests: appends its command line and current
// folder to the file named by ZEM_STANDIN_RECORD (default: launch-record.txt in the
// current folder), then ends. Tests also put it in place of a system tool to record calls.
#include "platform/win32/win.h"

#include "util/PathText.h"

#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    wchar_t target[MAX_PATH] = L"launch-record.txt";
    GetEnvironmentVariableW(L"ZEM_STANDIN_RECORD", target, MAX_PATH);
    std::string record =
        "cmdline=" + zem::ToUtf8(GetCommandLineW()) + "\ncwd=" + zem::ToUtf8(folder) + "\n";
    FILE* f = _wfopen(target, L"ab");
    if (f == nullptr)
        return 1;
    std::fwrite(record.data(), 1, record.size(), f);
    std::fclose(f);
    return 0;
}
