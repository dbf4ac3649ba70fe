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
    printf '[DB]\r\nPASSWORD=wrongpw\r\n' >"$APP_DIR/ZEM_Start.INI"
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
    expect_no_text "$CASE_DIR/trace.txt" "No lock for the program folder" # the mutex is made
    expect_line "$CASE_DIR/launch-record.txt" 'cmdline="ZEM.exe" '
    expect_line "$CASE_DIR/launch-record.txt" "cwd=$(winpath "$folder")"
}

case_launch_arguments() {
    new_case
    publish_app
    printf '[DB]\r\nUSERNAME=zemsys\r\nPASSWORD=Geheim#2026\r\nDATABASE=ZEM\r\n' >"$APP_DIR/site.ini"
    run_zem /INIFILE:site.ini second third
    for _ in $(seq 50); do [ -s "$CASE_DIR/launch-record.txt" ] && break; sleep 0.1; done
    expect_line "$CASE_DIR/launch-record.txt" \
        'cmdline="ZEM.exe"  second /DB_SCHEMA:zemsys /DB_PASSWORD:Geheim#2026 /DB_DATABASE:ZEM'
    expect_line "$CASE_DIR/launch-record.txt" "cwd=$(winpath "$APP_DIR/ZEM_zemsys_EXE")"
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
    # The new content goes into a temporary file beside the target first.
    ESC_WHEN="$APP_DIR/ZEM_JPX_EXE/big.bin.zemnew" run_zem
    expect_text "$CASE_DIR/dialogs.txt" "ESC"
    [ ! -e "$APP_DIR/ZEM_JPX_EXE/big.bin" ] || fail "the new file was not rolled back"
    [ ! -e "$APP_DIR/ZEM_JPX_EXE/big.bin.old" ] || fail "a backup was left"
    [ ! -e "$APP_DIR/ZEM_JPX_EXE/big.bin.zemnew" ] || fail "the temporary file was left"
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

case_server_down() {
    new_case
    printf '[DB]\r\nDATABASE=ZEMDOWN\r\n' >"$APP_DIR/ZEM_Start.INI"
    run_zem
    expect_text "$CASE_DIR/trace.txt" "OracleErrorCode : "
    expect_order "$CASE_DIR/dialogs.txt" "ZEM Startprogram|\\n\\r$IDS_11" "ZEM Startprogram|$NO_DB"
}

case_target_held_open() {
    new_case
    publish_app
    run_zem /UPDATE_ONLY
    local dll="$APP_DIR/ZEM_JPX_EXE/lib/zem.dll"
    cmp "$CASE_DIR/publish/lib/zem.dll" "$dll" || fail "first run did not fetch zem.dll"
    # Another program holds the file open without sharing while the next run replaces it.
    (cd "$APP_DIR" && timeout 60 "$WINE" dialog_helper.exe --hold "$(winpath "$dll")" 25 >/dev/null 2>&1) &
    local holder=$!
    sleep 3
    run_zem /UPDATE_ONLY
    kill "$holder" 2>/dev/null || true
    expect_text "$CASE_DIR/dialogs.txt" "kann nicht gesichert werden"
    cmp "$CASE_DIR/publish/lib/zem.dll" "$dll" || fail "the held file was changed"
    [ ! -e "$dll.old" ] || fail "a backup was left"
    [ ! -e "$dll.zemnew" ] || fail "the temporary file was left"
    cmp "$CASE_DIR/publish/data.txt" "$APP_DIR/ZEM_JPX_EXE/data.txt" || fail "the run did not go on"
}

# Two versions of a large, well compressible file (so that unpacking takes a while): version
# 1 fetched by a first run, version 2 published after it.
publish_two_versions() {
    publish_app
    seq 1 8000000 >"$CASE_DIR/v1.txt"
    seq 2 8000001 >"$CASE_DIR/v2.txt"
    cp "$CASE_DIR/v1.txt" "$CASE_DIR/publish/big.txt"
    touch -d '2026-01-01 10:00:00' "$CASE_DIR/publish/big.txt"
    catalogue publish "$CASE_DIR/publish" >/dev/null
    run_zem /UPDATE_ONLY
    cmp "$CASE_DIR/v1.txt" "$APP_DIR/ZEM_JPX_EXE/big.txt" || fail "version 1 was not fetched"
    cp "$CASE_DIR/v2.txt" "$CASE_DIR/publish/big.txt"
    touch -d '2026-01-02 10:00:00' "$CASE_DIR/publish/big.txt"
    catalogue publish "$CASE_DIR/publish" >/dev/null
}

# The Unix process of this case's Wine server, which keeps the descriptors of the files
# that the program holds open.
wine_server_pid() {
    local p
    for p in $(pgrep -x wineserver64) $(pgrep -x wineserver); do
        grep -qxzF "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null && { echo "$p"; return 0; }
    done
    fail "no Wine server for this case"
}

# The size of FILE while the Wine server SERVER holds it open; fails when it is not open.
open_file_size() {
    local want line
    want=$(realpath -m "$2")
    line=$(ls -l "/proc/$1/fd" 2>/dev/null | grep -F -- " -> $want" | head -1)
    [ -n "$line" ] && stat -L -c %s "/proc/$1/fd/$(awk '{print $9}' <<<"$line")"
}

# The Unix process of ZEM_Start.exe in this case's Wine prefix, once it runs.
zem_pid() {
    local p
    for _ in $(seq 1200); do
        for p in $(pgrep -f 'ZEM_Start\.exe'); do
            [ "$(tr '\0' '\n' <"/proc/$p/cmdline" 2>/dev/null | head -1)" != timeout ] || continue
            grep -qxzF "WINEPREFIX=$WINEPREFIX" "/proc/$p/environ" 2>/dev/null && { echo "$p"; return 0; }
        done
        sleep 0.05
    done
    fail "ZEM_Start.exe did not start"
}

# Killed while it fetches, and while it writes the new version (SIGKILL of its Wine
# process, which is what TerminateProcess does): the file under its own name is a complete
# version each time, and the next run finishes the job and leaves nothing behind.
case_killed_during_replacement() {
    new_case
    publish_two_versions
    local big="$APP_DIR/ZEM_JPX_EXE/big.txt" pid server size
    server=$(wine_server_pid)
    for phase in fetching writing; do
        run_zem /UPDATE_ONLY &
        local run=$!
        pid=$(zem_pid)
        # The temporary file the program holds open now (not one a kill left behind), by size.
        until ! kill -0 "$pid" 2>/dev/null || { size=$(open_file_size "$server" "$big.zemnew") &&
            { [ $phase = fetching ] || [ "$size" -gt 1048576 ]; }; }; do
            sleep 0.005
        done
        kill -9 "$pid" 2>/dev/null || fail "the run ended before it could be killed ($phase)"
        wait "$run" || true
        [ -e "$big" ] || fail "no file under its own name after a kill while $phase"
        cmp -s "$CASE_DIR/v1.txt" "$big" || cmp -s "$CASE_DIR/v2.txt" "$big" ||
            fail "a broken file under its own name after a kill while $phase"
        echo "killed while $phase: $(cmp -s "$CASE_DIR/v1.txt" "$big" && echo "version 1" || echo "version 2") in place"
    done
    run_zem /UPDATE_ONLY
    cmp "$CASE_DIR/v2.txt" "$big" || fail "the next run did not fetch version 2"
    [ ! -e "$big.old" ] && [ ! -e "$big.zemnew" ] || fail "a backup or temporary file was left"
}

# Alt+F4, the taskbar's "Close window" or another program's WM_CLOSE aborts like Esc.
case_close_request() {
    new_case
    publish_two_versions
    local big="$APP_DIR/ZEM_JPX_EXE/big.txt"
    CLOSE_WHEN="$big.zemnew" run_zem
    expect_text "$CASE_DIR/dialogs.txt" "CLOSE"
    cmp "$CASE_DIR/v1.txt" "$big" || fail "the previous version is not in place"
    [ ! -e "$big.old" ] && [ ! -e "$big.zemnew" ] || fail "a backup or temporary file was left"
    sleep 1
    [ ! -e "$CASE_DIR/launch-record.txt" ] || fail "the application was started after the close request"
}

# A driver that the driver manager cannot load: the client is missing, not the logon refused.
case_missing_client() {
    new_case
    printf '[DB]\r\nDATABASE=ZEMNODRIVER\r\n' >"$APP_DIR/ZEM_Start.INI"
    run_zem
    expect_no_text "$CASE_DIR/trace.txt" "OracleErrorCode"
    expect_text "$CASE_DIR/dialogs.txt" "zem-no-driver.so"
    expect_order "$CASE_DIR/dialogs.txt" "ZEM Startprogram|$NO_DB"
    [ "$(grep -c '^ZEM Startprogram|' "$CASE_DIR/dialogs.txt")" = 2 ] || fail "expected two message boxes"
}

# Statistic of a region of an image: mean or standard deviation, 0..1.
region() {
    local v
    v=$(convert "$1" -crop "$2" +repage -colorspace gray -format "%[fx:$3]" info:) && [ -n "$v" ] || fail "cannot measure $2"
    echo "$v"
}
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }

