#!/usr/bin/env bash
# Backs up and restores one folder with zip_bench (ZipFolder, ExtractArchive),
# then with Info-ZIP's `zip -r -6` and `unzip` when they are installed, and
# prints the times and peak memory side by side.
# Usage: bench/compare.sh FOLDER [BUILD_DIR] [THREADS]
set -euo pipefail

folder=$(realpath "$1")
build=${2:-build}
threads=${3:-0}
bench="$build/bench/zip_bench"
[ -x "$bench" ] || { echo "build the zip_bench target first ($bench missing)" >&2; exit 2; }

work=$(mktemp -d /tmp/zip-compare-XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "== Vantorel (threads: $threads, 0 = one per processor)"
sync
"$bench" "$folder" "$work/vantorel" "$threads"

measure() { # label command...
    local label=$1
    shift
    /usr/bin/time -f "$label %e s  peak %M KiB" "$@" >/dev/null
}

if command -v zip >/dev/null && command -v unzip >/dev/null && [ -x /usr/bin/time ]; then
    echo "== Info-ZIP"
    mkdir -p "$work/infozip/restored"
    sync
    (cd "$folder" && measure "zip -r -6" zip -r -6 -q "$work/infozip/bench.zip" .)
    ls -l "$work/infozip/bench.zip" | awk '{ printf "archive  %.1f MB\n", $5 / 1e6 }'
    measure "unzip   " unzip -q -o "$work/infozip/bench.zip" -d "$work/infozip/restored"
else
    echo "zip, unzip or /usr/bin/time missing: Info-ZIP not measured"
fi
