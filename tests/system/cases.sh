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

# The Unix process of ZEM_Start.exe in this case's Wine prefix, once it runs.
zem_pid() {
    local p
    for _ in $(seq 200); do
        for p in $(pgrep -f 'ZEM_Start\.exe'); do
            [ "$(tr '\0' '\n' <"/proc/$p/cmdline" 2>/dev/null | head -1)" != timeout ] || continue
            tr '\0' '\n' <"/proc/$p/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" &&
                { echo "$p"; return 0; }
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
    local big="$APP_DIR/ZEM_JPX_EXE/big.txt" pid
    for phase in fetching writing; do
        run_zem /UPDATE_ONLY &
        local run=$!
        pid=$(zem_pid)
        if [ $phase = fetching ]; then
            while kill -0 "$pid" 2>/dev/null && [ ! -e "$big.zemnew" ]; do sleep 0.01; done
        else
            while kill -0 "$pid" 2>/dev/null && [ ! -s "$big.zemnew" ]; do :; done
        fi
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

"case_$1"
echo "system.$1 passed"
