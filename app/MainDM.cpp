#include "app/MainDM.h"

#include "ui/FixedTexts.h"
#include "util/Errors.h"
#include "util/PathText.h"

namespace zem {

const wchar_t* LogonFailureId(int oracleErrorCode) {
    switch (oracleErrorCode) {
    case 12154:
        return L"IDS_7";
    case 12500:
        return L"IDS_8";
    case 12541:
        return L"IDS_9";
    case 1033:
    case 1034:
        return L"IDS_10";
    default:
        return L"";
    }
}

TMainDM::TMainDM(const CommandLine& commandLine, Platform& p, IMessageBoxes& boxes,
                 const TsiLang& siLang1, std::unique_ptr<TOracleSession> session)
    : ORA_Session(std::move(session)), platform(p) {
    const std::wstring param1 = commandLine.ParamStr(1);
    ORA_Session->LogonUsername = L"JPX";
    ORA_Session->LogonPassword = L"JPX";
    ORA_Session->LogonDatabase = L"ZEM";
    StartedbyIniFile = false;

    const std::wstring programPath = commandLine.ParamStr(0);
    const std::wstring programFolder = ExtractFilePath(programPath);
    std::wstring iniPath = ChangeFileExt(programPath, L".INI");
    if (auto value = commandLine.ValueSwitch(L"INIFILE")) {
        iniPath = programFolder + *value;
        StartedbyIniFile = true;
    }
    if (commandLine.HasSwitch(L"HELP"))
        boxes.ShowPlain(UsageText);
    SendDebugStr(L"Loading ini file @ " + iniPath);

    if (platform.files.FileExists(iniPath)) {
        ORA_Session->LogonDatabase = platform.files.ReadProfileString(iniPath, L"DB", L"DATABASE",
                                                                      ORA_Session->LogonDatabase);
        ORA_Session->LogonUsername = platform.files.ReadProfileString(iniPath, L"DB", L"USERNAME",
                                                                      ORA_Session->LogonUsername);
        ORA_Session->LogonPassword = platform.files.ReadProfileString(iniPath, L"DB", L"PASSWORD",
                                                                      ORA_Session->LogonPassword);
    }

    std::size_t at = param1.find(L'@');
    if (at != std::wstring::npos) {
        std::wstring alias = param1.substr(at + 1);
        SendDebugStr(L"  Working TNS=" + alias);
        ORA_Session->LogonDatabase = alias;
    }

    VelkorStartDir =
        programFolder + ORA_Session->LogonDatabase + L"_" + ORA_Session->LogonUsername + L"_EXE";
    if (auto value = commandLine.ValueSwitch(L"START_PATH"))
        VelkorStartDir = *value;

    std::wstring failure;
    try {
        ORA_Session->SetConnected(false);
        ORA_Session->SetConnected(true);
    } catch (const EOracleError& e) {
        SendDebugStr(L"OracleErrorCode : " + std::to_wstring(e.ErrorCode));
        failure = siLang1.GetTextOrDefault(LogonFailureId(e.ErrorCode));
    }
    if (!ORA_Session->Connected())
        siLang1.ShowMessage(boxes, failure + L"\n\r" + siLang1.GetTextOrDefault(L"IDS_11"));
}

void TMainDM::SendDebugStr(const std::wstring& S) {
    platform.debug.Output(S);
}

std::unique_ptr<TOracleQuery> TMainDM::GetQuery() {
    return ORA_Session->NewQuery();
}

std::wstring TMainDM::GetConfigData() {
    auto query = GetQuery();
    query->SQL = L"Select MandantName From zemconfig";
    query->Execute();
    if (query->Eof())
        return std::wstring();
    if (query->FieldIsNull(L"Mandantname"))
        return L"unknown";
    return query->Field(L"Mandantname");
}

} // namespace zem
