; Installer of the ZEM start program for one database alias, per machine.
;
; Built by tools/make-installer.sh, which passes:
;   TARGET   x86-unicode (the shipping installer) or amd64-unicode (the Wine tests)
;   PROGRAM  the ZEM_Start.exe to pack
;   VERSION  x.y.z from the CMake project
;   OUTFILE  the installer to write
;   SIGN     optional: a command that signs the file named by %1 (installer and uninstaller)
;
; Command line: /S silent; /ALIAS=<alias> (required with /S, asked for on a page otherwise);
; /INI=<file> copied beside the program as ZEM_Start.INI; /D=<folder> (last) the install
; folder. Exit code 0 on success, 2 on a refused command line or a failed installation, with
; one line on why on standard error and in %TEMP%\ZEM_Setup.log.
;
; What an installation is, for alias A in folder F:
;   F\ZEM_Start.exe, F\ZEM_Start.INI (from /INI), F\uninstall.exe; F readable, not writable,
;   for Users. F\A_<user>_EXE, the program folder the start program fills, with Modify for
;   Users, so a standard user's start can update it. The entry Zemora@A in the 32-bit view
;   of HKLM's uninstall list, and the Start-menu shortcut "ZEM (A)". One folder holds one
;   alias: the start program's uninstall mode deletes every plain file of InstallLocation.

Target ${TARGET}
!include FileFunc.nsh
!include LogicLib.nsh
!include nsDialogs.nsh

!define PRODUCT "ZEM"
!define PUBLISHER "Zemora Software GmbH"
!define UNINSTALL_ROOT "SOFTWARE\Microsoft\Windows\CurrentVersion\uninstall"
!define ENTRY_PREFIX "Zemora@"
!define UNINSTALLER "uninstall.exe"
; Well-known SIDs: the names differ by Windows language, the SIDs do not.
!define SID_ADMINS "*S-1-5-32-544"
!define SID_SYSTEM "*S-1-5-18"
!define SID_USERS "*S-1-5-32-545"
!define BUILTIN_USER "JPX"
; Characters of a database alias: a TNS alias or an ODBC data source name. Nothing that a
; folder name, a registry key name, a shortcut name or the command line would take apart.
!define ALIAS_CHARS "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_.-"
!define ALIAS_FIRST "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
!define ALIAS_MAX 64
; How long the uninstaller lets the start program's uninstall mode run (half seconds).
!define PROGRAM_UNINSTALL_LIMIT 240
!define SYNCHRONIZE 0x00100000

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel admin
SetCompressor /SOLID lzma
; Empty, so that .onInit can tell whether /D= was given.
InstallDir ""
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "${PUBLISHER}"

!ifdef SIGN
!finalize '${SIGN}'
!uninstfinalize '${SIGN}'
!endif

Var Alias
Var IniFile
Var GivenDir       ; the /D= value as written, or empty
Var ExistingDir    ; InstallLocation of this alias's entry, or empty
Var ProgramFolder  ; <alias>_<user>_EXE
Var NewInstall     ; 1 when this run created the installation
Var Reason         ; why the installation failed
Var AliasField

Page custom AliasPage AliasPageLeave
Page directory DirectoryPre "" DirectoryLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; ---- shared helpers -----------------------------------------------------------------------

; Writes "ZEM_Setup: <text>" as one line on standard error (when there is one, as under a
; deployment tool that captures it) and appends it to %TEMP%\ZEM_Setup.log.
!macro ReportLine un
Function ${un}ReportLine
    Exch $R9
    Push $R8
    Push $R7
    Push $R6
    StrCpy $R8 "ZEM_Setup: $R9$\r$\n"
    StrLen $R7 $R8
    System::Call 'kernel32::GetStdHandle(i -12) p .R6'
    ${If} $R6 P<> 0
    ${AndIf} $R6 P<> -1
        System::Call 'kernel32::WriteFile(p R6, m R8, i R7, *i .R7, p 0)'
    ${EndIf}
    ClearErrors
    FileOpen $R6 "$TEMP\ZEM_Setup.log" a
    ${IfNot} ${Errors}
        FileSeek $R6 0 END
        FileWrite $R6 $R8
        FileClose $R6
    ${EndIf}
    Pop $R6
    Pop $R7
    Pop $R8
    Pop $R9
