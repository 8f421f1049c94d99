#!/usr/bin/env bash
# Backs up and restores each folder given with the program's own writer and
# extractor (the zip_bench target) and with `zip -r -6`, bsdtar and 7-Zip, in
# alternated rounds within one run (program, zip, bsdtar, 7-Zip, program, ...),
# on the disk and in tmpfs, and prints the medians: wall time, CPU time
# (user + system; CPU / wall says how many processors were busy), peak
# resident memory, archive size, and each time as a ratio of zip's (backups)
# or unzip's (restores).
#
# Every backup writes a fresh archive and every restore a fresh folder, on the
# same file system. The peers restore zip's archive; the program restores its
# own. The sources are read warm from the page cache after the first round.
# "backup, 2nd run" is the program's backup run again with the previous
# archive left in place, over the unchanged tree, compared with zip's full
# backup.
#
# Usage: bench/compare_all.sh [-n ROUNDS] [-b BUILD_DIR] [-j THREADS]
#                             [-t TOOLS] [-f PLACES] [-d DISK_FOLDER] FOLDER...
#   -n  rounds (default 3)
#   -b  build folder holding bench/zip_bench (default build)
#   -j  the program's threads (default 0: one per processor)
#   -t  comma list among vantorel,zip,bsdtar,7z (default all; zip is always run:
#       the ratios are to it)
#   -f  comma list among disk,tmpfs (default both; tmpfs is /dev/shm, skipped
#       when absent)
#   -d  folder on the disk for the archives and restored trees (default
#       /var/tmp)
# The corpora are made by bench/make_corpora.sh. Raw samples go to
# results.tsv in the current folder.
set -euo pipefail

rounds=3
build=build
threads=0
tools=vantorel,zip,bsdtar,7z
places=disk,tmpfs
disk_root=/var/tmp
while getopts :n:b:j:t:f:d:h option; do
    case $option in
    n) rounds=$OPTARG ;;
    b) build=$OPTARG ;;
    j) threads=$OPTARG ;;
    t) tools=$OPTARG ;;
    f) places=$OPTARG ;;
    d) disk_root=$OPTARG ;;
    h)
        sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
        exit 0
        ;;
    *) echo "unknown option -$OPTARG (-h for help)" >&2; exit 2 ;;
    esac
