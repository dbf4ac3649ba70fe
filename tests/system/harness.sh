#!/usr/bin/env bash
# System-test harness: the real ZEM_Start.exe (x86_64 build) under wine64 with Xvfb,
# against the test PostgreSQL. Sourced by cases.sh; `harness.sh prepare|cleanup` are the
# ctest fixture steps.
#
# Environment: ZEM_WIN64_DIR (folder with ZEM_Start.exe, ZEM_standin.exe, dialog_helper.exe),
# ZEM_CATALOGUE (native zem_catalogue), ZEM_TESTDB_DIR (tests/db/testdb.sh folder),
# ZEM_SYSTEM_DIR (work folder: template prefix, display, cases).
set -euo pipefail
# Wine maps Unix file names through the locale: UTF-8, so that paths with umlauts pass.
export LC_ALL=C.UTF-8
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver

# Unix path -> the path Wine's Z: drive gives it.
winpath() {
    local p
    p=$(realpath -m "$1")
    printf 'Z:%s' "${p//\//\\}"
}

# Starts Xvfb on a free display; its number goes to DIR/display, its pid to DIR/xvfb.pid.
start_display() {
    local dir=$1 d
    for d in $(seq 91 140); do
        [ -e "/tmp/.X$d-lock" ] || [ -e "/tmp/.X11-unix/X$d" ] && continue
        Xvfb ":$d" -screen 0 1280x1024x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
        echo $! >"$dir/xvfb.pid"
        echo "$d" >"$dir/display"
        break
    done
    for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$d" ] && break; sleep 0.1; done
    export DISPLAY=":$d"
}

# The trace lines in Wine's debug log (stdin), one per line: Wine writes each as
# OutputDebugStringA "..." in the ANSI code page, with '\' doubled and other bytes as \xNN.
trace_lines() {
    grep -a 'warn:seh:OutputDebugStringA "' |
        sed -e 's/^.*OutputDebugStringA "//' -e 's/"$//' |
        perl -pe 's/\\(\\|x([0-9a-fA-F]{2}))/defined $2 ? chr(hex $2) : "\\"/ge' |
        iconv -f CP1252 -t UTF-8
}

# A booted Wine prefix in DIR, ready for the program (needs DISPLAY).
make_prefix() {
    export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    # Without a window manager every hidden window would cost a 2 s wait.
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    cp /usr/share/wine/fonts/tahoma*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
    "$WINESERVER" -w
}

prepare() {
    rm -rf "$ZEM_SYSTEM_DIR"
    mkdir -p "$ZEM_SYSTEM_DIR"
    start_display "$ZEM_SYSTEM_DIR"
    make_prefix "$ZEM_SYSTEM_DIR/template"
    echo "wine prefix ready, display $DISPLAY"
}

cleanup() {
    : "${ZEM_SYSTEM_DIR:?}"
    if [ -f "$ZEM_SYSTEM_DIR/xvfb.pid" ]; then kill "$(cat "$ZEM_SYSTEM_DIR/xvfb.pid")" 2>/dev/null || true; fi
    for p in "$ZEM_SYSTEM_DIR"/template "$ZEM_SYSTEM_DIR"/case.*/prefix; do
        [ -d "$p" ] && WINEPREFIX="$p" "$WINESERVER" -k 2>/dev/null || true
    done
    rm -rf "$ZEM_SYSTEM_DIR"
}