FunctionEnd
!macroend
!insertmacro ReportLine ""
!insertmacro ReportLine "un."

; Ends the run with exit code 2 and the reason given on the stack: a line (see ReportLine),
; and a message box unless silent.
!macro Refuse un
Function ${un}Refuse
    Exch $R9
    Push $R9
    Call ${un}ReportLine
    MessageBox MB_OK|MB_ICONSTOP "$R9" /SD IDOK
    SetErrorLevel 2
    Quit
FunctionEnd
!macroend
!insertmacro Refuse ""
!insertmacro Refuse "un."

; Sets $R0 to the InstallLocation of the entry of the alias on the stack, or empty.
Function EntryLocation
    Exch $R1
    ClearErrors
    ReadRegStr $R0 HKLM "${UNINSTALL_ROOT}\${ENTRY_PREFIX}$R1" "InstallLocation"
    Pop $R1
FunctionEnd

; Sets $R0 to the alias whose entry names the folder on the stack as its InstallLocation,
; or empty. Aliases are compared without regard to case, like registry key names.
!macro AliasOfFolder un
Function ${un}AliasOfFolder
    Exch $R1
    Push $R2
    Push $R3
    Push $R4
    StrCpy $R0 ""
    StrCpy $R2 0
    ${Do}
        EnumRegKey $R3 HKLM "${UNINSTALL_ROOT}" $R2
        ${If} $R3 == ""
            ${Break}
        ${EndIf}
        IntOp $R2 $R2 + 1
        StrCpy $R4 $R3 7
        ${If} $R4 == "${ENTRY_PREFIX}"
            ReadRegStr $R4 HKLM "${UNINSTALL_ROOT}\$R3" "InstallLocation"
            ${If} $R4 != ""
            ${AndIf} $R4 == $R1
                StrCpy $R0 $R3 "" 7
                ${Break}
            ${EndIf}
        ${EndIf}
    ${Loop}
    Pop $R4
    Pop $R3
    Pop $R2
    Pop $R1
FunctionEnd
!macroend
!insertmacro AliasOfFolder ""
!insertmacro AliasOfFolder "un."

; Sets $R0 to the alias of an installation whose folder contains the folder on the stack
; (lies above it), or empty: that alias's removal would delete it.
Function InstallationAbove
    Exch $R1
    Push $R2
    Push $R3
    Push $R4
    Push $R5
    StrCpy $R0 ""
    StrCpy $R2 0
    ${Do}
        EnumRegKey $R3 HKLM "${UNINSTALL_ROOT}" $R2
        ${If} $R3 == ""
            ${Break}
        ${EndIf}
        IntOp $R2 $R2 + 1
        StrCpy $R4 $R3 7
        ${If} $R4 == "${ENTRY_PREFIX}"
            ReadRegStr $R4 HKLM "${UNINSTALL_ROOT}\$R3" "InstallLocation"
            StrLen $R5 $R4
            ${If} $R5 > 0
                StrCpy $R5 $R1 $R5
                ${If} $R5 == $R4
                    StrLen $R5 $R4
                    StrCpy $R5 $R1 1 $R5
                    ${If} $R5 == "\"
                        StrCpy $R0 $R3 "" 7
                        ${Break}
                    ${EndIf}
                ${EndIf}
            ${EndIf}
        ${EndIf}
    ${Loop}
    Pop $R5
    Pop $R4
    Pop $R3
    Pop $R2
    Pop $R1
FunctionEnd

; ---- installer: command line and checks ---------------------------------------------------