done
shift $((OPTIND - 1))
[ $# -ge 1 ] || { echo "usage: $0 [options] FOLDER... (-h for help)" >&2; exit 2; }
[[ ,$tools, == *,zip,* ]] || tools="zip,$tools"
has_tool() { [[ ,$tools, == *,$1,* ]]; }

bench=$(realpath "$build")/bench/zip_bench
if has_tool vantorel && [ ! -x "$bench" ]; then
    echo "build the zip_bench target first ($bench missing)" >&2
    exit 2
fi

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}
need=()
[ -x /usr/bin/time ] || need+=(time)
command -v zip >/dev/null || need+=(zip)
command -v unzip >/dev/null || need+=(unzip)
has_tool bsdtar && ! command -v bsdtar >/dev/null && need+=(libarchive-tools)
has_tool 7z && ! command -v 7z >/dev/null && need+=(p7zip-full)
has_tool vantorel && ! command -v cc >/dev/null && need+=(gcc)
if [ ${#need[@]} -gt 0 ]; then
    as_root apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}"
fi

scratch=$(mktemp -d /tmp/compare-all-XXXXXX)
work_folders=()
cleanup() {
    rm -rf "$scratch" "${work_folders[@]}"
}
trap cleanup EXIT

# zip_bench runs its backup and its restore each in a child it waits for with
# wait4, and prints only their wall time and peak memory; this preloaded
# wait4 also logs each child's CPU time.
if has_tool vantorel; then
    cat >"$scratch/child_usage.c" <<'EOF'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>

pid_t wait4(pid_t pid, int* status, int options, struct rusage* usage) {
    pid_t (*real)(pid_t, int*, int, struct rusage*) = dlsym(RTLD_NEXT, "wait4");
    struct rusage own;
    if (usage == NULL) {
        usage = &own;
    }
    const pid_t done = real(pid, status, options, usage);
    const char* log = getenv("CHILD_USAGE_LOG");
    FILE* out = done > 0 && log != NULL ? fopen(log, "a") : NULL;
    if (out != NULL) {
        fprintf(out, "%.3f %ld\n",
                usage->ru_utime.tv_sec + usage->ru_stime.tv_sec +
                    (usage->ru_utime.tv_usec + usage->ru_stime.tv_usec) / 1e6,
                usage->ru_maxrss);
        fclose(out);
    }
    return done;
}
EOF
    cc -O2 -shared -fPIC -o "$scratch/child_usage.so" "$scratch/child_usage.c" -ldl
fi

results=$PWD/results.tsv
printf 'corpus\tplace\tround\top\ttool\twall_s\tcpu_s\tpeak_kib\tarchive_bytes\n' >"$results"

record() { # corpus place round op tool wall cpu peak archive
    printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$@" >>"$results"
}

# Runs a command under GNU time; prints "wall cpu peak_kib".
timed() {
    sync
    /usr/bin/time -f '%e %U %S %M' -o "$scratch/time" "$@" >/dev/null 2>"$scratch/stderr" || {
        echo "failed: $*" >&2
        cat "$scratch/stderr" >&2
        return 1
    }
    awk '{ printf "%s %.2f %s\n", $1, $2 + $3, $4 }' "$scratch/time"
}

run_vantorel() { # corpus place round source work
    local corpus=$1 place=$2 round=$3 source=$4 work=$5 out
    rm -rf "$work/vantorel"
    mkdir -p "$work/vantorel"
    : >"$scratch/usage"
    # First run, then a second over the unchanged tree with the archive left in place.
    for pass in 1 2; do
        sync
        out=$(CHILD_USAGE_LOG="$scratch/usage" LD_PRELOAD="$scratch/child_usage.so" \
            "$bench" "$source" "$work/vantorel" "$threads" 2>"$scratch/stderr") || {
            echo "zip_bench failed on $source" >&2
            printf '%s\n' "$out" >&2
            cat "$scratch/stderr" >&2
            return 1
        }
        local size backup_wall restore_wall
        size=$(stat -c %s "$work/vantorel/bench.zip")
        backup_wall=$(awk '$1 == "backup" { print $3 }' <<<"$out")
        restore_wall=$(awk '$1 == "restore" { print $3 }' <<<"$out")
        # Children logged in order: this pass's backup, then its restore.
        read -r backup_cpu backup_peak < <(sed -n "$((2 * pass - 1))p" "$scratch/usage")
        read -r restore_cpu restore_peak < <(sed -n "$((2 * pass))p" "$scratch/usage")
        if [ $pass = 1 ]; then
            record "$corpus" "$place" "$round" backup vantorel "$backup_wall" "$backup_cpu" "$backup_peak" "$size"
            record "$corpus" "$place" "$round" restore vantorel "$restore_wall" "$restore_cpu" "$restore_peak" "$size"
        else
            record "$corpus" "$place" "$round" "backup, 2nd run" vantorel "$backup_wall" "$backup_cpu" "$backup_peak" "$size"
        fi
    done
    rm -rf "$work/vantorel"
}

run_peer() { # corpus place round source work tool
    local corpus=$1 place=$2 round=$3 source=$4 work=$5 tool=$6 archive m
    archive=$work/$tool.zip
    rm -f "$archive"
    case $tool in
    zip) m=$(cd "$source" && timed zip -r -6 -q "$archive" .) ;;
    bsdtar) m=$(cd "$source" && timed bsdtar -a -cf "$archive" .) ;;
    7z) m=$(cd "$source" && timed 7z a -tzip -mx=5 -bd -bso0 -bsp0 "$archive" .) ;;
    esac
    record "$corpus" "$place" "$round" backup "$tool" $m "$(stat -c %s "$archive")"
    [ "$tool" = zip ] || rm -f "$archive"

    # The restores all read zip's archive, so that they unpack the same bytes.
    local restored=$work/restored-$tool
    local label=$tool
    rm -rf "$restored"
    mkdir -p "$restored"
    case $tool in
    zip) label=unzip m=$(timed unzip -q "$work/zip.zip" -d "$restored") ;;
    bsdtar) m=$(timed bsdtar -xf "$work/zip.zip" -C "$restored") ;;
    7z) m=$(timed 7z x -y -bd -bso0 -bsp0 "-o$restored" "$work/zip.zip") ;;
    esac
    record "$corpus" "$place" "$round" restore "$label" $m "$(stat -c %s "$work/zip.zip")"
    rm -rf "$restored"
}