# A fresh case: own prefix (copy of the template), program folder with the exe, empty
# catalogue. Sets CASE_DIR and APP_DIR.
new_case() {
    CASE_DIR=$(mktemp -d "$ZEM_SYSTEM_DIR/case.XXXXXX")
    APP_DIR="$CASE_DIR/app"
    mkdir -p "$APP_DIR" "$CASE_DIR/publish"
    cp -a "$ZEM_SYSTEM_DIR/template" "$CASE_DIR/prefix"
    export WINEPREFIX="$CASE_DIR/prefix" DISPLAY=":$(cat "$ZEM_SYSTEM_DIR/display")" WINEDEBUG=-all
    export ODBCINI="$ZEM_TESTDB_DIR/odbc.ini" ZEM_STANDIN_RECORD
    ZEM_STANDIN_RECORD=$(winpath "$CASE_DIR/launch-record.txt")
    cp "$ZEM_WIN64_DIR/ZEM_Start.exe" "$ZEM_WIN64_DIR/dialog_helper.exe" "$APP_DIR/"
    "$WINESERVER" -p
    trap '"$WINESERVER" -k 2>/dev/null || true' EXIT
    catalogue publish "$CASE_DIR/publish" >/dev/null
    catalogue tenant "System GmbH"
}

catalogue() { "$ZEM_CATALOGUE" "$@"; }

# Runs ZEM_Start.exe with the arguments, the dialog helper beside it. ESC_WHEN (a Unix
# path) makes the helper press Esc once that file exists, CLOSE_WHEN makes it send WM_CLOSE.
# Leaves trace.txt (one trace line each), dialogs.txt and ZEM_RC.
run_zem() {
    local when=()
    [ -n "${ESC_WHEN:-}" ] && when=("$(winpath "$ESC_WHEN")")
    [ -n "${CLOSE_WHEN:-}" ] && when=("$(winpath "$CLOSE_WHEN")" close)
    : >"$CASE_DIR/dialogs.txt"
    (cd "$APP_DIR" && timeout 120 "$WINE" dialog_helper.exe "$(winpath "$CASE_DIR/dialogs.txt")" 100 \
        "${when[@]}" >/dev/null 2>&1) &
    local helper=$!
    set +e
    (cd "$APP_DIR" && WINEDEBUG=-all,warn+seh timeout 90 "$WINE" ZEM_Start.exe "$@" 2>"$CASE_DIR/stderr.txt")
    ZEM_RC=$?
    set -e
    wait "$helper" || true
    collect_trace
    [ "$ZEM_RC" = 124 ] && fail "ZEM_Start.exe did not end within 90 s"
    return 0
}

# The trace lines of CASE_DIR/stderr.txt into CASE_DIR/trace.txt; no password in them or in
# the recorded message boxes.
collect_trace() {
    trace_lines <"$CASE_DIR/stderr.txt" >"$CASE_DIR/trace.txt" || true
    # No password ever reaches the trace or a message.
    for secret in "Geheim#2026" "PASSWORD=wrong" "wrongpw"; do
        ! grep -qF -- "$secret" "$CASE_DIR/trace.txt" "$CASE_DIR/dialogs.txt" || fail "a password was shown: $secret"
    done
    return 0
}

fail() {
    echo "FAIL: $*" >&2
    if [ -n "${CASE_DIR:-}" ]; then
        for f in trace.txt dialogs.txt launch-record.txt; do
            [ -f "$CASE_DIR/$f" ] && { echo "--- $f" >&2; cat "$CASE_DIR/$f" >&2; }
        done
    fi
    exit 1
}

expect_line() { grep -qxF -- "$2" "$1" || fail "no line '$2' in $(basename "$1")"; }
expect_text() { grep -qF -- "$2" "$1" || fail "no '$2' in $(basename "$1")"; }
expect_no_text() { ! grep -qF -- "$2" "$1" || fail "unexpected '$2' in $(basename "$1")"; }
# The lines of the file, in this order (others may stand between them).
expect_order() {
    local file=$1
    shift
    printf '%s\n' "$@" >"$CASE_DIR/expected-order.txt"
    awk 'NR == FNR { want[++n] = $0; next } i < n && $0 == want[i + 1] { i++ } END { exit i < n }' \
        "$CASE_DIR/expected-order.txt" "$file" || fail "lines missing or out of order in $(basename "$file")"
}

case "${1:-}" in
prepare) : "${ZEM_WIN64_DIR:?}" "${ZEM_SYSTEM_DIR:?}"; prepare ;;
cleanup) cleanup ;;
esac