; Reads /ALIAS=, /INI= and /D= from the process's own command line (NSIS itself strips /D=
; from $CMDLINE, drops a value it does not like and ignores "/D=..." in quotes). Refuses
; unknown options.
Function ReadCommandLine
    System::Call 'kernel32::GetCommandLineW() w .r0'
    ; /D= takes the rest of the line, blanks included.
    StrCpy $GivenDir ""
    StrLen $1 $0
    StrCpy $2 0
    ${DoWhile} $2 < $1
        StrCpy $3 $0 4 $2
        ${If} $3 S== " /D="
            IntOp $4 $2 + 4
            StrCpy $GivenDir $0 "" $4
            StrCpy $0 $0 $2
            ${Break}
        ${EndIf}
        IntOp $2 $2 + 1
    ${Loop}
    ; The rest, split the way every Windows program splits its command line.
    System::Call 'shell32::CommandLineToArgvW(w r0, *i .r1) p .r2'
    ${If} $2 P= 0
        Push "cannot read the command line"
        Call Refuse
    ${EndIf}
    StrCpy $3 1
    ${DoWhile} $3 < $1
        IntOp $4 $3 * ${NSIS_PTR_SIZE}
        IntPtrOp $4 $2 + $4
        System::Call '*$4(p .r5)'
        System::Call '*$5(&w${NSIS_MAX_STRLEN} .r6)'
        StrCpy $7 $6 7
        StrCpy $8 $6 5
        StrCpy $9 $6 3
        ${If} $7 == "/ALIAS="
            StrCpy $Alias $6 "" 7
        ${ElseIf} $8 == "/INI="
            StrCpy $IniFile $6 "" 5
        ${ElseIf} $9 S== "/D="
            ; Given in quotes, which NSIS itself does not take.
            StrCpy $GivenDir $6 "" 3
        ${ElseIf} $6 S== "/S"
        ${OrIf} $6 S== "/NCRC"
        ${Else}
            System::Call 'kernel32::LocalFree(p r2)'
            Push "unknown option $6 (options: /S /ALIAS=<alias> /INI=<file> /D=<folder>)"
            Call Refuse
        ${EndIf}
        IntOp $3 $3 + 1
    ${Loop}
    System::Call 'kernel32::LocalFree(p r2)'
FunctionEnd

; Sets $R0 to why the alias cannot be used, or empty.
Function CheckAlias
    StrCpy $R0 ""
    StrLen $0 $Alias
    StrCpy $3 $Alias
    System::Call 'shlwapi::StrSpnW(w r3, w "${ALIAS_CHARS}") i .r1'
    System::Call 'shlwapi::StrSpnW(w r3, w "${ALIAS_FIRST}") i .r2'
    ${If} $0 = 0
        StrCpy $R0 "no database alias given: /ALIAS=<alias> is required"
    ${ElseIf} $0 > ${ALIAS_MAX}
        StrCpy $R0 "database alias longer than ${ALIAS_MAX} characters"
    ${ElseIf} $1 <> $0
    ${OrIf} $2 = 0
        StrCpy $R0 "bad database alias '$Alias': letters, digits, '_', '.' and '-' only, starting with a letter or digit"
    ${EndIf}
FunctionEnd

; Sets $R0 to why the settings file cannot be used, or empty; makes $IniFile a full path.
Function CheckIniFile
    StrCpy $R0 ""
    ${If} $IniFile != ""
        StrCpy $2 $IniFile
        System::Call 'kernel32::GetFullPathNameW(w r2, i ${NSIS_MAX_STRLEN}, w .r0, p 0) i .r1'
        ${If} $1 <> 0
            StrCpy $IniFile $0
        ${EndIf}
        ${If} ${FileExists} "$IniFile\*.*"
        ${OrIfNot} ${FileExists} "$IniFile"
            StrCpy $R0 "settings file not found: $IniFile"
        ${EndIf}
    ${EndIf}
FunctionEnd

; Decides $INSTDIR: the folder of an earlier installation of the alias (updated in place),
; else /D=, else the default. Sets $R0 to why that cannot be, or empty.
Function ChooseFolder
    StrCpy $R0 ""
    Push $Alias
    Call EntryLocation
    StrCpy $ExistingDir $R0
    StrCpy $R0 ""
    ${If} $ExistingDir != ""
        ${If} $GivenDir != ""
            Push $GivenDir
            Call NormalFolder
            ${If} $R1 != $ExistingDir
                StrCpy $R0 "alias $Alias is installed in $ExistingDir; install it there to update it, or remove it first"
                Return
            ${EndIf}
        ${EndIf}
        StrCpy $INSTDIR $ExistingDir
    ${ElseIf} $GivenDir != ""
        Push $GivenDir
        Call NormalFolder
        StrCpy $INSTDIR $R1
    ${Else}
        StrCpy $INSTDIR "$PROGRAMFILES32\${PRODUCT}\$Alias"
    ${EndIf}