echo "machine: $(nproc) processors, $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo);" \
    "load at start: $(cut -d' ' -f1-3 /proc/loadavg)"
for folder in "$@"; do
    source=$(realpath "$folder")
    corpus=$(basename "$source")
    [ -d "$source" ] || { echo "not a folder: $folder" >&2; exit 2; }
    IFS=, read -ra place_list <<<"$places"
    for place in "${place_list[@]}"; do
        case $place in
        disk) root=$disk_root ;;
        tmpfs)
            if ! mountpoint -q /dev/shm; then
                echo "no tmpfs at /dev/shm: tmpfs skipped" >&2
                continue
            fi
            root=/dev/shm
            ;;
        *) echo "unknown place $place" >&2; exit 2 ;;
        esac
        work=$(mktemp -d "$root/compare-all-XXXXXX")
        work_folders+=("$work")
        for round in $(seq "$rounds"); do
            echo "$corpus $place: round $round of $rounds (load $(cut -d' ' -f1 /proc/loadavg))" >&2
            has_tool vantorel && run_vantorel "$corpus" "$place" "$round" "$source" "$work"
            for tool in zip bsdtar 7z; do
                has_tool $tool && run_peer "$corpus" "$place" "$round" "$source" "$work" $tool
            done
        done
        rm -rf "$work"
    done
done
echo "load at end: $(cut -d' ' -f1-3 /proc/loadavg)"

# Medians per corpus, place, operation and tool; ratios to zip (backups) and
# unzip (restores) of the same corpus and place.
awk -F'\t' '
function median(key,    n, i, j, t, v) {
    n = split(samples[key], v, " ")
    for (i = 2; i <= n; i++) for (j = i; j > 1 && v[j - 1] + 0 > v[j] + 0; j--) { t = v[j]; v[j] = v[j - 1]; v[j - 1] = t }
    return n % 2 ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
}
NR > 1 {
    row = $1 SUBSEP $2 SUBSEP $4 SUBSEP $5
    if (!(row in seen)) { seen[row] = 1; order[++rows] = row }
    for (f = 6; f <= 9; f++) samples[row, f] = samples[row, f] " " $f
}
END {
    printf "%-7s %-6s %-16s %-9s %8s %8s %6s %9s %10s %7s\n", "corpus", "place", "operation", "tool", "wall s", "cpu s", "cores", "peak MiB", "archive MB", "ratio"
    for (r = 1; r <= rows; r++) {
        split(order[r], k, SUBSEP)
        wall[order[r]] = median(order[r] SUBSEP 6)
    }
    for (r = 1; r <= rows; r++) {
        row = order[r]
        split(row, k, SUBSEP)
        if (k[3] == "restore") reference = k[1] SUBSEP k[2] SUBSEP "restore" SUBSEP "unzip"
        else reference = k[1] SUBSEP k[2] SUBSEP "backup" SUBSEP "zip"
        w = wall[row]; c = median(row SUBSEP 7)
        ratio = "n/a"
        if ((reference in wall) && wall[reference] > 0) ratio = sprintf("%.2f", w / wall[reference])
        printf "%-7s %-6s %-16s %-9s %8.2f %8.2f %6.2f %9.1f %10.1f %7s\n", k[1], k[2], k[3], k[4], w, c, (w > 0 ? c / w : 0), median(row SUBSEP 8) / 1024, median(row SUBSEP 9) / 1e6, ratio
    }
}' "$results"
echo "raw samples: $results"
