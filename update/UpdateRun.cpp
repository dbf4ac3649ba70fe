#include "update/UpdateRun.h"

#include "ui/FixedTexts.h"
#include "update/FileReplacement.h"
#include "update/TargetPath.h"
#include "util/Errors.h"
#include "util/PathText.h"

#include <algorithm>
#include <new>
#include <stdexcept>

namespace zem {

const wchar_t* const CatalogueQuery =
    L"select cfid, cfname, cfAttr, cfExec, cfDate  from zemfiles   where "
    L"zemvolume.GetPathForId(cfId)='ZEM_HOME\\EXE' order by cfid";

constexpr std::int64_t FolderAttribute = 0x10;

namespace {

class UpdateRun {
public:
    explicit UpdateRun(UpdateRunContext& c)
        : ctx(c), session(*c.session), files(c.platform.files), windows(c.platform.windows) {}
    void Run();

private:
    std::unique_ptr<IProcessLock> WaitForOtherCopies();
    void HandleEntry(TOracleQuery& query);
    void HandleFile(TOracleQuery& query, const std::wstring& cfname, const std::wstring& target);
    void CloseRunningCopy(const std::wstring& cfname);
    void EnsureFolder(const std::wstring& folder);

    UpdateRunContext& ctx;
    TOracleSession& session;
    IFileSystem& files;
    IWindows& windows;
    bool stop = false;
};

void UpdateRun::Run() {
    ctx.SendDebugStr(L"tfrmMainUpdate.DoUpdate");
    stop = false;
    auto query = session.NewQuery();
    ctx.EXE = L"ZEM.exe";
    ctx.SendDebugStr(L" *Parms");
    ctx.SendDebugStr(L"  ZEMHOME=");
    ctx.SendDebugStr(L"  EXE=" + ctx.EXE);
    ctx.SendDebugStr(L"  LOWBAND=0");
    ctx.SendDebugStr(L"  MemBuffer=65000");

    // Held until the run ends, so that a second start program on the same folder waits.
    const auto lock = WaitForOtherCopies();
    if (!ctx.view.Terminated()) {
        query->SQL = CatalogueQuery;
        ctx.view.SetCaption(LabelId::lWait, ctx.siLang1.GetTextOrDefault(L"IDS_2"));
        ctx.view.ProcessMessages();
        query->Execute();
        while (!query->Eof() && !stop) {
            HandleEntry(*query);
            query->Next();
        }
    }

    ctx.view.SetCaption(LabelId::Label5, L"");
    ctx.view.ProcessMessages();
    if (ctx.view.Terminated() || stop || ctx.updateOnly)
        ctx.view.PostToSelf(WM_DOFINISH);
    else
        ctx.view.PostToSelf(WM_DOSTART);
}

std::unique_ptr<IProcessLock> UpdateRun::WaitForOtherCopies() {
    // One lock per program folder: its full path, case-folded; '\' may not stand in a
    // mutex name after its namespace.
    std::wstring name = UpperCaseLocale(AddBackslash(ctx.programFolder));
    std::replace(name.begin(), name.end(), L'\\', L'/');
    auto lock = ctx.platform.locks.Open(L"Global\\ZEM_Start " + name);
    if (!lock) {
        ctx.SendDebugStr(L"  No lock for the program folder; going on without it");
        return nullptr;
    }
    if (lock->Acquire(0))
        return lock;
    ctx.SendDebugStr(L"  Waiting for another start program on " + ctx.programFolder);
    ctx.view.SetCaption(LabelId::lWait, L"Warte auf ein anderes Startprogramm ...");
    while (!lock->Acquire(100)) {
        ctx.view.ProcessMessages();
        if (ctx.view.Terminated())
            return nullptr;
    }
    return lock;
}

void UpdateRun::EnsureFolder(const std::wstring& folder) {
    if (folder.empty())
        throw EInOutError(L"Ordner kann nicht angelegt werden: der Ordnerpfad ist leer", 3);
    if (!files.DirectoryExists(folder))
        files.ForceDirectories(folder);
}

void UpdateRun::HandleEntry(TOracleQuery& query) {
    const std::wstring cfname = query.FieldAsString(L"cfname");
    const std::int64_t attr = query.FieldAsInteger(L"cfAttr");
    const TargetPaths paths = ComposeTarget(ctx.programFolder, cfname);
    ctx.SendDebugStr(L"  FName=" + AddBackslash(ctx.programFolder) + cfname);
    if (!IsInsideProgramFolder(ctx.programFolder, paths.target)) {
        ctx.siLang1.ShowMessage(ctx.boxes, L"Der Katalogeintrag \"" + cfname +
                                               L"\" ist kein Name im Programmordner und "
                                               L"wird übersprungen.");
        return;
    }

    EnsureFolder(paths.folder);
    if (attr & FolderAttribute)
        return;
    try {
        HandleFile(query, cfname, paths.target);
    } catch (const Exception& e) {
        ctx.siLang1.ShowMessage(ctx.boxes, e.Message());
    } catch (const std::exception& e) {
        // Not the program's own failure kinds: the entry's error all the same.
        const bool noMemory = dynamic_cast<const std::bad_alloc*>(&e) != nullptr ||
                              dynamic_cast<const std::length_error*>(&e) != nullptr;
        ctx.siLang1.ShowMessage(
            ctx.boxes, noMemory ? L"Für \"" + cfname + L"\" reicht der Arbeitsspeicher nicht aus."
                                : L"\"" + cfname + L"\": " + FromUtf8(e.what()));
    }
}

void UpdateRun::CloseRunningCopy(const std::wstring& cfname) {
    const std::wstring title = RemoveFileExt(cfname);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        std::uintptr_t window = windows.FindWindowByTitle(title);
        if (window == 0)
            return;
        windows.PostMessageTo(window, attempt < 3 ? WM_CLOSE_MESSAGE : WM_DESTROY_MESSAGE);
        windows.Sleep(1000);
    }
    stop = true;
    throw Exception(ctx.siLang1.GetTextOrDefault(L"IDS_5") + title +
                    ctx.siLang1.GetTextOrDefault(L"IDS_6"));
}

void UpdateRun::HandleFile(TOracleQuery& query, const std::wstring& cfname,
                           const std::wstring& target) {
    const TDateTime cfDate = query.FieldAsDate(L"cfDate");
    if (target.size() >= MaxPath)
        throw EInOutError(L"Der Pfad \"" + target + L"\" ist zu lang", 206);
    RepairAfterCrash(files, target);
    if (files.FileExists(target) && SameMillisecond(files.GetCreationTime(target), cfDate))
        return;

    if (ctx.view.AlertCount() == 0)
        ctx.view.ShowAlert(AlertCaption, AlertText, 0);
    ctx.view.SetCaption(LabelId::lWait, ctx.siLang1.GetTextOrDefault(L"IDS_4"));
    ctx.view.ProcessMessages();
    ctx.view.SetCaption(LabelId::lWait, cfname);

    CloseRunningCopy(cfname);

    // The previous version stays untouched until the new one is complete on the disk.
    FileReplacement replacement(files, target);
    {
        const auto out = replacement.CreateTemporary();
        ctx.fStartTime = ctx.platform.clock.Now();
        if (!ReadCompressedBlob(session, *out, L"ZEMFILES", L"CFFILE",
                                L"where cfid = " + std::to_wstring(query.FieldAsInteger(L"cfid")),
                                ctx.progress)) {
            stop = true;
            return;
        }
        out->Flush();
        out->Close();
    }
    replacement.Swap();
    files.SetCreationTime(target, cfDate);
    replacement.Commit();
    if (query.FieldAsInteger(L"cfExec") == 2)
        stop = true;
}

} // namespace

void RunUpdate(UpdateRunContext& ctx) {
    try {
        if (ctx.session == nullptr || !ctx.session->Connected()) {
            ctx.boxes.ShowPlain(NoDatabaseText);
            ctx.view.PostToSelf(WM_DOFINISH);
            return;
        }
        UpdateRun(ctx).Run();
    } catch (const Exception& e) {
        ctx.boxes.ShowPlain(e.Message());
        ctx.view.PostToSelf(WM_DOFINISH);
    } catch (const std::exception& e) {
        ctx.boxes.ShowPlain(FromUtf8(e.what()));
        ctx.view.PostToSelf(WM_DOFINISH);
    }
}

} // namespace zem
