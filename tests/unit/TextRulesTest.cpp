// Path helpers, command-line splitting and switches, profile reading, the message catalogue.
#include "app/CommandLine.h"
#include "ui/MessageCatalogue.h"
#include "util/PathText.h"
#include "util/ProfileText.h"

#include <gtest/gtest.h>

using namespace zem;

TEST(PathText, AddBackslash) {
    EXPECT_EQ(AddBackslash(L""), L"\\");
    EXPECT_EQ(AddBackslash(L"C:\\A"), L"C:\\A\\");
    EXPECT_EQ(AddBackslash(L"C:\\A\\"), L"C:\\A\\");
}

TEST(PathText, StripSlashesNeverExaminesTheLastCharacter) {
    struct Case {
        const wchar_t* in;
        const wchar_t* out;
    } cases[] = {
        {L"", L""},
        {L"/", L"/"},
        {L"C:\\Apps\\//srv/inst_JPX_EXE", L"C:\\Apps\\srvinst_JPX_EXE"},
        {L"a/", L"a/"},
        {L"a//", L"a/"}, // the second slash moves into the last position and stays
        {L"///", L"/"},
        {L"/a/b", L"ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.in));
        std::wstring s = c.in;
        StripSlashes(s);
        EXPECT_EQ(s, c.out);
    }
}

TEST(PathText, FileNameParts) {
    EXPECT_EQ(ExtractFilePath(L"C:\\A\\b.exe"), L"C:\\A\\");
    EXPECT_EQ(ExtractFilePath(L"C:b.exe"), L"C:");
    EXPECT_EQ(ExtractFilePath(L"b.exe"), L"");
    EXPECT_EQ(RemoveFileExt(L"sub\\ZEM.exe"), L"sub\\ZEM");
    EXPECT_EQ(RemoveFileExt(L"sub.d\\README"), L"sub.d\\README");
    EXPECT_EQ(RemoveFileExt(L"a.b.c"), L"a.b");
    EXPECT_EQ(ChangeFileExt(L"C:\\Apps\\ZEM_Start.exe", L".INI"), L"C:\\Apps\\ZEM_Start.INI");
    EXPECT_EQ(ChangeFileExt(L"C:\\Apps.d\\ZEM_Start", L".INI"), L"C:\\Apps.d\\ZEM_Start.INI");
    EXPECT_EQ(Trim(L" \t\x01/u \r\n"), L"/u");
}

TEST(CommandLine, Splitting) {
    struct Case {
        const wchar_t* line;
        std::vector<std::wstring> params;
    } cases[] = {
        {L"zem.exe", {L"zem.exe"}},
        {L"\"C:\\Program Files\\zem.exe\" a  b", {L"C:\\Program Files\\zem.exe", L"a", L"b"}},
        {L"x \"a b\"c d", {L"x", L"a bc", L"d"}},
        {L"x \"\" y", {L"x", L"y"}}, // an empty quoted pair is no parameter
        {L"x \"unbalanced rest", {L"x", L"unbalanced rest"}},
        {L"x\ta\x01"
         L"b\x1f"
         L"c",
         {L"x", L"a", L"b", L"c"}}, // codes 1..32 separate
        {L"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(ToUtf8(c.line));
        EXPECT_EQ(SplitCommandLine(c.line), c.params);
    }
    std::wstring withNul(L"x a\0b", 5);
    EXPECT_EQ(SplitCommandLine(withNul), (std::vector<std::wstring>{L"x", L"a"}));
    std::wstring longParam(100000, L'q');
    EXPECT_EQ(SplitCommandLine(L"x " + longParam).at(1), longParam);
}

static CommandLine Args(std::vector<std::wstring> args) {
    args.insert(args.begin(), L"C:\\Apps\\ZEM_Start.exe");
    return CommandLine(args);
}

TEST(CommandLine, ValueSwitch) {
    struct Case {
        std::vector<std::wstring> args;
        std::optional<std::wstring> value;
    } cases[] = {
        {{L"/INIFILE:site.ini"}, L"site.ini"},
        {{L"-inifile:site.ini"}, L"site.ini"},
        {{L"/INIFILE=site.ini"}, L"=site.ini"},
        {{L"/INIFILE"}, L""},
        {{L"/INIFILE:"}, L""},
        {{L"/INIFILE::x"}, L":x"},
        {{L"/INIFILEx.ini"}, L"x.ini"},                // prefix match: the rest is the value
        {{L"/INIFILE", L"site.ini"}, L""},             // never the next parameter
        {{L"/a", L"/inifile:1", L"/INIFILE:2"}, L"1"}, // the first match decides
        {{L"INIFILE:site.ini"}, std::nullopt},
        {{L"/INIFIL"}, std::nullopt},
        {{}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "" : ToUtf8(c.args[0]));
        EXPECT_EQ(Args(c.args).ValueSwitch(L"INIFILE"), c.value);
    }
}

TEST(CommandLine, PlainSwitchAndUninstall) {
    EXPECT_TRUE(Args({L"@PROD", L"/update_only"}).HasSwitch(L"UPDATE_ONLY"));
    EXPECT_TRUE(Args({L"-LUMET"}).HasSwitch(L"Lumet"));
    EXPECT_FALSE(Args({L"/HELP:1"}).HasSwitch(L"HELP"));
    EXPECT_FALSE(Args({L"HELP"}).HasSwitch(L"HELP"));
    EXPECT_TRUE(Args({L" /u "}).IsUninstall());
    EXPECT_TRUE(Args({L"/U", L"PROD"}).IsUninstall());
    EXPECT_FALSE(Args({L"-u"}).IsUninstall());
    EXPECT_FALSE(Args({L"@PROD", L"/u"}).IsUninstall());
    EXPECT_FALSE(Args({}).IsUninstall());
    EXPECT_EQ(Args({L"a"}).ParamStr(5), L"");
}

TEST(ProfileText, LookupRules) {
    const std::wstring text =
        L"; comment\r\n[other]\r\nDATABASE=wrong\r\n[ db ]\r\n  database =  \"PROD\"  \r\n"
        L"username='scott'\r\npassword=\r\nnoequals\r\n[DB]\r\nUSERNAME=second\r\n";
    EXPECT_EQ(ProfileLookup(text, L"DB", L"DATABASE", L"ZEM"), L"PROD");
    EXPECT_EQ(ProfileLookup(text, L"DB", L"USERNAME", L"JPX"), L"scott");
    EXPECT_EQ(ProfileLookup(text, L"DB", L"PASSWORD", L"JPX"), L"");
    EXPECT_EQ(ProfileLookup(text, L"DB", L"MISSING", L"dflt"), L"dflt");
    EXPECT_EQ(ProfileLookup(L"", L"DB", L"DATABASE", L"ZEM"), L"ZEM");
    EXPECT_EQ(ProfileLookup(L"DATABASE=x\n", L"DB", L"DATABASE", L"ZEM"), L"ZEM"); // no section
    EXPECT_EQ(ProfileLookup(L"[DB]\nDATABASE=\"'x'\"\n", L"DB", L"DATABASE", L""), L"'x'");
    std::wstring huge(5000, L'v');
    EXPECT_EQ(ProfileLookup(L"[DB]\nDATABASE=" + huge, L"DB", L"DATABASE", L"").size(), 2047u);
}

TEST(ProfileText, DecodesUtf16AndBinaryWithoutFailing) {
    const char utf16Bytes[] = "\xFF\xFE[\0D\0B\0]\0\n\0K\0=\0\xFC\0";
    std::string utf16(utf16Bytes, sizeof utf16Bytes - 1);
    EXPECT_EQ(ProfileLookup(DecodeProfileBytes(utf16), L"DB", L"K", L""), L"ü");
    const char binaryBytes[] = "\x00\xff\x80junk\n[DB]\x00\nK=v\x9f\n";
    std::string binary(binaryBytes, sizeof binaryBytes - 1);
    EXPECT_EQ(ProfileLookup(DecodeProfileBytes(binary), L"DB", L"K", L"d"), L"v\xFFFD");
}

TEST(MessageCatalogue, LookupIgnoresCaseAndFallsBackToGerman) {
    TsiLang lang;
    EXPECT_EQ(lang.GetTextOrDefault(L"ids_7"), lang.GetTextOrDefault(L"IDS_7"));
    EXPECT_EQ(lang.GetTextOrDefault(L"IDS_2"), L"Überprüfe");
    EXPECT_EQ(lang.GetTextOrDefault(L"IDS_3"), L"");
    EXPECT_EQ(lang.GetTextOrDefault(L"IDS_5") + L"ZEM" + lang.GetTextOrDefault(L"IDS_6"),
              L"Programm ZEM konnte nicht beendet werden. Startprogramm wird beendet. Bitte "
              L"beenden Sie das genannte Programm und starten dann ZEM erneut.");
    EXPECT_NE(lang.GetTextOrDefault(L"IDS_11").back(), L'.');
    EXPECT_EQ(lang.DialogCaption(L"ok"), L"OK");
    lang.ActiveLanguage = 1;
    EXPECT_EQ(lang.GetTextOrDefault(L"IDS_4"), L"Loading...");
    lang.ActiveLanguage = 2; // every French cell is empty
    for (const CatalogueRow& row : TsiLang::Messages)
        EXPECT_EQ(lang.GetTextOrDefault(row.key), std::wstring(row.cells[0]));
}