FunctionEnd

; Sets $R1 to the folder on the stack without trailing backslashes.
Function NormalFolder
    Pop $R1
    ${Do}
        StrCpy $R2 $R1 1 -1
        ${If} $R2 != "\"
            ${Break}
        ${EndIf}
        StrCpy $R1 $R1 -1
    ${Loop}
FunctionEnd

; Sets $R0 to why $INSTDIR cannot take a new installation, or empty. The start program's
; uninstall mode deletes every plain file of the folder, so the folder must be a local,
; absolute, non-root folder that is empty or missing and no other alias's.
Function CheckNewFolder
    StrCpy $R0 ""
    StrCpy $0 $INSTDIR 1 1
    StrCpy $1 $INSTDIR 1 2
    StrLen $2 $INSTDIR
    ${If} $0 == ":"
    ${AndIf} $2 <= 3
        StrCpy $R0 "install folder must not be a drive's root: '$INSTDIR'"
        Return
    ${ElseIf} $0 != ":"
    ${OrIf} $1 != "\"
        StrCpy $R0 "install folder must be a full local path such as C:\Apps\ZEM: '$INSTDIR'"
        Return
    ${EndIf}
    Push $INSTDIR
    Call AliasOfFolder
    ${If} $R0 != ""
        StrCpy $R0 "install folder $INSTDIR belongs to alias $R0"
        Return
    ${EndIf}
    Push $INSTDIR
    Call InstallationAbove
    ${If} $R0 != ""
        StrCpy $R0 "install folder $INSTDIR lies inside the installation of alias $R0"
        Return
    ${EndIf}
    ${DirState} "$INSTDIR" $3
    ${If} $3 = 1
        StrCpy $R0 "install folder is not empty: $INSTDIR"
    ${ElseIf} ${FileExists} "$INSTDIR"
    ${AndIfNot} ${FileExists} "$INSTDIR\*.*"
        StrCpy $R0 "install folder is a file: $INSTDIR"
    ${EndIf}
FunctionEnd

Function .onInit
    SetShellVarContext all
    SetRegView 32
    StrCpy $NewInstall 0
    Call ReadCommandLine
    Call CheckIniFile
    ${If} $R0 != ""
        Push $R0
        Call Refuse
    ${EndIf}
    ${If} ${Silent}
        Call CheckAlias
        ${If} $R0 == ""
            Call ChooseFolder
        ${EndIf}
        ${If} $R0 == ""
        ${AndIf} $ExistingDir == ""
            Call CheckNewFolder
        ${EndIf}
        ${If} $R0 != ""
            Push $R0
            Call Refuse
        ${EndIf}
    ${EndIf}
FunctionEnd

; ---- installer: pages ---------------------------------------------------------------------

Function AliasPage
    nsDialogs::Create 1018
    Pop $0
    ${NSD_CreateLabel} 0 0 100% 36u "Database alias of this installation: the TNS alias or ODBC data source name that the start program logs on to. Each alias is installed separately and gets its own Start-menu entry $\"ZEM (<alias>)$\"."
    Pop $0
    ${NSD_CreateText} 0 44u 60% 12u "$Alias"
    Pop $AliasField
    nsDialogs::Show
FunctionEnd

Function AliasPageLeave
    ${NSD_GetText} $AliasField $Alias
    Call CheckAlias
    ${If} $R0 == ""
        Call ChooseFolder
    ${EndIf}
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$R0"
        Abort
    ${EndIf}
FunctionEnd

Function DirectoryPre
    ; An installed alias is updated where it is.
    ${If} $ExistingDir != ""
        Abort
    ${EndIf}
FunctionEnd

