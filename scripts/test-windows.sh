#!/usr/bin/env bash
# The Windows build: cross-compiles both widths with mingw-w64, then, in a PID namespace
# of its own, runs the 64-bit tests under Wine in a fresh prefix, checks the registry
# writes with Wine's own reg, and runs quorvel-cli.exe end to end. The 32-bit build is
# compiled and linked only: this kernel cannot run 32-bit programs.
#
#   QUORVEL_JOBS        parallel build jobs (default: the number of processors)
#   QUORVEL_MINGW64_DIR, QUORVEL_MINGW32_DIR
#                       build folders (default: build/mingw-x86_64, build/mingw-i686)
#   QUORVEL_NATIVE_CLI  the Linux quorvel-cli to compare the pe output with
#                       (default: build/test/bin/quorvel-cli, built by scripts/test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build64=${QUORVEL_MINGW64_DIR:-$root/build/mingw-x86_64}
build32=${QUORVEL_MINGW32_DIR:-$root/build/mingw-i686}
native_cli=${QUORVEL_NATIVE_CLI:-$root/build/test/bin/quorvel-cli}

say() { echo "test-windows: $*"; }

if [[ "${1:-}" != --in-namespace ]]; then
    jobs=${QUORVEL_JOBS:-$(nproc)}
    say "64-bit build"
    cmake --preset mingw-x86_64 -B "$build64" >/dev/null
    cmake --build "$build64" -j "$jobs"
    say "32-bit build (compiled and linked only)"
    cmake --preset mingw-i686 -B "$build32" >/dev/null
    cmake --build "$build32" -j "$jobs"
    say "installers"
    cmake --build "$build64" --target installer
    cmake --build "$build32" --target installer
    if [[ ! -x "$native_cli" ]]; then
        say "Linux quorvel-cli for the pe comparison"
        cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUORVEL_SANITIZE=ON \
            -DQUORVEL_BUILD_TESTS=ON -DQUORVEL_BUILD_BENCH=ON >/dev/null
        cmake --build build/test --target quorvel-cli -j "$jobs"
        native_cli=$root/build/test/bin/quorvel-cli
    fi
    # Wine, the tests and everything they start can reach no process outside, and all of
    # them end with the namespace.
    exec unshare --pid --fork --mount-proc -- env QUORVEL_NATIVE_CLI="$native_cli" \
        QUORVEL_MINGW64_DIR="$build64" QUORVEL_MINGW32_DIR="$build32" bash "$0" --in-namespace
fi

failures=0
fail() {
    echo "test-windows: FAILED: $*" >&2
    failures=$((failures + 1))
}

work=$(mktemp -d /tmp/quorvel-wine.XXXXXX)
# A fresh prefix per run; HOME too, so Wine links no folder of the real home into it.
export WINEPREFIX=$work/prefix HOME=$work/home WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml=;winemenubuilder.exe="
mkdir -p "$HOME"
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "test-windows: stopped by a failing command at line $LINENO" >&2' ERR

say "Wine prefix in $WINEPREFIX"
wine wineboot -i
wineserver -w
# Windows without a display (the null driver still keeps windows), and a crash ends the
# program at once instead of waiting in a debugger.
wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null
wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
    /v Debugger /d no-debugger.exe /f >/dev/null

say "tests under Wine"
[[ -n "${QUORVEL_SKIP_CTEST:-}" ]] || ctest --test-dir "$build64" --output-on-failure --timeout 300 || fail "tests under Wine"

cli=$build64/bin/quorvel-cli.exe
winpath() { wine winepath -w "$1" 2>/dev/null | tr -d '\r'; }