case_window_screenshot() {
    new_case
    publish_app
    head -c $((48 * 1024 * 1024)) /dev/urandom >"$CASE_DIR/publish/big.bin"
    catalogue publish "$CASE_DIR/publish" >/dev/null
    local shot="$ZEM_SYSTEM_DIR/../system-artifacts/start-window.png"
    mkdir -p "$(dirname "$shot")"
    (for _ in $(seq 300); do grep -qa 'big.bin' "$CASE_DIR/stderr.txt" 2>/dev/null && break; sleep 0.05; done
     sleep 0.2
     import -window root "$shot") &
    local taker=$!
    run_zem /UPDATE_ONLY
    wait "$taker"
    # The screen is 1280 x 1024 and black; the window's client area is 454 x 272, centred.
    local x=$(((1280 - 454) / 2)) y=$(((1024 - 272) / 2))
    above "$(region "$shot" "454x272+$x+$y" mean)" 0.5 || fail "no white window at the centre"
    for outside in "1x272+$((x - 1))+$y" "1x272+$((x + 454))+$y" "454x1+$x+$((y - 1))" "454x1+$x+$((y + 272))"; do
        above 0.01 "$(region "$shot" "$outside" maxima)" || fail "the window is larger than 454 x 272 ($outside)"
    done
    above "$(region "$shot" "454x193+$x+$y" standard_deviation)" 0.05 || fail "the header picture is blank"
    # The status text (right edge at 113) shows the file's name: dark pixels there.
    above "$(region "$shot" "60x14+$((x + 53))+$((y + 240))" standard_deviation)" 0.05 || fail "no status text"
    above "$(region "$shot" "175x14+$((x + 119))+$((y + 240))" standard_deviation)" 0.02 || fail "no progress bar"
    echo "screenshot kept: $shot"
}

