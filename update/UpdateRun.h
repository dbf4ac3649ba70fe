#pragma once
// The update run: brings the program folder up to date with the database's file catalogue,
// then asks the start window for the launch or the close.
#include "app/CommandLine.h"
#include "app/MainDM.h"
#include "app/StartWindowView.h"
#include "platform/Platform.h"
#include "ui/MessageCatalogue.h"
#include "update/ContentTransfer.h"

namespace zem {

extern const wchar_t* const CatalogueQuery;
extern const wchar_t* const NoDatabaseText;

struct UpdateRunContext {
    TMainDM* mainDM; // null when the session object could not be built
    const CommandLine& commandLine;
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