Function DirectoryLeave
    Call CheckNewFolder
    ${If} $R0 != ""
        MessageBox MB_OK|MB_ICONEXCLAMATION "$R0"
        Abort
    ${EndIf}
FunctionEnd

; ---- installer: the installation ----------------------------------------------------------

; Fails the installation with the reason on the stack.
!macro FailInstall reason
    StrCpy $Reason "${reason}"
    Abort
!macroend

; Runs icacls with the arguments on the stack; fails the installation when it fails.
Function Icacls
    Exch $R1
    nsExec::ExecToStack '"$SYSDIR\icacls.exe" $R1'
    Pop $R2
    Pop $R3
    ${If} $R2 != 0
        !insertmacro FailInstall "icacls $R1 failed ($R2): $R3"
    ${EndIf}
    Pop $R1
FunctionEnd

Section
    ${If} $ExistingDir == ""
        StrCpy $NewInstall 1
    ${EndIf}
    ClearErrors
    CreateDirectory "$INSTDIR"
    ${IfNot} ${FileExists} "$INSTDIR\*.*"
        !insertmacro FailInstall "cannot create $INSTDIR"
    ${EndIf}
    ; The program must not be writable for users: own rights on the folder, none inherited
    ; (a folder below a drive's root would otherwise inherit Modify for Authenticated Users).
    Push '"$INSTDIR" /inheritance:r /grant:r ${SID_ADMINS}:(OI)(CI)F ${SID_SYSTEM}:(OI)(CI)F ${SID_USERS}:(OI)(CI)RX'
    Call Icacls

    SetOutPath "$INSTDIR"
    ClearErrors
    File "/oname=ZEM_Start.exe" "${PROGRAM}"
    ${If} ${Errors}
        !insertmacro FailInstall "cannot write $INSTDIR\ZEM_Start.exe (is it running?)"
    ${EndIf}
    ${If} $IniFile != ""
        ClearErrors
        CopyFiles /SILENT "$IniFile" "$INSTDIR\ZEM_Start.INI"
        ${If} ${Errors}
            !insertmacro FailInstall "cannot copy $IniFile to $INSTDIR\ZEM_Start.INI"
        ${EndIf}
    ${EndIf}

    ; The program folder the start program fills: <alias>_<user>_EXE beside it, with the
    ; user name of the settings file (the alias on the command line wins over its database).
    StrCpy $0 "${BUILTIN_USER}"
    ${If} ${FileExists} "$INSTDIR\ZEM_Start.INI"
        ClearErrors
        ReadINIStr $1 "$INSTDIR\ZEM_Start.INI" "DB" "USERNAME"
        ${IfNot} ${Errors}
            StrCpy $0 $1
        ${EndIf}
    ${EndIf}
    StrCpy $ProgramFolder "$Alias_$0_EXE"
    CreateDirectory "$INSTDIR\$ProgramFolder"
    ${IfNot} ${FileExists} "$INSTDIR\$ProgramFolder\*.*"
        !insertmacro FailInstall "cannot create $INSTDIR\$ProgramFolder"
    ${EndIf}
    ; Standard users update the application here without elevation.
    Push '"$INSTDIR\$ProgramFolder" /grant ${SID_USERS}:(OI)(CI)M'
    Call Icacls

    ClearErrors
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    ${If} ${Errors}
        !insertmacro FailInstall "cannot write $INSTDIR\${UNINSTALLER}"
    ${EndIf}
    ClearErrors
    CreateShortcut "$SMPROGRAMS\${PRODUCT} ($Alias).lnk" "$INSTDIR\ZEM_Start.exe" "@$Alias" \
        "$INSTDIR\ZEM_Start.exe" 0
    ${If} ${Errors}
        !insertmacro FailInstall "cannot create the shortcut $SMPROGRAMS\${PRODUCT} ($Alias).lnk"
    ${EndIf}

    ; The entry last: it stands only for a complete installation.
    ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
    StrCpy $0 "${UNINSTALL_ROOT}\${ENTRY_PREFIX}$Alias"
    ClearErrors
    WriteRegStr HKLM $0 "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM $0 "DisplayName" "${PRODUCT} ($Alias)"
    WriteRegStr HKLM $0 "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM $0 "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM $0 "DisplayIcon" "$INSTDIR\ZEM_Start.exe,0"
    ; _?= runs the uninstaller in place, so whoever started it waits for the removal.
    WriteRegStr HKLM $0 "UninstallString" '"$INSTDIR\${UNINSTALLER}" _?=$INSTDIR'
    WriteRegStr HKLM $0 "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S _?=$INSTDIR'
    WriteRegDWORD HKLM $0 "NoModify" 1
    WriteRegDWORD HKLM $0 "NoRepair" 1
    WriteRegDWORD HKLM $0 "EstimatedSize" $1
    ${If} ${Errors}
        DeleteRegKey HKLM $0
        !insertmacro FailInstall "cannot write the uninstall entry HKLM\$0"
    ${EndIf}
SectionEnd

Function .onInstSuccess
    Push "installed alias $Alias in $INSTDIR"
    Call ReportLine
FunctionEnd

; A failed new installation leaves nothing behind; a failed update leaves what it replaced.
Function .onInstFailed
    ${If} $Reason == ""
        StrCpy $Reason "installation aborted"
    ${EndIf}
    ${If} $NewInstall = 1
        Delete "$SMPROGRAMS\${PRODUCT} ($Alias).lnk"
        Delete "$INSTDIR\${UNINSTALLER}"
        Delete "$INSTDIR\ZEM_Start.INI"
        Delete "$INSTDIR\ZEM_Start.exe"
        ${If} $ProgramFolder != ""
            RMDir "$INSTDIR\$ProgramFolder"
        ${EndIf}
        SetOutPath "$TEMP"
        RMDir "$INSTDIR"
    ${EndIf}
    Push "$Reason"
    Call ReportLine
    SetErrorLevel 2
FunctionEnd

; ---- uninstaller --------------------------------------------------------------------------

Function un.onInit
    SetShellVarContext all
    SetRegView 32
    ; Started by the uninstaller that removed the installation (see the end of the section):
    ; wait for it to end, then remove its file and the then empty folder.
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/CLEANUP=" $1
    ${IfNot} ${Errors}
        System::Call 'kernel32::OpenProcess(i ${SYNCHRONIZE}, i 0, i r1) p .r2'
        ${If} $2 P<> 0
            System::Call 'kernel32::WaitForSingleObject(p r2, i 60000)'
            System::Call 'kernel32::CloseHandle(p r2)'
        ${EndIf}
        Delete "$INSTDIR\${UNINSTALLER}"
        RMDir "$INSTDIR"
        ; This copy goes at the next restart, like NSIS's own temporary uninstaller.
        Delete /REBOOTOK "$EXEPATH"
        Quit
    ${EndIf}
    Push $INSTDIR
    Call un.AliasOfFolder
    ${If} $R0 == ""
        Push "no ${PRODUCT} installation is registered for $INSTDIR"
        Call un.Refuse
    ${EndIf}
    StrCpy $Alias $R0
    MessageBox MB_YESNO|MB_ICONQUESTION "Remove ${PRODUCT} ($Alias) from $INSTDIR?" /SD IDYES IDYES +2
    Quit
FunctionEnd

; Runs "ZEM_Start.exe /U <alias>" in the install folder and waits for it. The start program
; tries its database logon first and reports a refused logon in a message box: those boxes
; are confirmed, so a silent removal never waits for a person. After the time limit the
; program is ended.
Function un.RunProgramUninstall
    !if ${NSIS_PTR_SIZE} > 4
        !define /redef STARTUPINFO_SIZE 104
        !define /redef PROCESS_INFORMATION_SIZE 24
    !else
        !define /redef STARTUPINFO_SIZE 68
        !define /redef PROCESS_INFORMATION_SIZE 16
    !endif
    System::Alloc ${STARTUPINFO_SIZE}
    Pop $1
    System::Call '*$1(i ${STARTUPINFO_SIZE})'
    System::Alloc ${PROCESS_INFORMATION_SIZE}
    Pop $2
    StrCpy $0 '"$INSTDIR\ZEM_Start.exe" /U $Alias'
    DetailPrint "$0"
    System::Call 'kernel32::CreateProcessW(p 0, w r0, p 0, p 0, i 0, i 0, p 0, w "$INSTDIR", p r1, p r2) i .r3'
    ${If} $3 <> 0
        System::Call '*$2(p .r4, p .r5, i .r6)'
        StrCpy $7 0
        ${Do}
            System::Call 'kernel32::WaitForSingleObject(p r4, i 500) i .r8'
            ${If} $8 = 0
                ${Break}
            ${EndIf}
            IntOp $7 $7 + 1
            ${If} $7 > ${PROGRAM_UNINSTALL_LIMIT}
                DetailPrint "ZEM_Start.exe did not end; stopped"
                System::Call 'kernel32::TerminateProcess(p r4, i 1)'
                ${Break}
            ${EndIf}
            ; Confirm the program's message boxes and task dialogs (both of class #32770).
            StrCpy $9 0
            ${Do}
                System::Call 'user32::FindWindowExW(p 0, p r9, w "#32770", p 0) p .r9'
                ${If} $9 P= 0
                    ${Break}
                ${EndIf}
                System::Call 'user32::GetWindowThreadProcessId(p r9, *i .R1)'
                ${If} $R1 = $6
                    DetailPrint "confirmed a message of ZEM_Start.exe"
                    ; TDM_CLICK_BUTTON for a task dialog, WM_COMMAND for a message box.
                    System::Call 'user32::PostMessageW(p r9, i 1126, p 1, p 0)'
                    System::Call 'user32::PostMessageW(p r9, i 273, p 1, p 0)'
                ${EndIf}
            ${Loop}
        ${Loop}
        System::Call 'kernel32::CloseHandle(p r4)'
        System::Call 'kernel32::CloseHandle(p r5)'
    ${Else}
        DetailPrint "cannot start $0"
    ${EndIf}
    System::Free $1
    System::Free $2
FunctionEnd

Section Uninstall
    ; The program's own uninstall mode: the entry and the plain files of the folder.
    ${If} ${FileExists} "$INSTDIR\ZEM_Start.exe"
        Call un.RunProgramUninstall
    ${EndIf}
    ; What that mode leaves by design, or could not remove.
    DeleteRegKey HKLM "${UNINSTALL_ROOT}\${ENTRY_PREFIX}$Alias"
    Delete "$SMPROGRAMS\${PRODUCT} ($Alias).lnk"
    Delete "$INSTDIR\ZEM_Start.exe"
    Delete "$INSTDIR\ZEM_Start.INI"
    ; The program folders the start program filled for this alias (one per logon user name).
    FindFirst $0 $1 "$INSTDIR\$Alias_*_EXE"
    ${DoWhile} $1 != ""
        ${If} ${FileExists} "$INSTDIR\$1\*.*"
            ; Users may write there: "rd /s" removes a junction a user made inside without
            ; entering it, where RMDir /r would delete what it points to, as administrator.
            nsExec::Exec '"$SYSDIR\cmd.exe" /c rd /s /q "$INSTDIR\$1"'
            Pop $2
        ${EndIf}
        FindNext $0 $1
    ${Loop}
    FindClose $0
    SetOutPath "$TEMP"
    RMDir "$INSTDIR"
    ; The uninstaller runs in place (_?=), so that whoever started it waits for the removal,
    ; and cannot delete its own file: a copy in the temporary folder does that once this
    ; process has ended.
    ${If} ${FileExists} "$INSTDIR\${UNINSTALLER}"
        StrCpy $2 "$TEMP\ZEM_uninstall-$Alias.exe"
        Delete "$2"
        ClearErrors
        CopyFiles /SILENT "$EXEPATH" "$2"
        System::Call 'kernel32::GetCurrentProcessId() i .r3'
        ${IfNot} ${Errors}
            Exec '"$2" /CLEANUP=$3 _?=$INSTDIR'
        ${EndIf}
    ${EndIf}
    Push "removed alias $Alias from $INSTDIR"
    Call un.ReportLine
SectionEnd
