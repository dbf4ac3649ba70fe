#include "app/StartWindow.h"

#include "launch/Launch.h"
#include "ui/FixedTexts.h"
#include "uninstall/Uninstall.h"
#include "update/Progress.h"
#include "update/UpdateRun.h"
#include "util/Errors.h"
#include "util/PathText.h"

namespace zem {

TfrmMainUpdate::TfrmMainUpdate(const CommandLine& c, Platform& p, IStartWindowView& v,
                               IMessageBoxes& b, SessionFactory s)
    : commandLine(c), platform(p), view(v), boxes(b), createSession(std::move(s)) {}

std::wstring TfrmMainUpdate::NoticeText(int year) {
    return L"© 2004-" + std::to_wstring(year);
}

template <class F> void TfrmMainUpdate::Guarded(F handler) {
    try {
        handler();
    } catch (const Exception& e) {
        boxes.ShowError(ErrorReportText(e.Message()));
    } catch (const std::exception& e) {
        boxes.ShowError(ErrorReportText(FromUtf8(e.what())));
    }
}

void TfrmMainUpdate::Create() {
    Guarded([this] { FormCreate(); });
}

void TfrmMainUpdate::FormCreate() {
    view.SetCaption(LabelId::Label3, L"");
    view.SetCaption(LabelId::Label2, NoticeText(DecodeDateTime(platform.clock.Now()).year));
    MainDM = std::make_unique<TMainDM>(commandLine, platform, boxes, siLang1, createSession());
    if (MainDM->ORA_Session->Connected()) {
        MainDM->SendDebugStr(L"tfrmMainUpdate.FormCreate");
        view.SetCaption(LabelId::Label3, MainDM->GetConfigData());
    }
    view.SetCaption(LabelId::lFertig, L"");
    view.SetCaption(LabelId::lDurchSatz, L"");
}

void TfrmMainUpdate::FormShow() {
    view.PostToSelf(WM_DOUPDATE);
}

void TfrmMainUpdate::FormActivate() {
    view.Repaint();
}

void TfrmMainUpdate::FormKeyPress(wchar_t key) {
    if (key == 27)
        FormCloseQuery();
}

void TfrmMainUpdate::FormCloseQuery() {
    FTerm = true;
    view.PostToSelf(WM_DOFINISH);
}

void TfrmMainUpdate::Dispatch(unsigned message) {
    Guarded([&] {
        switch (message) {
        case WM_DOUPDATE:
            DoUpdate();
            break;
        case WM_DOSTART:
            DoStart();
            break;
        case WM_DOFINISH:
            DoFinish();
            break;
        default:
            break;
        }
    });
}

void TfrmMainUpdate::DoUpdate() {
    if (commandLine.IsUninstall()) {
        RunUninstall(commandLine.ParamStr(2), platform);
        view.PostToSelf(WM_DOFINISH);
        return;
    }
    UpdateRunContext context{MainDM ? MainDM->ORA_Session.get() : nullptr,
                             MainDM ? MainDM->VelkorStartDir : std::wstring(),
                             commandLine.HasSwitch(L"UPDATE_ONLY"),
                             SendDebugStr(),
                             platform,
                             view,
                             boxes,
                             siLang1,
                             EXE,
                             fStartTime,
                             [this](const std::wstring& table, std::int32_t soFar,
                                    std::int32_t total,
                                    bool& abort) { UpdateProgress(table, soFar, total, abort); }};
    RunUpdate(context);
}

void TfrmMainUpdate::DoStart() {
    if (!MainDM)
        throw Exception(NoDatabaseText);
    LaunchInput input{MainDM->VelkorStartDir, commandLine.ParamStr(1), commandLine.ParamStr(2),
                      commandLine.HasSwitch(L"Lumet"), std::wstring()};
    if (MainDM->StartedbyIniFile) {
        const TOracleSession& s = *MainDM->ORA_Session;
        input.databaseArgs = L"/DB_SCHEMA:" + s.LogonUsername + L" /DB_PASSWORD:" +
                             s.LogonPassword + L" /DB_DATABASE:" + s.LogonDatabase;
    }
    DoStartLaunch(input, platform, view, SendDebugStr(), EXE);
}

TraceLine TfrmMainUpdate::SendDebugStr() {
    return [this](const std::wstring& line) { MainDM->SendDebugStr(line); };
}

void TfrmMainUpdate::DoFinish() {
    platform.windows.Sleep(500);
    view.Close();
}

void TfrmMainUpdate::UpdateProgress(const std::wstring&, std::int32_t bytesSoFar,
                                    std::int32_t totalSize, bool& abort) {
    view.SetProgress(ProgressPercent(bytesSoFar, totalSize));
    double rate = TransferRate(bytesSoFar, fStartTime, platform.clock.Now());
    view.SetCaption(LabelId::lDurchSatz, FormatRate(rate, platform.clock.DecimalSeparator()));
    view.SetCaption(LabelId::lFertig,
                    FormatRemaining(bytesSoFar, totalSize, rate, platform.clock.TimeSeparator()));
    view.ProcessMessages();
    abort = FTerm;
}

} // namespace zem
