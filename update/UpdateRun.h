#pragma once
// The update run: brings the program folder up to date with the database's file catalogue,
// then asks the start window for the launch or the close.
#include "db/OracleSession.h"
#include "platform/Platform.h"
#include "ui/MessageCatalogue.h"
#include "ui/StartWindowView.h"
#include "update/ContentTransfer.h"

namespace zem {

extern const wchar_t* const CatalogueQuery;

struct UpdateRunContext {
    TOracleSession* session; // null when the session object could not be built
    std::wstring programFolder;
    bool updateOnly; // the UPDATE_ONLY switch: never launch
    TraceLine SendDebugStr;
    Platform& platform;
    IStartWindowView& view;
    IMessageBoxes& boxes;
    const TsiLang& siLang1;
    std::wstring& EXE;
    TDateTime& fStartTime;
    ProgressCallback progress;
};

// Runs the whole update and posts WM_DOSTART or WM_DOFINISH. Errors are reported here.
void RunUpdate(UpdateRunContext& context);

} // namespace zem
