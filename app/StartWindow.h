#pragma once
// The start window's logic: its fields, its event handlers and the three custom messages
// that drive the run from logon to launch or close.
#include "app/CommandLine.h"
#include "app/MainDM.h"
#include "ui/StartWindowView.h"
#include "platform/Platform.h"
#include "ui/MessageBoxes.h"
#include "ui/MessageCatalogue.h"

#include <functional>
#include <memory>

namespace zem {

using SessionFactory = std::function<std::unique_ptr<TOracleSession>()>;

class TfrmMainUpdate {
public:
    TfrmMainUpdate(const CommandLine& commandLine, Platform& platform, IStartWindowView& view,
                   IMessageBoxes& boxes, SessionFactory createSession);

    std::wstring EXE;
    TDateTime fStartTime = 0;
    bool FTerm = false;
    TsiLang siLang1;
    std::unique_ptr<TMainDM> MainDM; // empty until built, and when building it failed

    // Creation: runs FormCreate; a failure is shown by the standard error report and the
    // creation goes on.
    void Create();
    // The window has been shown: posts WM_DOUPDATE.
    void FormShow();
    void FormActivate();
    // Esc aborts: the transfer stops after its chunk, the file is put back, nothing starts.
    void FormKeyPress(wchar_t key);
    // A close request from outside (Alt+F4, the taskbar, another program) aborts like Esc.
    void FormCloseQuery();
    // Handles a custom message; a failure is shown by the standard error report.
    void Dispatch(unsigned message);

    void UpdateProgress(const std::wstring& tableName, std::int32_t bytesSoFar,
                        std::int32_t totalSize, bool& abort);

    // The notice text of Label2, ending with the given year.
    static std::wstring NoticeText(int year);

private:
    void FormCreate();
    void DoUpdate();
    void DoStart();
    void DoFinish();
    template <class F> void Guarded(F handler);
    // The session object's trace channel, for the subsystems.
    TraceLine SendDebugStr();

    const CommandLine& commandLine;
    Platform& platform;
    IStartWindowView& view;
    IMessageBoxes& boxes;
    SessionFactory createSession;
};

} // namespace zem
