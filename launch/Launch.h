#pragma once
// Starting the application: the start command, the program choice and the process starter.
#include "platform/Platform.h"
#include "ui/StartWindowView.h"

#include <string>

namespace zem {

// A parameter passed on to the application: empty when its upper-case form holds
// "/INIFILE:" or "/START_PATH:".
std::wstring FilterPassedParam(const std::wstring& param);

// Starts fileName with the parameter text in folder (empty: the file name's folder), without
// waiting. Failures are not reported.
void RunProgram(IProcessStarter& starter, const std::wstring& fileName,
                const std::wstring& parameters, const std::wstring& folder);

// The command line RunProgram hands to the system: quoted name, one blank, the parameters
// with trailing codes <= 32 removed.
std::wstring ProcessCommandLine(const std::wstring& fileName, const std::wstring& parameters);
// The folder RunProgram hands to the system.
std::wstring ProcessFolder(const std::wstring& fileName, const std::wstring& folder);

// What the launch needs of the session and the command line.
struct LaunchInput {
    std::wstring programFolder;  // VelkorStartDir
    std::wstring param1, param2; // the start program's first two parameters
    bool touchCompanion = false; // start Lumet_Touch.exe
    // "/DB_SCHEMA:... /DB_PASSWORD:... /DB_DATABASE:..." when a settings file was named
    std::wstring databaseArgs;
};

// The launch: traces the start command, enters the program folder (EInOutError when that
// fails, and nothing is started), sets the bar to 100, starts the chosen program and posts
// WM_DOFINISH. EXE holds the program file name on entry and the start command afterwards.
void DoStartLaunch(const LaunchInput& input, Platform& platform, IStartWindowView& view,
                   const TraceLine& SendDebugStr, std::wstring& EXE);

} // namespace zem
