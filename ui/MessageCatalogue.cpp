#include "ui/MessageCatalogue.h"

#include "util/PathText.h"

namespace zem {

const std::array<std::wstring_view, LanguageCount> TsiLang::Languages = {L"German", L"English",
                                                                         L"French"};

const std::vector<CatalogueRow> TsiLang::Messages = {
    {L"IDS_2", {L"Überprüfe", L"Checking", L""}},
    {L"IDS_4", {L"Lade...", L"Loading...", L""}},
    {L"IDS_5", {L"Programm ", L"Programme", L""}},
    {L"IDS_6",
     {L" konnte nicht beendet werden. Startprogramm wird beendet. Bitte beenden Sie das "
      L"genannte Programm und starten dann ZEM erneut.",
      L"Start Programme wil exit.", L""}},
    {L"IDS_7",
     {L"Connect-Bezeichner konnte nicht gefunden werden. Fehlerhafte oder nicht gefundene "
      L"TNSNAMES.ORA",
      L"Can not connect to database", L""}},
    {L"IDS_8",
     {L"Listener-Problem. Es konnte keine Verbindung eingerichtet werden. Fehlercode 12500",
      L"Can not connect to database", L""}},
    {L"IDS_9",
     {L"Der ZEM-Datenbankserver ist nicht erreichbar. Ist der Listener gestartet? Fehlercode "
      L"12541",
      L"Can not connect to database", L""}},
    {L"IDS_10",
     {L"Der ZEM-Datenbankserver startet gerade oder wird heruntergefahren. Bitte in wenigen "
      L"Minuten nochmal versuchen. Fehlercode 01033 oder 01034",
      L"Database server is not available (Starting or Shutting down)", L""}},
    {L"IDS_11",
     {L"Verbindung zum Oracle-Server konnte nicht hergestellt werden. Das Programm wird beendet",
      L"Can not not connect to database", L""}},
};

const std::vector<CatalogueRow> TsiLang::WindowTexts = {
    {L"frmMainUpdate", {L"Starte ZEM", L"Starting ZEM", L""}},
    {L"lWait", {L"Bitte warten...", L"Please Wait...", L""}},
    {L"Label5", {L"ESC = Abbruch", L"ESC = Abort", L""}},
    {L"Label3", {L"XXXXXXXXXXX", L"", L""}},
    {L"lFertig", {L"hh:mm:ss", L"", L""}},
    {L"lDurchSatz", {L"lDurchsatz", L"", L""}},
    {L"Label1", {L"Zemora Software GmbH", L"", L""}},
    {L"Label2", {L"Alle Rechte vorbehalten", L"", L""}},
};

const std::vector<CatalogueRow> TsiLang::Fonts = {
    {L"frmMainUpdate", {L"Tahoma", L"Tahoma", L"Tahoma"}},
    {L"Label1", {L"Tahoma", L"Tahoma", L"Tahoma"}},
    {L"Label2", {L"Tahoma", L"Tahoma", L"Tahoma"}},
    {L"Label3", {L"Tahoma", L"Tahoma", L"Tahoma"}},
    {L"Label5", {L"Tahoma", L"Tahoma", L"Tahoma"}},
    {L"lWait", {L"Tahoma", L"Tahoma", L"Tahoma"}},
    {L"lFertig", {L"Tahoma", L"Tahoma", L"Tahoma"}},
    {L"lDurchSatz", {L"Tahoma", L"Tahoma", L"Tahoma"}},
};

const std::vector<CatalogueRow> TsiLang::Charsets = {
    {L"frmMainUpdate", {L"DEFAULT_CHARSET", L"DEFAULT_CHARSET", L"ANSI_CHARSET"}},
    {L"Label1", {L"ANSI_CHARSET", L"DEFAULT_CHARSET", L"ANSI_CHARSET"}},
    {L"Label3", {L"ANSI_CHARSET", L"DEFAULT_CHARSET", L"ANSI_CHARSET"}},
    {L"lWait", {L"ANSI_CHARSET", L"DEFAULT_CHARSET", L"ANSI_CHARSET"}},
    {L"Label5", {L"ANSI_CHARSET", L"DEFAULT_CHARSET", L"ANSI_CHARSET"}},
    {L"Label2", {L"ANSI_CHARSET", L"DEFAULT_CHARSET", L"ANSI_CHARSET"}},
    {L"lFertig", {L"DEFAULT_CHARSET", L"DEFAULT_CHARSET", L"ANSI_CHARSET"}},
    {L"lDurchSatz", {L"DEFAULT_CHARSET", L"DEFAULT_CHARSET", L"ANSI_CHARSET"}},
};

const std::vector<CatalogueRow> TsiLang::DialogCaptions = {
    {L"OK", {L"OK", L"", L""}},
};

std::wstring TsiLang::Lookup(const std::vector<CatalogueRow>& table, std::wstring_view key) const {
    for (const CatalogueRow& row : table) {
        if (!SameTextAscii(row.key, key))
            continue;
        std::wstring_view cell = row.cells[ActiveLanguage < LanguageCount ? ActiveLanguage : 0];
        return std::wstring(cell.empty() ? row.cells[0] : cell);
    }
    return std::wstring();
}

std::wstring TsiLang::GetTextOrDefault(std::wstring_view id) const {
    return Lookup(Messages, id);
}

std::wstring TsiLang::WindowText(std::wstring_view component) const {
    return Lookup(WindowTexts, component);
}

std::wstring TsiLang::DialogCaption(std::wstring_view element) const {
    return Lookup(DialogCaptions, element);
}

void TsiLang::ShowMessage(IMessageBoxes& boxes, const std::wstring& text) const {
    boxes.ShowTranslated(text, DialogCaption(L"OK"));
}

} // namespace zem
