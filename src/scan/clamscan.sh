#!/bin/sh
# Scanner of Linux builds, installed as ClamAV/clamscan in the program folder. Scans the
# executables of the running processes (the files behind /proc/PID/exe that can be read,
# each once) with the system's clamscan and leaves the report at the --log= file,
# relative to the working directory. Other options (--memory, -k) are accepted and mean
# nothing here. The report appears whole when the scan ends.
set -u

log=clamreport.txt
for arg in "$@"; do
    case $arg in
    --log=*) log=${arg#--log=} ;;
    esac
done

# The system's clamscan, not this wrapper again when the program folder is on PATH.
scanner=
oldifs=$IFS
IFS=:
for dir in ${PATH:-/usr/bin:/bin}; do
    candidate=${dir:-.}/clamscan
    if [ -x "$candidate" ] && [ ! "$candidate" -ef "$0" ]; then
        scanner=$candidate
        break
    fi
done
IFS=$oldifs

work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-scan.XXXXXX") || exit 2
trap 'rm -rf "$work"' EXIT
part="$log.part"

finish() {
    mv -f "$part" "$log"
}

if [ -z "$scanner" ]; then
    echo "ClamAV is not installed: install the clamav package and scan again." >"$part"
    finish
    exit 2
fi

# Each program once: by the file it names, or by the /proc link when that file is gone.
for link in /proc/[0-9]*/exe; do
    [ -r "$link" ] || continue
    target=$(readlink "$link" 2>/dev/null) || continue
    case $target in
    *" (deleted)" | "") target=$link ;;
    esac
    [ -f "$target" ] && [ -r "$target" ] || target=$link
    printf '%s\n' "$target"
done | sort -u >"$work/list"

count=$(wc -l <"$work/list")
"$scanner" --file-list="$work/list" --log="$work/log" >/dev/null 2>"$work/errors"
status=$?

if [ "$status" -eq 2 ] && grep -q "No supported database files found" "$work/errors"; then
    {
        echo "No virus database yet: run freshclam (as root) to download one and scan again."
        cat "$work/errors"
    } >"$part"
    finish
    exit 2
fi

{
    echo "Scanned $count running programs."
    [ -f "$work/log" ] && cat "$work/log"
    [ "$status" -eq 2 ] && cat "$work/errors"
} >"$part"
finish
exit "$status"
