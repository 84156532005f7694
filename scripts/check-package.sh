#!/usr/bin/env bash
# Builds the Debian package and checks it without installing it on this machine: its
# contents, lintian, the menu entry, the per-user Data folder seeded by the unpacked
# quorvel-cli, and "Run at Startup" for a normal user and for root.
# SKIP_PACKAGE_BUILD=1 checks the package already in build/package.
set -euo pipefail
cd "$(dirname "$0")/.."

passed=0
failed=0
check() { # check NAME COMMAND...: runs the command, counts and reports it
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok: $name"
    else
        failed=$((failed + 1))
        echo "FAILED: $name"
    fi
}

if [[ "${SKIP_PACKAGE_BUILD:-}" != 1 ]]; then
    start=$(date +%s)
    bash scripts/package.sh
    echo "package build: $(($(date +%s) - start)) s"
fi

version=$(sed -n 's/^project(Quorvel VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="build/package/quorvel_${version}_amd64.deb"
[[ -f "$deb" ]] || { echo "FAILED: no $deb"; exit 1; }

work=$(mktemp -d)
cleanup() { rm -rf "$work"; }
trap cleanup EXIT

# Every path the package must hold.
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./|/|' >"$work/contents"
expected=(
    /usr/bin/quorvel /usr/bin/quorvel-cli
    /usr/share/applications/quorvel.desktop
    /usr/share/icons/hicolor/scalable/apps/quorvel.svg
    /usr/share/quorvel/Data/whitelist.db /usr/share/quorvel/Data/blacklist.db
    /usr/share/quorvel/Data/main.ini /usr/share/quorvel/Data/set.db
    /usr/share/man/man1/quorvel.1.gz /usr/share/man/man1/quorvel-cli.1.gz
    /usr/share/doc/quorvel/copyright /usr/share/doc/quorvel/changelog.gz
)
for size in 16 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/quorvel.png")
done
if [[ -f src/scan/clamscan.sh ]]; then
    expected+=(/usr/share/quorvel/ClamAV/clamscan)
fi
missing=()
for path in "${expected[@]}"; do
    grep -qxF "$path" "$work/contents" || missing+=("$path")
done
check "the package holds every path" test ${#missing[@]} -eq 0
((${#missing[@]} == 0)) || printf '  missing: %s\n' "${missing[@]}"

depends=$(dpkg-deb -f "$deb" Depends)
check "dependencies read from the binaries (libc6, Qt 6 Widgets)" \
    bash -c '[[ "$1" == *libc6* && "$1" == *libqt6widgets6* ]]' _ "$depends"
check "libcurl and libcrypto, opened at run time, are still dependencies" \
    bash -c '[[ "$1" == *"libcurl4 ("* && "$1" == *"libssl3 ("* ]]' _ "$depends"
check "clamav recommended" test "$(dpkg-deb -f "$deb" Recommends)" = clamav

check "apt can install it here (simulated)" \
    bash -c 'apt-get -s -o Debug::NoLocking=1 install "./$1" >/dev/null 2>&1' _ "$deb"

lintian --fail-on error "$deb" \
    >"$work/lintian" 2>&1 && lint=0 || lint=$?
grep -v "root privileges" "$work/lintian" || true
check "lintian reports no error" test "$lint" -eq 0

root="$work/root"
dpkg-deb -x "$deb" "$root"
chmod 755 "$work"
check "the menu entry passes desktop-file-validate" \
    desktop-file-validate "$root/usr/share/applications/quorvel.desktop"

# Start-up cost: libcurl and libcrypto are opened by the commands that need them, never
# loaded with the programs.
needed=$(readelf -d "$root/usr/bin/quorvel" "$root/usr/bin/quorvel-cli" | grep NEEDED || true)
check "neither program loads libcurl or libcrypto at start" \
    bash -c '[[ "$1" != *libcurl* && "$1" != *libcrypto* && "$1" != *libssl* ]]' _ "$needed"

# The unpacked tree is an installed copy: the Data folder is the user's own, seeded from
# the shared defaults, which stay as they were.
home="$work/home"
mkdir -p "$home"
shared="$root/usr/share/quorvel/Data"
(cd "$shared" && md5sum ./*) >"$work/shared.md5"
cli() { env -i PATH=/usr/bin:/bin HOME="$home" "$root/usr/bin/quorvel-cli" "$@"; }
check "the unpacked quorvel-cli knows it is installed" \
    bash -c '[[ "$(cat)" == *"layout: installed"* ]]' < <(cli paths)
cli lists >/dev/null
check "the first start seeds ~/.config/quorvel/Data from the shared defaults" \
    diff -r "$shared" "$home/.config/quorvel/Data"
printf 'kenal|mine.exe\r\n' >"$home/.config/quorvel/Data/whitelist.db"
check "a later start keeps the user's own lists" \
    bash -c '[[ "$(cat)" == *"mine.exe"* ]]' < <(cli lists)
check "the shared defaults are untouched" bash -c "cd '$shared' && md5sum --quiet -c '$work/shared.md5'"

# "Run at Startup": a normal user's own entry, and root's machine-wide one.
if [[ $(id -u) -eq 0 ]]; then
    uid=61000
    while getent passwd "$uid" >/dev/null || getent group "$uid" >/dev/null; do
        uid=$((uid + 1))
    done
    user_home="$work/user"
    mkdir -p "$user_home"
    chown "$uid:$uid" "$user_home"
    as_user() {
        setpriv --reuid="$uid" --regid="$uid" --clear-groups \
            env -i PATH=/usr/bin:/bin HOME="$user_home" "$root/usr/bin/quorvel-cli" "$@"
    }
    entry="$user_home/.config/autostart/quorvel.desktop"
    as_user autostart on
    check "a normal user's Run at Startup writes the user's autostart entry" \
        grep -qxF "Exec=$root/usr/bin/quorvel" "$entry"
    check "the user's entry is valid" desktop-file-validate "$entry"
    as_user autostart off
    check "turning it off removes the user's entry" test ! -e "$entry"

    # As root the entry is the machine's: /etc/xdg/autostart, over a tmpfs in a mount
    # namespace of this check alone, so the machine's own folder is never written.
    # Where the folder itself is missing, the tmpfs goes over /etc/xdg and the program
    # makes the folder there.
    over=/etc/xdg/autostart
    [[ -d $over ]] || over=/etc/xdg
    if [[ -d $over ]]; then
        OVER="$over" HOME_DIR="$home" HKLM="$work/hklm" ROOT="$root" \
            unshare --mount --propagation private bash -c '
            set -e
            mount -t tmpfs quorvel-check "$OVER"
            run() {
                env -i PATH=/usr/bin:/bin HOME="$HOME_DIR" QUORVEL_REGISTRY_HKLM="$HKLM" \
                    "$ROOT/usr/bin/quorvel-cli" autostart "$1"
            }
            run on
            grep -qxF "Exec=$ROOT/usr/bin/quorvel" /etc/xdg/autostart/quorvel.desktop
            test ! -e "$HOME_DIR/.config/autostart/quorvel.desktop"
            run off
            test ! -e /etc/xdg/autostart/quorvel.desktop
        ' && machine=0 || machine=$?
        check "root's Run at Startup writes and removes /etc/xdg/autostart/quorvel.desktop" \
            test "$machine" -eq 0
    else
        echo "skipped: no /etc/xdg on this machine"
    fi
else
    echo "skipped: the Run at Startup checks need root (setpriv, mount namespaces)"
fi

echo "package: $passed passed, $failed failed"
((failed == 0))
