#pragma once
// The program's fixed German texts: those that are not looked up in the message catalogue.

namespace zem {

// Caption of every message box and the application's title.
inline constexpr const wchar_t* ApplicationTitle = L"ZEM Startprogram";

// Shown for the HELP switch.
inline constexpr const wchar_t* UsageText =
    L"ZEM_START.EXE [/INIFILE=Filename] [@TNSNAMES-ALIAS] [@//SERVER/INSTANCE] [/UPDATE_ONLY] "
    L"[/UPDATE_PATH=Pathname]. Startet das ZEM_START-Programm. Es müssen Schreibrechte "
    L"vorhanden sein!";

// Shown when there is no database session to update from or to launch with.
inline constexpr const wchar_t* NoDatabaseText =
    L"Oracle-Umgebung nicht installiert. Bitte fragen Sie Ihren Administrator";

// The slide-in alert while files are being updated.
inline constexpr const wchar_t* AlertCaption = L"ZEM-Update";
inline constexpr const wchar_t* AlertText = L"Dateien werden aktualisiert";

} // namespace zem