# ---- the installer (x86_64 build of installer/ZEM_Setup.nsi) ---------------------------

ENTRIES='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\uninstall'
START_MENU='C:\ProgramData\Microsoft\Windows\Start Menu\Programs'

# Unix path of a C: path in the case's prefix.
unixpath() {
    local p=${1#[Cc]:}
    printf '%s/drive_c%s' "$WINEPREFIX" "${p//\\//}"
}

# A case for the installer: the published application, data sources ALPHA and BETA beside
# ZEM, and the recording stand-in in place of icacls.exe (Wine's own one does nothing).
new_install_case() {
    new_case
    publish_app
    SETUP="$ZEM_WIN64_DIR/setup/ZEM_Setup-$ZEM_VERSION.exe"
    [ -f "$SETUP" ] || fail "no installer $SETUP"
    awk '/^\[/ { s = $0 } s == "[ZEM]"' "$ZEM_TESTDB_DIR/odbc.ini" >"$CASE_DIR/zem.ini"
    {
        cat "$ZEM_TESTDB_DIR/odbc.ini"
        echo
        sed 's/^\[ZEM\]/[ALPHA]/' "$CASE_DIR/zem.ini"
        echo
        sed 's/^\[ZEM\]/[BETA]/' "$CASE_DIR/zem.ini"
    } >"$CASE_DIR/odbc.ini"
    export ODBCINI="$CASE_DIR/odbc.ini"
    cp "$ZEM_WIN64_DIR/ZEM_standin.exe" "$WINEPREFIX/drive_c/windows/system32/icacls.exe"
}

# Runs the installer with the arguments; leaves SETUP_RC, the lines it wrote in
# setup-out.txt and the icacls calls in icacls.txt.
run_setup() {
    : >"$CASE_DIR/icacls.txt"
    set +e
    # Into a file, not a pipe: Wine's helper processes would hold a pipe open.
    ZEM_STANDIN_RECORD=$(winpath "$CASE_DIR/icacls.txt") WINEDLLOVERRIDES="icacls.exe=n" \
        timeout 120 "$WINE" "$SETUP" "$@" >"$CASE_DIR/setup-raw.txt" 2>&1
    SETUP_RC=$?
    set -e
    tr -d '\r' <"$CASE_DIR/setup-raw.txt" >"$CASE_DIR/setup-out.txt"
    [ "$SETUP_RC" != 124 ] || fail "the installer did not end within 120 s"
}

# What reg.exe shows for the key and arguments, without carriage returns; nothing for a
# missing key (reg.exe says so on standard output).
reg_query() {
    "$WINE" reg query "$@" /reg:32 >"$CASE_DIR/reg.txt" 2>/dev/null || return 0
    tr -d '\r' <"$CASE_DIR/reg.txt"
}

# One value of an alias's uninstall entry.
entry_value() { reg_query "$ENTRIES\\Zemora@$1" /v "$2" | sed -n "s/^    $2    REG_[A-Z_]*    //p"; }

# The whole entry of an alias, or nothing.
entry_dump() { reg_query "$ENTRIES\\Zemora@$1"; }

# Checks the installation of ALIAS in FOLDER (a C: path) with its program folder.
expect_installed() {
    local alias=$1 folder=$2 programFolder=$3 dir name want value
    dir=$(unixpath "$folder")
    cmp "$ZEM_WIN64_DIR/ZEM_Start.exe" "$dir/ZEM_Start.exe" || fail "ZEM_Start.exe differs"
    [ -f "$dir/uninstall.exe" ] || fail "no uninstaller"
    [ -d "$dir/$programFolder" ] || fail "no program folder $programFolder"
    while IFS='|' read -r name want; do
        value=$(entry_value "$alias" "$name")
        [ "$value" = "$want" ] || fail "entry $alias: $name is '$value', expected '$want'"
    done <<VALUES
InstallLocation|$folder
DisplayName|ZEM ($alias)
DisplayVersion|$ZEM_VERSION
Publisher|Zemora Software GmbH
DisplayIcon|$folder\\ZEM_Start.exe,0
UninstallString|"$folder\\uninstall.exe" _?=$folder
QuietUninstallString|"$folder\\uninstall.exe" /S _?=$folder
NoModify|0x1
NoRepair|0x1
VALUES
    # The size in KiB of what was installed (the installer rounds per file).
    local kib real
    kib=$(($(entry_value "$alias" EstimatedSize)))
    real=$(find "$dir" -type f -printf '%s\n' | awk '{ n += $1 } END { printf "%d", n / 1024 }')
    [ "$kib" -gt 0 ] && [ $((kib - real)) -le 2 ] && [ $((real - kib)) -le 2 ] ||
        fail "EstimatedSize $kib KiB, installed $real KiB"
    # The shortcut starts the program with the alias.
    local lnk
    lnk="$(unixpath "$START_MENU")/ZEM ($alias).lnk"
    [ -f "$lnk" ] || fail "no shortcut ZEM ($alias)"
    { strings -el "$lnk"; strings "$lnk"; } >"$CASE_DIR/lnk.txt"
    expect_line "$CASE_DIR/lnk.txt" "@$alias"
    expect_text "$CASE_DIR/lnk.txt" "$folder\\ZEM_Start.exe"
}

# Starts the alias's Start-menu shortcut the way a click does, beside the dialog helper, and
# waits for the stand-in's record. Leaves trace.txt and dialogs.txt.
start_shortcut() {
    : >"$CASE_DIR/dialogs.txt"
    rm -f "$CASE_DIR/launch-record.txt"
    (cd "$APP_DIR" && timeout 120 "$WINE" dialog_helper.exe "$(winpath "$CASE_DIR/dialogs.txt")" 60 \
        >/dev/null 2>&1) &
    local helper=$!
    WINEDEBUG=-all,warn+seh timeout 90 "$WINE" start /wait "$START_MENU\\ZEM ($1).lnk" \
        2>"$CASE_DIR/stderr.txt" || true
    for _ in $(seq 300); do [ -s "$CASE_DIR/launch-record.txt" ] && break; sleep 0.2; done
    kill "$helper" 2>/dev/null || true
    wait "$helper" 2>/dev/null || true
    collect_trace
    [ -s "$CASE_DIR/launch-record.txt" ] || fail "the application was not started through ZEM ($1)"
    [ ! -s "$CASE_DIR/dialogs.txt" ] || fail "unexpected message box"
}

# The program folder holds the published application, and the stand-in ran there.
expect_started_in() {
    local folder=$1 alias=$2 dir
    dir=$(unixpath "$folder")
    cmp "$CASE_DIR/publish/ZEM.exe" "$dir/ZEM.exe" || fail "ZEM.exe not fetched into $folder"
    cmp "$CASE_DIR/publish/lib/zem.dll" "$dir/lib/zem.dll" || fail "lib/zem.dll not fetched into $folder"
    expect_line "$CASE_DIR/launch-record.txt" "cmdline=\"ZEM.exe\" @$alias"
    expect_line "$CASE_DIR/launch-record.txt" "cwd=$folder"
}

# Runs an alias's QuietUninstallString as Windows does: its words, quotes removed, as the
# program's arguments (wine64 joins them again with blanks).
run_quiet_uninstall() {
    local command words=() word="" quoted=0 c i
    command=$(entry_value "$1" QuietUninstallString)
    [ -n "$command" ] || fail "no QuietUninstallString for $1"
    for ((i = 0; i < ${#command}; i++)); do
        c=${command:i:1}
        if [ "$c" = '"' ]; then
            quoted=$((1 - quoted))
        elif [ "$c" = ' ' ] && [ $quoted = 0 ]; then
            [ -z "$word" ] || words+=("$word")
            word=""
        else
            word+=$c
        fi
    done
    [ -z "$word" ] || words+=("$word")
    set +e
    WINEDEBUG=-all,warn+seh timeout 300 "$WINE" "${words[@]}" >/dev/null 2>"$CASE_DIR/stderr.txt"
    local rc=$?
    set -e
    : >"$CASE_DIR/dialogs.txt"
    collect_trace
    [ "$rc" = 0 ] || fail "the uninstaller ended with $rc"
}

case_install_two_aliases() {
    new_install_case
    local alpha='C:\Program Files\ZEM\ALPHA' beta='C:\Apps\ZEM BETA'
    # ALPHA's settings name a database that refuses the logon: the daily start goes to the
    # alias, but the uninstall mode's logon fails and shows a message box.
    printf '[DB]\r\nDATABASE=ZEMDOWN\r\n' >"$CASE_DIR/alpha.ini"
    run_setup /S /ALIAS=ALPHA "/INI=$(winpath "$CASE_DIR/alpha.ini")"
    [ "$SETUP_RC" = 0 ] || fail "install of ALPHA ended with $SETUP_RC: $(cat "$CASE_DIR/setup-out.txt")"
    expect_line "$CASE_DIR/setup-out.txt" "ZEM_Setup: installed alias ALPHA in $alpha"
    expect_installed ALPHA "$alpha" ALPHA_JPX_EXE
    cmp "$CASE_DIR/alpha.ini" "$(unixpath "$alpha")/ZEM_Start.INI" || fail "ZEM_Start.INI differs"
    # Users read the install folder and change only the program folder.
    local icacls='cmdline="C:\windows\system32\icacls.exe"'
    expect_line "$CASE_DIR/icacls.txt" "$icacls \"$alpha\" /inheritance:r /grant:r *S-1-5-32-544:(OI)(CI)F *S-1-5-18:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX"
    expect_line "$CASE_DIR/icacls.txt" "$icacls \"$alpha\\ALPHA_JPX_EXE\" /grant *S-1-5-32-545:(OI)(CI)M"

    start_shortcut ALPHA
    expect_started_in "$alpha\\ALPHA_JPX_EXE" ALPHA

    # BETA beside it, in a folder given on the command line, with its own user name.
    printf '[DB]\r\nUSERNAME=zemsys\r\nPASSWORD=Geheim#2026\r\n' >"$CASE_DIR/beta.ini"
    # /D= as a deployment tool writes it: last and without quotes, blanks and all.
    run_setup /S /ALIAS=BETA "/INI=$(winpath "$CASE_DIR/beta.ini")" '/D=C:\Apps\ZEM' BETA
    [ "$SETUP_RC" = 0 ] || fail "install of BETA ended with $SETUP_RC: $(cat "$CASE_DIR/setup-out.txt")"
    expect_installed BETA "$beta" BETA_zemsys_EXE

    # ALPHA again: updated in place; its settings and fetched application stay.
    run_setup /S /ALIAS=ALPHA
    [ "$SETUP_RC" = 0 ] || fail "update of ALPHA ended with $SETUP_RC: $(cat "$CASE_DIR/setup-out.txt")"
    expect_installed ALPHA "$alpha" ALPHA_JPX_EXE
    cmp "$CASE_DIR/alpha.ini" "$(unixpath "$alpha")/ZEM_Start.INI" || fail "the update lost ZEM_Start.INI"
    [ -f "$(unixpath "$alpha")/ALPHA_JPX_EXE/ZEM.exe" ] || fail "the update lost the program folder"

    local betaEntry
    betaEntry=$(entry_dump BETA)
    # A plain file that only the program's own uninstall mode removes.
    echo notes >"$(unixpath "$alpha")/notes.txt"
    run_quiet_uninstall ALPHA
    expect_text "$CASE_DIR/stderr.txt" "ZEM_Setup: removed alias ALPHA from $alpha"
    # The uninstall mode ran, after its logon message was confirmed.
    expect_text "$CASE_DIR/trace.txt" "OracleErrorCode : "
    [ ! -e "$(unixpath "$alpha")/notes.txt" ] || fail "the program's uninstall mode did not run"
    [ -z "$(entry_dump ALPHA)" ] || fail "ALPHA's entry is still there"
    # The uninstaller's own file goes just after it ended.
    for _ in $(seq 150); do [ -e "$(unixpath "$alpha")" ] || break; sleep 0.2; done
    [ ! -e "$(unixpath "$alpha")" ] || { find "$(unixpath "$alpha")" >&2; fail "ALPHA's folder is still there"; }
    [ ! -e "$(unixpath "$START_MENU")/ZEM (ALPHA).lnk" ] || fail "ALPHA's shortcut is still there"

    [ "$(entry_dump BETA)" = "$betaEntry" ] || fail "BETA's entry changed"
    expect_installed BETA "$beta" BETA_zemsys_EXE
    start_shortcut BETA
    expect_started_in "$beta\\BETA_zemsys_EXE" BETA
}

# Refused command lines: exit code 2, the reason on standard error, nothing written.
case_install_refused() {
    new_install_case
    run_setup /S /ALIAS=ALPHA
    [ "$SETUP_RC" = 0 ] || fail "install of ALPHA ended with $SETUP_RC"
    mkdir -p "$(unixpath 'C:\Apps\full')"
    echo x >"$(unixpath 'C:\Apps\full')/other.txt"
    local before long reason args
    before=$(reg_query "$ENTRIES" /s)
    long=$(printf 'A%.0s' $(seq 65))
    touch "$CASE_DIR/stamp"
    sleep 1
    while IFS='|' read -r reason args; do
        eval "run_setup $args"
        [ "$SETUP_RC" = 2 ] || fail "$args: exit code $SETUP_RC"
        grep -qF -- "ZEM_Setup: $reason" "$CASE_DIR/setup-out.txt" ||
            fail "$args: no line '$reason' but: $(cat "$CASE_DIR/setup-out.txt")"
    done <<'ROWS'
no database alias given|/S
no database alias given|/S /ALIAS=
bad database alias '..'|/S /ALIAS=..
bad database alias 'a b'|/S '/ALIAS=a b'
bad database alias 'x\y'|/S '/ALIAS=x\y'
database alias longer than 64|/S "/ALIAS=$long"
unknown option /Q|/S /ALIAS=NEW /Q
settings file not found|/S /ALIAS=NEW '/INI=C:\missing.ini'
install folder must not be a drive's root|/S /ALIAS=NEW '/D=C:\'
install folder must be a full local path|/S /ALIAS=NEW '/D=Apps\new'
install folder C:\Program Files\ZEM\ALPHA belongs to alias ALPHA|/S /ALIAS=NEW '/D=C:\Program Files\ZEM\ALPHA'
install folder C:\Program Files\ZEM\ALPHA\ALPHA_JPX_EXE\NEW lies inside the installation of alias ALPHA|/S /ALIAS=NEW '/D=C:\Program Files\ZEM\ALPHA\ALPHA_JPX_EXE\NEW'
install folder is not empty|/S /ALIAS=NEW '/D=C:\Apps\full'
alias alpha is installed in C:\Program Files\ZEM\ALPHA|/S /ALIAS=alpha '/D=C:\Apps\alpha'
ROWS
    [ "$(reg_query "$ENTRIES" /s)" = "$before" ] ||
        fail "a refused install changed the uninstall list"
    # Nothing written but the installer's log in the temporary folder.
    find "$WINEPREFIX/drive_c" -newer "$CASE_DIR/stamp" ! -type d ! -path '*/Temp/*' >"$CASE_DIR/written.txt"
    [ ! -s "$CASE_DIR/written.txt" ] || { cat "$CASE_DIR/written.txt" >&2; fail "a refused install wrote files"; }
    expect_text "$(echo "$WINEPREFIX"/drive_c/users/*/Temp/ZEM_Setup.log)" "ZEM_Setup: install folder is not empty"
}

# Signed with a throwaway certificate: the installer, the program inside and the uninstaller
# it writes pass verification; a byte changed after signing does not.
case_signed_installer() {
    new_case
    local d="$CASE_DIR/sign" root
    root=$(cd "$(dirname "$0")/../.." && pwd)
    mkdir -p "$d"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout "$d/key.pem" -out "$d/cert.pem" -days 2 \
        -subj "/CN=ZEM test signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
    echo "test-pass" >"$d/password.txt"
    openssl pkcs12 -export -inkey "$d/key.pem" -in "$d/cert.pem" -out "$d/cert.pfx" -passout "file:$d/password.txt"
    bash "$root/tools/make-installer.sh" "$ZEM_WIN64_DIR/ZEM_Start.exe" "$ZEM_VERSION" amd64-unicode \
        "$d/out" "$d/cert.pfx" "$d/password.txt" >/dev/null
    verify() { osslsigncode verify -CAfile "$d/cert.pem" -in "$1" >"$d/verify.txt" 2>&1; }
    SETUP="$d/out/ZEM_Setup-$ZEM_VERSION.exe"
    verify "$SETUP" || fail "the installer's signature: $(cat "$d/verify.txt")"
    verify "$d/out/ZEM_Start.exe" || fail "the program's signature: $(cat "$d/verify.txt")"
    cmp -s "$ZEM_WIN64_DIR/ZEM_Start.exe" "$d/out/ZEM_Start.exe" && fail "the program was not signed"
    for f in "$SETUP" "$d/out/ZEM_Start.exe"; do
        cp "$f" "$d/changed.exe"
        printf 'X' | dd of="$d/changed.exe" bs=1 seek=5000 conv=notrunc 2>/dev/null
        ! verify "$d/changed.exe" || fail "a changed $(basename "$f") passed verification"
    done
    # What the signed installer puts on the desk is signed too.
    "$WINE" "$SETUP" /S /ALIAS=SIGNED >/dev/null 2>&1 || fail "the signed installer failed"
    local folder="$WINEPREFIX/drive_c/Program Files/ZEM/SIGNED"
    cmp "$d/out/ZEM_Start.exe" "$folder/ZEM_Start.exe" || fail "the installed program is not the signed one"
    verify "$folder/uninstall.exe" || fail "the uninstaller's signature: $(cat "$d/verify.txt")"
    # sign.sh signs a single file in place, too.
    cp "$ZEM_WIN64_DIR/dialog_helper.exe" "$d/one.exe"
    bash "$root/tools/sign.sh" --file "$d/one.exe" "$d/cert.pfx" "$d/password.txt"
    verify "$d/one.exe" || fail "sign.sh --file: $(cat "$d/verify.txt")"
}

"case_$1"
echo "system.$1 passed"
