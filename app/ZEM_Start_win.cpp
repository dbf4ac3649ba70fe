// Program entry: the application object's part on Win32. Sets up COM and the common
// controls, creates the start window, runs the creation handler, shows the window and
// runs the message loop until the program counts as terminated.
#include "platform/win32/win.h"

#include "app/StartWindow.h"
#include "db/OdbcSession.h"
#include "platform/win32/Win32Platform.h"
#include "ui/MessageBoxes.h"
#include "app/StartWindow_win.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <commctrl.h>
#include <objbase.h>

using namespace zem;

static std::vector<std::wstring> ProgramParameters() {
    std::vector<std::wstring> params = SplitCommandLine(GetCommandLineW());
    // Parameter 0 is the program's own full path, whatever the caller wrote.
    wchar_t path[32768];
    DWORD n = GetModuleFileNameW(nullptr, path, 32768);
    std::wstring self(path, n);
    if (params.empty())
        params.push_back(self);
    else
        params[0] = self;
    return params;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // The one boundary of the entry: what escapes the window's own handlers (the window
    // cannot be made, say) is reported and ends the program.
    try {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&icc);

        CommandLine commandLine(ProgramParameters());
        win::Win32FileSystem files;
        win::Win32Registry registry;
        win::Win32Windows windows;
        win::Win32ProcessStarter processes;
        win::Win32DebugOutput debug;
        win::Win32Clock clock;
        win::Win32ProcessLocks locks;
        Platform platform{files, registry, windows, processes, debug, clock, locks};

        Win32StartWindow view(instance);
        TfrmMainUpdate frmMainUpdate(commandLine, platform, view, view, CreateOdbcSession);
        view.Attach(frmMainUpdate);
        view.Create();
        frmMainUpdate.Create();
        view.Show();
        frmMainUpdate.FormShow();
        view.RunMessageLoop();
        // The session and the window end with the process; nothing is released before.
        ExitProcess(0);
    } catch (const Exception& e) {
        MessageBoxW(nullptr, ErrorReportText(e.Message()).c_str(), ApplicationTitle,
                    MB_OK | MB_ICONERROR | MB_TASKMODAL);
    } catch (const std::exception& e) {
        MessageBoxW(nullptr, ErrorReportText(FromUtf8(e.what())).c_str(), ApplicationTitle,
                    MB_OK | MB_ICONERROR | MB_TASKMODAL);
    }
    ExitProcess(1);
}
