#include "launch/Launch.h"

#include "util/PathText.h"

#include <cwchar>

namespace zem {

std::wstring FilterPassedParam(const std::wstring& param) {
    std::wstring upper = UpperCaseLocale(param);
    if (upper.find(L"/INIFILE:") != std::wstring::npos ||
        upper.find(L"/START_PATH:") != std::wstring::npos)
        return std::wstring();
    return param;
}

std::wstring ProcessCommandLine(const std::wstring& fileName, const std::wstring& parameters) {
    return L"\"" + fileName + L"\" " + TrimRight(parameters);
}

std::wstring ProcessFolder(const std::wstring& fileName, const std::wstring& folder) {
    std::wstring result = folder.empty() ? ExtractFilePath(fileName) : folder;
    if (!result.empty() && result.back() == L'\\')
        result.pop_back();
    return result;
}

void RunProgram(IProcessStarter& starter, const std::wstring& fileName,
                const std::wstring& parameters, const std::wstring& folder) {
    starter.StartProcess(ProcessCommandLine(fileName, parameters), ProcessFolder(fileName, folder));
}

void DoStartLaunch(const LaunchInput& input, Platform& platform, IStartWindowView& view,
                   const TraceLine& SendDebugStr, std::wstring& EXE) {
    std::wstring folder = input.programFolder;
    StripSlashes(folder);
    const std::wstring p1 = FilterPassedParam(input.param1);
    const std::wstring p2 = FilterPassedParam(input.param2);
    EXE = folder + L"\\" + EXE + L" " + p1 + L" " + p2;
    SendDebugStr(L"CreateProcess    " + EXE);

    platform.files.SetCurrentDir(folder + L"\\");
    view.SetProgress(100);

    std::wstring program;
    if (input.touchCompanion)
        program = L"Lumet_Touch.exe";
    else if (platform.files.FileExists(folder + L"\\ZEM.EXE"))
        program = L"ZEM.exe";
    else
        program = L"Velkor.exe";
    RunProgram(platform.processes, program, p1 + L" " + p2 + L" " + input.databaseArgs, folder);
    view.PostToSelf(WM_DOFINISH);
}

} // namespace zem