# --- Registry: what the backend stored, as Wine's own reg sees it -------------------------
say "registry values through quorvel-cli.exe, checked with reg"
policy='SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System'
wine "$cli" reg set-dword HKCU "$policy" DisableTaskMgr 1 || fail "reg set-dword"
wine "$cli" reg set-string HKCU "$policy" QuorvelPath 'C:\Apps\app.exe' || fail "reg set-string"
wine "$cli" reg set-dword HKCU "$policy" QuorvelGone 7 || fail "reg set-dword"
wine "$cli" reg delete HKCU "$policy" QuorvelGone || fail "reg delete"
query=$(wine reg query "HKCU\\$policy" | tr -d '\r') || fail "reg query"
grep -Eq '^ +DisableTaskMgr +REG_DWORD +0x1$' <<<"$query" || fail "DisableTaskMgr: $query"
grep -Eq '^ +QuorvelPath +REG_SZ +C:\\Apps\\app\.exe$' <<<"$query" || fail "QuorvelPath: $query"
if wine reg query "HKCU\\$policy" /v QuorvelGone >/dev/null 2>&1; then
    fail "QuorvelGone is still there"
fi
# Wine writes a string without its terminating NUL as hex(1): 15 characters, 30 bytes
# of UTF-16, no 00,00 at the end.
# The server may already have gone on its own; -k then says so with status 1.
wineserver -k 2>/dev/null || true
wineserver -w
stored=$(awk '/^\[Software\\\\Microsoft\\\\Windows\\\\CurrentVersion\\\\Policies\\\\System\]/ {in_key = 1; next}
              /^\[/ {in_key = 0}
              in_key' "$WINEPREFIX/user.reg" | tr -d '\\\n ' | grep -o '"QuorvelPath"=[^"]*' || true)
expected='"QuorvelPath"=hex(1):43,00,3a,00,5c,00,41,00,70,00,70,00,73,00,5c,00,61,00,70,00,70,00,2e,00,65,00,78,00,65,00'
[[ "$stored" == "$expected" ]] || fail "QuorvelPath stored as '$stored'"

# --- pe: the same bytes as the Linux build ------------------------------------------------
say "pe reports of 32-bit programs, compared with the Linux build"
samples=("$build32/bin/contract_helper.exe" "$build32/bin/quorvel-cli.exe")
for exe in "$build32"/tests/pe/fixtures/*.exe "$build32"/tests/pe/fixtures/*.dll; do
    [[ -f "$exe" ]] && samples+=("$exe")
done
for exe in "${samples[@]}"; do
    for args in "--classify" "--view sections" "--view imports"; do
        # shellcheck disable=SC2086
        "$native_cli" pe $args "$exe" >"$work/linux.txt" 2>&1 || true
        # shellcheck disable=SC2086
        wine "$cli" pe $args "$(winpath "$exe")" >"$work/wine.txt" 2>&1 || true
        if ! cmp -s "$work/linux.txt" "$work/wine.txt"; then
            # Once seen on a loaded machine: Wine refused to open a file it opened a moment
            # before. A second run tells Wine's hiccup from a real difference.
            first=$(head -c 300 "$work/wine.txt")
            # shellcheck disable=SC2086
            wine "$cli" pe $args "$(winpath "$exe")" >"$work/wine.txt" 2>&1 || true
            if cmp -s "$work/linux.txt" "$work/wine.txt"; then
                say "pe $args $(basename "$exe"): the same on a second run; the first printed: $first"
            else
                fail "pe $args $(basename "$exe") differs between Linux and Windows"
                diff <(od -c "$work/linux.txt") <(od -c "$work/wine.txt") | head -n 10 >&2 || true
                head -c 300 "$work/wine.txt" >&2
            fi
        fi
    done
done

# --- The guard end to end -----------------------------------------------------------------
helper=$build64/bin/contract_helper.exe
data=$work/data
mkdir -p "$data"
# Windows paths are worked out before the guard runs: it would hold winepath.exe too.
data_windows=$(winpath "$data")
beat_windows="$(winpath "$work")\\beat"
# Wine starts its desktop and services when a program first needs them; they are
# trusted, as a user trusts the system's own programs. Held, Wine would stall.
for name in explorer.exe rpcss.exe services.exe winedevice.exe plugplay.exe conhost.exe \
    start.exe wineboot.exe; do
    printf 'kenal|%s\r\n' "$name"
done >"$data/whitelist.db"

# Starts the guard on $data in the background, not on a terminal, and waits for it.
start_guard() {
    [[ -f "$work/guard.log" ]] && cat "$work/guard.log" >>"$work/guards.log"
    : >"$work/guard.log"
    wine "$cli" guard --data "$data_windows" --interval 0.25 \
        </dev/null >"$work/guard.log" 2>&1 &
    guard_pid=$!
    for _ in $(seq 200); do
        grep -q '^Quorvel guard:' "$work/guard.log" && return 0
        sleep 0.05
    done
    fail "the guard did not start: $(cat "$work/guard.log")"
    return 1
}

stop_guard() {
    kill "$guard_pid" 2>/dev/null || true
    wait "$guard_pid" 2>/dev/null || true
}

# Starts the helper in the background with its heartbeat in $work/beat.
start_helper() {
    rm -f "$work/beat"
    wine "$helper" "$beat_windows" >/dev/null 2>&1 &
    helper_pid=$!
}

beats() { cut -d' ' -f2 "$work/beat" 2>/dev/null || echo 0; }
heartbeat_moves() {
    local first
    first=$(beats)
    # Up to 30 s: a loaded machine has been seen to take over 10 s to schedule Wine again.
    for _ in $(seq 300); do
        sleep 0.1
        [[ "$(beats)" != "$first" ]] && return 0
    done
    return 1
}
heartbeat_stands() {
    local first
    first=$(beats)
    sleep 1
    [[ "$(beats)" == "$first" ]]
}

# The guard judges only the first new name of a snapshot that it kills or trusts, so the
# helper must be the only newcomer: one run of it beforehand brings up what Wine starts
# beside a program's first window, and the guard's first snapshot records those.
start_helper
heartbeat_moves || fail "the helper does not run"
sleep 1
kill -9 "$helper_pid" 2>/dev/null || true
wait "$helper_pid" 2>/dev/null || true

say "guard: a blacklisted helper is killed"
printf 'kenal|contract_helper.exe\r\n' >"$data/blacklist.db"
if start_guard; then
    started=$(date +%s%N)
    start_helper
    ended=no
    for _ in $(seq 200); do
        if ! kill -0 "$helper_pid" 2>/dev/null; then
            ended=yes
            break
        fi
        sleep 0.05
    done
    elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    if [[ $ended == yes ]]; then
        say "the helper ended ${elapsed_ms} ms after it was started (guard period 250 ms)"
    else
        fail "the blacklisted helper still runs"
        kill -9 "$helper_pid" 2>/dev/null || true
    fi
    wait "$helper_pid" 2>/dev/null || true
    grep -q '| Killed (Blacklist) | [0-9]* | contract_helper.exe |' "$work/guard.log" ||
        fail "no kill reported: $(cat "$work/guard.log")"
    stop_guard
fi

say "guard: an unknown helper is held, then blocked"
: >"$data/blacklist.db"
if start_guard; then
    start_helper
    for _ in $(seq 200); do
        grep -q '| Blocked | [0-9]* | contract_helper.exe |' "$work/guard.log" && break
        sleep 0.05
    done
    grep -q '| Held | [0-9]* | contract_helper.exe |' "$work/guard.log" ||
        fail "the helper was not held: $(cat "$work/guard.log")"
    grep -q '| Blocked | [0-9]* | contract_helper.exe |' "$work/guard.log" ||
        fail "the helper was not blocked: $(cat "$work/guard.log")"
    heartbeat_stands || fail "the blocked helper still runs"
    kill -0 "$helper_pid" 2>/dev/null || fail "the blocked helper was killed"
    # The guard ends without releasing it (killed, no exit sequence): still held.
    stop_guard
    heartbeat_stands || fail "the helper ran on after the guard ended"
    windows_pid=$(cut -d' ' -f1 "$work/beat" 2>/dev/null || echo 0)
    wine "$cli" resume "$windows_pid" >/dev/null 2>&1 || fail "resume $windows_pid"
    heartbeat_moves || fail "the helper does not run after resume"
    kill -9 "$helper_pid" 2>/dev/null || true
    wait "$helper_pid" 2>/dev/null || true
fi

say "guard on a terminal: the alert takes keys, Ctrl-C releases what was blocked"
cat >"$work/terminal_guard.py" <<'PYTHON'
# Runs the guard on a pseudo-terminal: blocks the helper with "b" at its alert, ends the
# guard with Ctrl-C and answers "y" to releasing it. Wine draws the console with escape
# sequences and drops blanks, so output is matched with both removed.
import os, pty, re, select, signal, subprocess, sys, time

cli, data, helper, beat_windows, beat_file = sys.argv[1:6]
output = b""


def seen(token):
    text = re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]|\s", b"", output)
    return token in text


def read_until(fd, token, timeout=30.0):
    global output
    end = time.time() + timeout
    while time.time() < end and not seen(token):
        if select.select([fd], [], [], 0.1)[0]:
            try:
                chunk = os.read(fd, 4096)
            except OSError:
                chunk = b""
            if not chunk:
                break
            output += chunk
    return seen(token)


def beats():
    try:
        with open(beat_file) as f:
            return f.read().split()[1]
    except (OSError, IndexError):
        return None


def heartbeat_moves(timeout=10.0):
    first, end = beats(), time.time() + timeout
    while time.time() < end:
        time.sleep(0.1)
        if beats() != first:
            return True
    return False


def main():
    problems = []
    guard_pid, fd = pty.fork()
    if guard_pid == 0:
        os.execvp("wine", ["wine", cli, "guard", "--data", data, "--interval", "0.25"])
    helper_process = None
    try:
        if not read_until(fd, b"Quorvelguard:"):
            return ["the guard did not start"]
        helper_process = subprocess.Popen(["wine", helper, beat_windows],
                                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not read_until(fd, b"--WARNING--"):
            return ["no alert for the helper"]
        os.write(fd, b"b")
        if not read_until(fd, b"|Blocked|"):
            problems.append("the key b did not block the helper")
        if heartbeat_moves(1.0):
            problems.append("the blocked helper runs")
        os.write(fd, b"\x03")
        if not read_until(fd, b"[y/n]"):
            problems.append("Ctrl-C did not ask about the blocked processes")
        os.write(fd, b"y")
        end = time.time() + 20
        status = None
        while time.time() < end and status is None:
            read_until(fd, b"never printed", 0.2)
            done, code = os.waitpid(guard_pid, os.WNOHANG)
            status = code if done else None
        if status is None:
            problems.append("the guard did not end")
        elif status != 0:
            problems.append(f"the guard ended with status {status}")
        if not heartbeat_moves():
            problems.append("the released helper does not run")
    finally:
        if helper_process:
            helper_process.kill()
            helper_process.wait()
        try:
            os.kill(guard_pid, signal.SIGKILL)
            os.waitpid(guard_pid, 0)
        except (ProcessLookupError, ChildProcessError):
            pass
    return problems


problems = main()
for problem in problems:
    print(problem)
if problems:
    print(re.sub(rb"\x1b\[[0-9;?]*[A-Za-z]", b"", output).decode(errors="replace"))
sys.exit(1 if problems else 0)
PYTHON
: >"$data/blacklist.db"
python3 "$work/terminal_guard.py" "$cli" "$data_windows" "$helper" "$beat_windows" \
    "$work/beat" >&2 || fail "the guard on a terminal"

version=$(sed -n 's/^project(Quorvel VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")

ended_in_time() {
    for _ in $(seq 300); do
        kill -0 "$1" 2>/dev/null || return 0
        sleep 0.1
    done
    return 1
}

# The x64 installer in the prefix: installs silently, the program starts from its Start-menu
# shortcut on the user's own Data (seeded from the installed defaults) and takes the password
# there; the silent uninstall removes every program file and keeps the user's Data.
installer_round_trip() {
    local setup=$build64/Quorvel-$version-x64-setup.exe
    local program_files="$WINEPREFIX/drive_c/Program Files/Quorvel"
    local shortcut='C:\ProgramData\Microsoft\Windows\Start Menu\Programs\Quorvel\Quorvel.lnk'
    local key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel'
    [[ -f "$setup" ]] || { fail "no installer $setup"; return; }
    wine "$setup" /S || { fail "the silent install"; return; }
    local file
    for file in quorvel.exe quorvel-cli.exe uninstall.exe Defaults/whitelist.db \
        Defaults/blacklist.db Defaults/main.ini Defaults/set.db ClamAV/README.txt; do
        [[ -f "$program_files/$file" ]] || fail "installed: no $file"
    done
    [[ -d "$program_files/Data" ]] && fail "installed: a Data folder beside the program"
    wine reg query "$key" /v DisplayVersion 2>/dev/null | tr -d '\r' |
        grep -Eq "DisplayVersion +REG_SZ +$version\$" || fail "no Uninstall key with $version"

    # At 144 dots per inch from here on, for the popup's twips arithmetic.
    wineserver -k 2>/dev/null || true
    wineserver -w
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null
    wine start /wait "$shortcut" >>"$work/desktop.log" 2>&1 &
    local started_pid=$!
    timeout 60 wine "$driver" login || fail "the installed program's login"
    timeout 60 wine "$driver" popup || fail "the popup at 144 dpi"
    local user_data
    user_data=$(find "$WINEPREFIX/drive_c/users" -path '*/Roaming/Quorvel/Data' -type d | head -n1)
    if [[ -n "$user_data" && -f "$user_data/set.db" ]]; then
        printf 'kenal|mine.exe\r\n' >>"$user_data/whitelist.db"
    else
        fail "no user Data folder seeded under %APPDATA%"
    fi
    timeout 60 wine "$driver" close || fail "closing the installed program"
    ended_in_time "$started_pid" || fail "the installed program did not end"

    # The uninstaller copies itself away and returns at once: wait for its work to be done,
    # the folder and the shortcut both gone, whichever it removes last.
    wine "$program_files/uninstall.exe" /S || fail "the silent uninstall"
    local menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Quorvel"
    for _ in $(seq 300); do
        [[ -e "$program_files" || -e "$menu" ]] || break
        sleep 0.1
    done
    [[ -e "$program_files" ]] && fail "left behind: $(find "$program_files" | head -n 5)"
    [[ -e "$menu" ]] && fail "the Start-menu shortcut is left"
    # Its key goes last of all.
    for _ in $(seq 20); do
        wine reg query "$key" >/dev/null 2>&1 || break
        sleep 0.5
    done
    wine reg query "$key" >/dev/null 2>&1 && fail "the Uninstall key is left"
    grep -q 'kenal|mine.exe' "$user_data/whitelist.db" 2>/dev/null ||
        fail "the user's Data was not kept"
}

# --- The desktop under Wine: its windows worked from outside by the driver ---------------
say "desktop: quorvel.exe under Xvfb, openbox and trayer, worked by quorvel-driver.exe"
desktop_started=$(date +%s)
# shellcheck source=scripts/wine-desktop.sh
source "$root/scripts/wine-desktop.sh"
if wine_desktop_start; then
    desktop_data=$work/desktop-data
    mkdir -p "$desktop_data"
    cp "$root"/Data/* "$desktop_data/"
    desktop_data_windows=$(winpath "$desktop_data")
    driver=$build64/bin/quorvel-driver.exe
    wine "$build64/bin/quorvel.exe" --data "$desktop_data_windows" >"$work/desktop.log" 2>&1 &
    desktop_pid=$!
    timeout 120 wine "$driver" gui || fail "the desktop under Wine"

    wine "$build64/bin/quorvel.exe" --data "$desktop_data_windows" >>"$work/desktop.log" 2>&1 &
    second_pid=$!
    timeout 60 wine "$driver" second-copy || fail "the second copy's message"
    ended_in_time "$second_pid" || fail "the second copy did not end"

    timeout 60 wine "$driver" close || fail "closing the main window"
    ended_in_time "$desktop_pid" || fail "the program did not end when its window closed"
    kill "$second_pid" "$desktop_pid" 2>/dev/null || true
    wait "$second_pid" "$desktop_pid" 2>/dev/null || true

    say "installer: silent install, start from the Start menu, silent uninstall"
    installer_round_trip
    wine_desktop_stop
else
    fail "no desktop for the Wine GUI test"
fi
say "desktop: $(($(date +%s) - desktop_started)) s"

cat "$work/guard.log" >>"$work/guards.log" 2>/dev/null || true
if ((failures > 0)); then
    echo "--- guard output" >&2
    cat "$work/guards.log" >&2 || true
    say "$failures check(s) failed"
    exit 1
fi
say "all passed"
