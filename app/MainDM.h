#pragma once
// The session object: logon values, the local program folder, the database session and
// the program's trace channel.
#include "app/CommandLine.h"
#include "db/OracleSession.h"
#include "platform/Platform.h"
#include "ui/MessageCatalogue.h"

#include <memory>
#include <string>

namespace zem {

class TMainDM {
public:
    // Decides the logon values from the built-in defaults, the settings file and the
    // command line, works out VelkorStartDir and logs on. A refused logon is shown and
    // leaves the session not connected; a client that cannot be loaded throws.
    TMainDM(const CommandLine& commandLine, Platform& platform, IMessageBoxes& boxes,
            const TsiLang& siLang1, std::unique_ptr<TOracleSession> session);

    std::unique_ptr<TOracleSession> ORA_Session;
    bool StartedbyIniFile = false;
    std::wstring VelkorStartDir;

    void SendDebugStr(const std::wstring& S);
    std::unique_ptr<TOracleQuery> GetQuery();
    // The tenant name: "" without a row, "unknown" for a null name. Failures reach the caller.
    std::wstring GetConfigData();

private:
    Platform& platform;
};

// The message identifier for a refused logon's error number; "" for any other number.
const wchar_t* LogonFailureId(int oracleErrorCode);

} // namespace zem
