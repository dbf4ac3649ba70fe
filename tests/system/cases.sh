#!/usr/bin/env bash
# System test cases: bash cases.sh NAME. Each runs the real program under Wine.
set -euo pipefail
. "$(dirname "$0")/harness.sh"

IDS_11="Verbindung zum Oracle-Server konnte nicht hergestellt werden. Das Programm wird beendet"
NO_DB="Oracle-Umgebung nicht installiert. Bitte fragen Sie Ihren Administrator"

# A published application: the stand-in as ZEM.exe, a library in a subfolder, a data file.
publish_app() {
    mkdir -p "$CASE_DIR/publish/lib"
    cp "$ZEM_WIN64_DIR/ZEM_standin.exe" "$CASE_DIR/publish/ZEM.exe"
    head -c 200000 /dev/urandom >"$CASE_DIR/publish/lib/zem.dll"
    seq 1 50000 >"$CASE_DIR/publish/data.txt"
    catalogue publish "$CASE_DIR/publish" >/dev/null
}

case_start_trace() {
    new_case
    run_zem /UPDATE_ONLY
    expect_order "$CASE_DIR/trace.txt" "Loading ini file @ $(winpath "$APP_DIR/ZEM_Start.INI")" \
        "tfrmMainUpdate.FormCreate" "tfrmMainUpdate.DoUpdate"
    [ ! -s "$CASE_DIR/dialogs.txt" ] || fail "unexpected message box"
}

case_wrong_password() {
    new_case
    printf '[DB]\r\nPASSWORD=wrong\r\n' >"$APP_DIR/ZEM_Start.INI"
    run_zem
    expect_text "$CASE_DIR/trace.txt" "OracleErrorCode : "
    expect_no_text "$CASE_DIR/trace.txt" "tfrmMainUpdate.FormCreate"
    expect_order "$CASE_DIR/dialogs.txt" "ZEM Startprogram|\\n\\r$IDS_11" "ZEM Startprogram|$NO_DB"
    [ ! -e "$CASE_DIR/launch-record.txt" ] || fail "the application was started"
}

case_help() {
    new_case
    run_zem /HELP /UPDATE_ONLY
    expect_text "$CASE_DIR/dialogs.txt" "ZEM Startprogram|ZEM_START.EXE [/INIFILE=Filename]"
    expect_text "$CASE_DIR/trace.txt" "tfrmMainUpdate.FormCreate"
}

case_update_and_launch() {
    new_case
    publish_app
    run_zem
    local folder="$APP_DIR/ZEM_JPX_EXE"
    cmp "$CASE_DIR/publish/ZEM.exe" "$folder/ZEM.exe" || fail "ZEM.exe differs"
    cmp "$CASE_DIR/publish/lib/zem.dll" "$folder/lib/zem.dll" || fail "lib/zem.dll differs"
    cmp "$CASE_DIR/publish/data.txt" "$folder/data.txt" || fail "data.txt differs"
    expect_order "$CASE_DIR/trace.txt" "Loading ini file @ $(winpath "$APP_DIR/ZEM_Start.INI")" \
        "tfrmMainUpdate.FormCreate" "tfrmMainUpdate.DoUpdate" "  FName=$(winpath "$folder/ZEM.exe")" \
        "CreateProcess    $(winpath "$folder")\\ZEM.exe  "
    for _ in $(seq 50); do [ -s "$CASE_DIR/launch-record.txt" ] && break; sleep 0.1; done
    expect_line "$CASE_DIR/launch-record.txt" 'cmdline="ZEM.exe" '
    expect_line "$CASE_DIR/launch-record.txt" "cwd=$(winpath "$folder")"
}

case_launch_arguments() {
    new_case
    publish_app
    printf '[DB]\r\nUSERNAME=JPX\r\nPASSWORD=JPX\r\nDATABASE=ZEM\r\n' >"$APP_DIR/site.ini"
    run_zem /INIFILE:site.ini second third
    for _ in $(seq 50); do [ -s "$CASE_DIR/launch-record.txt" ] && break; sleep 0.1; done
    expect_line "$CASE_DIR/launch-record.txt" \
        'cmdline="ZEM.exe"  second /DB_SCHEMA:JPX /DB_PASSWORD:JPX /DB_DATABASE:ZEM'
    expect_no_text "$CASE_DIR/trace.txt" "DB_PASSWORD"
    expect_no_text "$CASE_DIR/dialogs.txt" "DB_PASSWORD"
}

case_update_only() {
    new_case
    publish_app
    run_zem /UPDATE_ONLY
    [ -f "$APP_DIR/ZEM_JPX_EXE/ZEM.exe" ] || fail "nothing fetched"
    sleep 1
    [ ! -e "$CASE_DIR/launch-record.txt" ] || fail "the application was started"
    expect_no_text "$CASE_DIR/trace.txt" "CreateProcess"
}

case_corrupt_entry() {
    new_case
    publish_app
    printf 'not a zlib stream' >"$CASE_DIR/corrupt.bin"
    catalogue put 100 broken.dll "$CASE_DIR/corrupt.bin"
    run_zem /UPDATE_ONLY
    expect_text "$CASE_DIR/dialogs.txt" "ZEM Startprogram|data error"
    [ ! -e "$APP_DIR/ZEM_JPX_EXE/broken.dll" ] || fail "a partial file was left"
    cmp "$CASE_DIR/publish/lib/zem.dll" "$APP_DIR/ZEM_JPX_EXE/lib/zem.dll" || fail "others missing"
}

case_esc_during_transfer() {
    new_case
    publish_app
    head -c $((48 * 1024 * 1024)) /dev/urandom >"$CASE_DIR/publish/big.bin"
    catalogue publish "$CASE_DIR/publish" >/dev/null
    ESC_WHEN="$APP_DIR/ZEM_JPX_EXE/big.bin" run_zem
    expect_text "$CASE_DIR/dialogs.txt" "ESC"
    [ ! -e "$APP_DIR/ZEM_JPX_EXE/big.bin" ] || fail "the new file was not rolled back"
    [ ! -e "$APP_DIR/ZEM_JPX_EXE/big.bin.old" ] || fail "a backup was left"
    sleep 1
    [ ! -e "$CASE_DIR/launch-record.txt" ] || fail "the application was started after Esc"
}

case_uninstall() {
    new_case
    local key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\uninstall\Zemora@SYSTEST'
    local folder="$CASE_DIR/installed"
    mkdir -p "$folder/sub"
    echo a >"$folder/a.exe"
    echo b >"$folder/b.dll"
    echo h >"$folder/.hidden.dat"
    echo s >"$folder/sub/keep.txt"
    "$WINE" reg add "$key" /v InstallLocation /t REG_SZ /d "$(winpath "$folder")" /reg:32 /f >/dev/null 2>&1
    "$WINE" reg add "$key\\Sub" /v x /t REG_SZ /d y /reg:32 /f >/dev/null 2>&1
    "$WINE" attrib +h "$(winpath "$folder/.hidden.dat")" >/dev/null 2>&1
    run_zem /u systest
    if "$WINE" reg query "$key" /reg:32 >/dev/null 2>&1; then fail "the uninstall entry is still there"; fi
    [ ! -e "$folder/a.exe" ] && [ ! -e "$folder/b.dll" ] || fail "plain files were not deleted"
    [ -e "$folder/.hidden.dat" ] && [ -e "$folder/sub/keep.txt" ] || fail "hidden file or subfolder deleted"
    expect_no_text "$CASE_DIR/trace.txt" "tfrmMainUpdate.DoUpdate"
}

"case_$1"
echo "system.$1 passed"
