#!/usr/bin/env bash
# Times `quorvel-cli pe` against the tools a user would pick instead, side by side over a
# corpus of real PE files: Wine's 32-bit DLLs and programs (libwine:i386, extracted, not
# installed), its 64-bit ones (wine64) and the test files. Prints files per second and
# our ratios. Installs its own bench-only packages.
# Usage: bench/pe-bench.sh [BUILD_DIR]   (a Release folder; default build/pe-release)
#   PE_BENCH_STARTUP_ONLY=1   only the one-file start-up comparison
#   PE_BENCH_BASELINE=FILE    another quorvel-cli (an older build) timed beside ours there
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
    apt-get update -qq
fi
missing=()
for p in pev python3-pefile liblief-dev binutils wine64 g++ hyperfine; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

build=${1:-build/pe-release}
echo "building quorvel-cli (Release, $build) and the LIEF walker"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUORVEL_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target quorvel-cli -j 2 >/dev/null
cli=$(realpath "$build/bin/quorvel-cli")
[[ -n ${PE_BENCH_STARTUP_ONLY:-} ]] ||
    g++ -O2 -std=c++17 -o "$work/lief_walker" bench/pe_lief_walker.cpp -lLIEF
python=/usr/bin/python3 # Debian's, which has pefile

echo "assembling the corpus"
(cd "$work" && apt-get download -qq libwine:i386 >/dev/null 2>&1)
dpkg -x "$work"/libwine_*_i386.deb "$work/libwine32"
# Only files with both signatures: the 16-bit and VxD files among them are no PE files.
pe_files() {
    "$python" - "$@" <<'PY'
import struct, sys
for path in sys.argv[1:]:
    try:
        with open(path, "rb") as f:
            head = f.read(64)
            if len(head) < 64 or head[:2] != b"MZ":
                continue
            f.seek(struct.unpack_from("<I", head, 60)[0])
            if f.read(4) == b"PE\0\0":
                print(path)
    except OSError:
        pass
PY
}
mapfile -t files32 < <(pe_files $(find "$work/libwine32" -path '*i386-windows*' -type f | sort))
mapfile -t files64 < <(pe_files /usr/lib/x86_64-linux-gnu/wine/x86_64-windows/*)
# The test files of whichever build folders have them, each name once.
mapfile -t filesTest < <(pe_files $(find build -path '*tests/pe/fixtures/*' \
    \( -name '*.exe' -o -name '*.dll' \) 2>/dev/null | sort | awk -F/ '!seen[$NF]++'))
echo "corpus: ${#files32[@]} 32-bit, ${#files64[@]} 64-bit, ${#filesTest[@]} test files"
cat "${files32[@]}" "${files64[@]}" >/dev/null # warm the page cache

# measure COMMAND...: "wall cpu" in seconds; cpu is the user and system time of the
# processes, which a machine shared with other work disturbs less than the wall clock.
measure() {
    local TIMEFORMAT='%R %U %S' t
    t=$({ time { "$@" >/dev/null 2>&1 || true; }; } 2>&1)
    awk -v t="$t" 'BEGIN { split(t, a, " "); printf "%.4f %.4f", a[1], a[2] + a[3] }'
}
# The fastest of three runs, for the one-process runs that take well under a second.
best_of_three() {
    local best="" m
    for _ in 1 2 3; do
        m=$(measure "$@")
        if [[ -z $best ]] || awk -v a="${m% *}" -v b="${best% *}" 'BEGIN { exit !(a < b) }'; then
            best=$m
        fi
    done
    echo "$best"
}
each_file() { # COMMAND... -- FILES...: one process per file
    local cmd=() f
    while [[ $1 != -- ]]; do cmd+=("$1"); shift; done
    shift
    for f in "$@"; do "${cmd[@]}" "$f" >/dev/null 2>&1 || true; done
}

row() { # name count "wall cpu"
    awk -v n="$1" -v c="$2" -v m="$3" 'BEGIN { split(m, t, " ");
        printf "  %-38s %8.3f s %9.0f files/s %8.3f ms CPU/file\n", n, t[1], c / t[1], 1000 * t[2] / c }'
}
ratio() { # text "wall cpu" of ours, of theirs: how many times faster ours is
    awk -v t="$1" -v a="$2" -v b="$3" 'BEGIN { split(a, x, " "); split(b, y, " ");
        printf "  %-44s %8.1fx wall %8.1fx CPU\n", t, y[1] / x[1], y[2] / x[2] }'
}

run_set() { # name files...
    local name=$1
    shift
    local n=$#
    echo
    echo "$name: $n files"
    local ours ours_each readpe objdump_t pefile_t lief
    ours=$(best_of_three "$cli" pe "$@")
    ours_each=$(measure each_file "$cli" pe -- "$@")
    readpe=$(measure each_file readpe -- "$@")
    objdump_t=$(best_of_three objdump -p "$@")
    pefile_t=$(measure "$python" bench/pe_pefile_walker.py "$@")
    lief=$(best_of_three "$work/lief_walker" "$@")
    row "quorvel-cli pe, one process" "$n" "$ours"
    row "quorvel-cli pe, one process per file" "$n" "$ours_each"
    row "readpe, one process per file" "$n" "$readpe"
    row "objdump -p, one process" "$n" "$objdump_t"
    row "pefile, one process" "$n" "$pefile_t"
    row "LIEF walker, one process" "$n" "$lief"
    echo " ours faster by:"
    ratio "one process vs LIEF (goal 3x)" "$ours" "$lief"
    ratio "one process vs pefile (goal 50x)" "$ours" "$pefile_t"
    ratio "one process vs readpe's loop (goal 20x)" "$ours" "$readpe"
    ratio "one process vs objdump -p" "$ours" "$objdump_t"
    ratio "one file per process vs readpe (goal 2x)" "$ours_each" "$readpe"
}

if [[ -z ${PE_BENCH_STARTUP_ONLY:-} ]]; then
    "$cli" pe "${files32[@]}" >/dev/null 2>&1 || true # warm up
    run_set "32-bit Wine files" "${files32[@]}"
    run_set "whole corpus" "${files32[@]}" "${files64[@]}" "${filesTest[@]}"
fi

# One file, many invocations: the start-up cost a user pays for a single look. "net" is
# above an empty C++ program started the same way.
one=$(find "$work/libwine32" -path '*i386-windows/kernel32.dll' | head -n 1)
printf 'int main() {}\n' >"$work/empty.cpp"
g++ -O2 -o "$work/empty" "$work/empty.cpp"
repeat() { # COMMAND...: 300 runs
    for _ in $(seq 300); do "$@" >/dev/null 2>&1 || true; done
}
empty=$(measure repeat "$work/empty")
ours1=$(measure repeat "$cli" pe "$one")
readpe1=$(measure repeat readpe "$one")
echo
echo "one file ($(basename "$one")), 300 invocations each:"
awk -v e="$empty" -v o="$ours1" -v r="$readpe1" 'BEGIN {
    split(e, E, " "); split(o, O, " "); split(r, R, " ");
    printf "  %-30s %7.3f ms\n", "empty program", 1000 * E[1] / 300;
    printf "  %-30s %7.3f ms, net %7.3f ms\n", "quorvel-cli pe", 1000 * O[1] / 300, 1000 * (O[1] - E[1]) / 300;
    printf "  %-30s %7.3f ms, net %7.3f ms\n", "readpe", 1000 * R[1] / 300, 1000 * (R[1] - E[1]) / 300;
    printf "  ours / readpe (goal under 0.5): %.2f, net %.2f\n", O[1] / R[1], (O[1] - E[1]) / (R[1] - E[1]) }'

# The same single look side by side, as a user times it (hyperfine, no shell between).
echo
echo "one call, side by side (hyperfine, load: $(cut -d' ' -f1-3 /proc/loadavg)):"
commands=("$cli pe --classify $one" "readpe $one")
if [[ -n ${PE_BENCH_BASELINE:-} ]]; then
    commands+=("$PE_BENCH_BASELINE pe --classify $one")
fi
hyperfine -N --warmup 10 --runs 200 --export-json "$work/hyperfine.json" "${commands[@]}" |
    grep -E "Benchmark|Time|±" || true
"$python" - "$work/hyperfine.json" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
names = ["quorvel-cli pe --classify", "readpe", "baseline quorvel-cli"]
for name, r in zip(names, results):
    print(f"  {name:26} mean {1000 * r['mean']:7.2f} ms, median {1000 * r['median']:7.2f} ms")
ours, readpe = results[0], results[1]
print(f"  ours / readpe (goal at most 0.5): mean {ours['mean'] / readpe['mean']:.2f}, "
      f"median {ours['median'] / readpe['median']:.2f}")
PY
