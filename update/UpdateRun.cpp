#include "update/UpdateRun.h"

#include "util/Errors.h"
#include "util/PathText.h"

namespace zem {

const wchar_t* const CatalogueQuery =
    L"select cfid, cfname, cfAttr, cfExec, cfDate  from zemfiles   where "
    L"zemvolume.GetPathForId(cfId)='ZEM_HOME\\EXE' order by cfid";
const wchar_t* const NoDatabaseText =
    L"Oracle-Umgebung nicht installiert. Bitte fragen Sie Ihren Administrator";

constexpr std::int64_t FolderAttribute = 0x10;

bool IsInsideProgramFolder(const std::wstring& cfname) {
    if (cfname.empty() || cfname[0] == L'\\' || cfname[0] == L'/' ||
        cfname.find(L':') != std::wstring::npos)
        return false;
    std::size_t start = 0;
    while (start <= cfname.size()) {
        std::size_t end = cfname.find_first_of(L"\\/", start);
        if (end == std::wstring::npos)
            end = cfname.size();
        if (Trim(cfname.substr(start, end - start)) == L"..")
            return false;
        start = end + 1;
    }
    return true;
}

namespace {

class UpdateRun {
public:
    explicit UpdateRun(UpdateRunContext& c)
        : ctx(c), dm(*c.mainDM), files(c.platform.files), windows(c.platform.windows) {}
    void Run();

private:
    void HandleEntry(TOracleQuery& query);
    void HandleFile(TOracleQuery& query, const std::wstring& cfname, const std::wstring& target);
    void CloseRunningCopy(const std::wstring& cfname);
    void EnsureFolder(const std::wstring& folder);

    UpdateRunContext& ctx;
    TMainDM& dm;
    IFileSystem& files;
    IWindows& windows;
    bool stop = false;
};

void UpdateRun::Run() {
    dm.SendDebugStr(L"tfrmMainUpdate.DoUpdate");
    stop = false;
    auto query = dm.GetQuery();
    ctx.EXE = L"ZEM.exe";
    dm.SendDebugStr(L" *Parms");
    dm.SendDebugStr(L"  ZEMHOME=");
    dm.SendDebugStr(L"  EXE=" + ctx.EXE);
    dm.SendDebugStr(L"  LOWBAND=0");
    dm.SendDebugStr(L"  MemBuffer=65000");

    query->SQL = CatalogueQuery;
    ctx.view.SetCaption(LabelId::lWait, ctx.siLang1.GetTextOrDefault(L"IDS_2"));
    ctx.view.ProcessMessages();
    query->Execute();
    while (!query->Eof() && !stop) {
        HandleEntry(*query);
        query->Next();
    }

    ctx.view.SetCaption(LabelId::Label5, L"");
    ctx.view.ProcessMessages();
    if (ctx.view.Terminated() || stop || ctx.commandLine.HasSwitch(L"UPDATE_ONLY"))
        ctx.view.PostToSelf(WM_DOFINISH);
    else
        ctx.view.PostToSelf(WM_DOSTART);
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
    std::wstring target = AddBackslash(dm.VelkorStartDir) + cfname;
    dm.SendDebugStr(L"  FName=" + target);
    if (!IsInsideProgramFolder(cfname)) {
        ctx.siLang1.ShowMessage(ctx.boxes, L"Der Katalogeintrag \"" + cfname +
                                               L"\" liegt außerhalb des Programmordners und "
                                               L"wird übersprungen.");
        return;
    }
    std::wstring folder = ExtractFilePath(target);
    if (!folder.empty())
        folder.pop_back();
    StripSlashes(folder);
    StripSlashes(target);

    EnsureFolder(folder);
    if (attr & FolderAttribute)
        return;
    try {
        HandleFile(query, cfname, target);
    } catch (const Exception& e) {
        ctx.siLang1.ShowMessage(ctx.boxes, e.Message());
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
    const bool exists = files.FileExists(target);
    if (exists && SameMillisecond(files.GetCreationTime(target), cfDate))
        return;

    if (ctx.view.AlertCount() == 0)
        ctx.view.ShowAlert(L"ZEM-Update", L"Dateien werden aktualisiert", 0);
    ctx.view.SetCaption(LabelId::lWait, ctx.siLang1.GetTextOrDefault(L"IDS_4"));
    ctx.view.ProcessMessages();
    ctx.view.SetCaption(LabelId::lWait, cfname);

    CloseRunningCopy(cfname);

    // The previous version is kept as ".old" until the new one is complete. A backup left
    // by an earlier run is removed first, so that a roll back restores the version that
    // was really there; without a backup the current file is never overwritten.
    const std::wstring backup = target + L".old";
    if (exists) {
        if (files.FileExists(backup) && !files.RemoveFile(backup))
            throw EInOutError(L"Die alte Sicherung \"" + backup + L"\" kann nicht gelöscht werden",
                              5);
        if (!files.RenameFile(target, backup))
            throw EInOutError(L"Die Datei \"" + target + L"\" kann nicht gesichert werden", 5);
    }
    // From here on an existing file has its backup.
    auto rollBack = [&] {
        files.RemoveFile(target);
        if (exists)
            files.RenameFile(backup, target);
    };

    const std::int64_t cfid = query.FieldAsInteger(L"cfid");
    bool ok = false;
    {
        std::unique_ptr<IOutputFile> out;
        try {
            out = files.CreateOutputFile(target);
            ctx.fStartTime = ctx.platform.clock.Now();
            ok = ReadCompressedBlob(*dm.ORA_Session, *out, L"ZEMFILES", L"CFFILE",
                                    L"where cfid = " + std::to_wstring(cfid), ctx.progress);
            out->Close();
        } catch (...) {
            out.reset();
            rollBack();
            throw;
        }
    }
    if (ok) {
        files.RemoveFile(backup);
    } else {
        stop = true;
        rollBack();
    }

    if (!stop) {
        files.SetCreationTime(target, cfDate);
        if (query.FieldAsInteger(L"cfExec") == 2)
            stop = true;
    }
}

} // namespace

void RunUpdate(UpdateRunContext& ctx) {
    try {
        if (ctx.mainDM == nullptr || !ctx.mainDM->ORA_Session->Connected()) {
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
