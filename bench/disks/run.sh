#!/usr/bin/env bash
# Times xcopy onto the places backups go to, a stick and a share across the network, against
# cp and rsync side by side, and prints the ratios of their medians (below 1.00 xcopy was
# faster).
#
#   bash bench/disks/run.sh [path/to/xcopy] [runs]      (as root: it mounts disks)
#
# The data: 20,000 files of 1-16 KB (bench/xcopy/tree.pl) and three files of 10 MB.
#   exfat-first   onto exFAT (exfat-fuse on a loop device)  xcopy /Y/S/I/K/R    vs  cp -a
#   exfat-rerun   the same again, nothing changed           xcopy /Y/D/S/I/K/R  vs  rsync -rt --modify-window=1
#   net-first     onto a share whose every operation waits  xcopy /Y/S/I/K/R    vs  cp -a
#   net-rerun     the same again, nothing changed           xcopy /Y/D/S/I/K/R  vs  rsync -rt
#   sparse        a 3 GiB file with 2 MiB of data, on the work folder's own file system
#                                                           xcopy /Y/I/K        vs  cp
# The share is latencyfs (bench/latencyfs), a FUSE pass-through of a local folder that waits
# DELAY_US (1000) microseconds in every operation, served by several threads as a network file
# system keeps several requests on the wire. Then a crash check: xcopy killed (kill -9) in the
# middle of a first copy onto exFAT, and the next /D run must copy the cut file again.
#
# Settings from the environment:
#   PARTS=N      N x 1,000 small files instead of 20 (a loaded machine makes FUSE slow)
#   DELAY_US=N   the share's delay per operation
#   FLIGHTS="1 4 8"  also times xcopy's first copy onto the share with each number of files
#                in flight (TREVANE_FILES_IN_FLIGHT), to choose the default
#   LOCAL=1      runs the local benchmark (bench/xcopy/run.sh) in the same run afterwards
#
# The disks live in a mount namespace of this script's own, so they are gone when it ends.
# Needs root, exfatprogs, exfat-fuse, fuse3, rsync, perl, latencyfs (built with
# -DTREVANE_BENCH=ON beside xcopy), and about 8 GB of free space (the image stays sparse).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
XCOPY=$(realpath "${1:-$here/../../build/bin/xcopy}")
RUNS=${2:-3}
PARTS=${PARTS:-20}
DELAY_US=${DELAY_US:-1000}
LATENCYFS=${LATENCYFS:-$(dirname "$XCOPY")/latencyfs}
[ -x "$XCOPY" ] || { echo "no xcopy at $XCOPY" >&2; exit 2; }
[ -x "$LATENCYFS" ] || { echo "no latencyfs at $LATENCYFS (build with -DTREVANE_BENCH=ON)" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "run as root: the benchmark mounts disks" >&2; exit 2; }
if [ -z "${TREVANE_BENCH_NAMESPACE:-}" ]; then
    TREVANE_BENCH_NAMESPACE=1 unshare -m --propagation private bash "$0" "$XCOPY" "$RUNS"
    if [ "${LOCAL:-0}" = 1 ]; then
        echo
        echo "== local disk (bench/xcopy/run.sh)"
        bash "$here/../xcopy/run.sh" "$XCOPY"
    fi
    exit 0
fi

work=$(mktemp -d "${BENCH_DIR:-${TMPDIR:-/tmp}}/trevane-disks-bench.XXXXXX")
cleanup() {
    umount "$work/stick" 2>/dev/null || true
    umount "$work/share" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
echo "xcopy: $XCOPY"
echo "work folder: $work, $RUNS runs per tool"

truncate -s 8G "$work/stick.img"
mkfs.exfat "$work/stick.img" >/dev/null
mkdir "$work/stick" "$work/share" "$work/lower"
dev=$(losetup -f --show "$work/stick.img")
mount.exfat-fuse "$dev" "$work/stick" >/dev/null
losetup -d "$dev"
"$LATENCYFS" "$work/lower" "$work/share" -o "delay_us=$DELAY_US"
perl "$here/../xcopy/tree.pl" "$work/tree" "$PARTS"
mkdir "$work/tree/large"
for i in 1 2 3; do head -c 10485760 /dev/urandom >"$work/tree/large/file$i.bin"; done
echo "data: $(find "$work/tree" -type f | wc -l) files in $(du -sh "$work/tree" | cut -f1)"
echo "share: latencyfs, $DELAY_US us per operation"

. "$here/../timing.sh"
# Each timing starts with what the earlier ones wrote flushed to the disks.
synced_time_one() { sync; time_one "$@"; }
report() { # report CASE A B
    local ma mb
    ma=$(median "$1.$2"); mb=$(median "$1.$3")
    printf '%-12s %-8s %8.3fs   %-8s %8.3fs   %s/%s = %s\n' "$1" "$2" "$(seconds "$ma")" \
        "$3" "$(seconds "$mb")" "$2" "$3" \
        "$(awk -v a="$ma" -v b="$mb" 'BEGIN { printf "%.2f", a / b }')"
}

# first and rerun onto one place: every first run into a fresh folder, kept until the end;
# then each tool brings its own copy up to date again: nothing changed, nothing is written.
first_and_rerun() { # first_and_rerun NAME FOLDER RSYNC-OPTIONS...
    local name=$1 at=$2 i
    shift 2
    for i in $(seq 1 "$RUNS"); do
        synced_time_one "$name-first.xcopy" "$XCOPY" "$work/tree" "$at/x$i" /Y/S/I/K/R
        synced_time_one "$name-first.cp-a" cp -a "$work/tree" "$at/c$i"
    done
    diff -r "$work/tree" "$at/x1" >/dev/null || { echo "$name: the copy differs" >&2; exit 1; }
    rsync "$@" "$work/tree/" "$at/c1/"
    for i in $(seq 1 "$RUNS"); do
        synced_time_one "$name-rerun.xcopy" "$XCOPY" "$work/tree" "$at/x1" /Y/D/S/I/K/R
        synced_time_one "$name-rerun.rsync" rsync "$@" "$work/tree/" "$at/c1/"
    done
    echo "$name: xcopy's second run: $("$XCOPY" "$work/tree" "$at/x1" /Y/D/S/I/K/R | tail -1)"
}
first_and_rerun exfat "$work/stick" -rt --modify-window=1
first_and_rerun net "$work/share" -rt

for n in ${FLIGHTS:-}; do
    for i in $(seq 1 "$RUNS"); do
        synced_time_one "flight.$n" env TREVANE_FILES_IN_FLIGHT="$n" "$XCOPY" "$work/tree" \
            "$work/share/f$n-$i" /Y/S/I/K/R
    done
done

# sparse: a disk image of 3 GiB holding 2 MiB of data.
mkdir "$work/sparse"
head -c 1048576 /dev/urandom | dd of="$work/sparse/disk.img" bs=1M seek=0 conv=notrunc status=none
head -c 1048576 /dev/urandom | dd of="$work/sparse/disk.img" bs=1M seek=2000 conv=notrunc status=none
truncate -s 3G "$work/sparse/disk.img"
for i in $(seq 1 "$RUNS"); do
    mkdir "$work/sx$i" "$work/sc$i"
    synced_time_one sparse.xcopy "$XCOPY" "$work/sparse/disk.img" "$work/sx$i" /Y/I/K
    synced_time_one sparse.cp cp "$work/sparse/disk.img" "$work/sc$i/"
done
cmp "$work/sparse/disk.img" "$work/sx1/disk.img" || { echo "sparse: the copy differs" >&2; exit 1; }
echo "sparse copy uses $(du -h "$work/sx1/disk.img" | cut -f1) (cp: $(du -h "$work/sc1/disk.img" | cut -f1))"

# crash: kill -9 once the first 10 MB file has begun to arrive under its own name.
"$XCOPY" "$work/tree/large" "$work/stick/crash" /Y/I/K >/dev/null &
pid=$!
cut=""
while kill -0 "$pid" 2>/dev/null; do
    size=$(stat -c %s "$work/stick/crash/file1.bin" 2>/dev/null || echo 0)
    if [ "$size" -gt 0 ] && [ "$size" -lt 10485760 ]; then
        kill -9 "$pid"
        cut=$size
        break
    fi
done
wait "$pid" 2>/dev/null || true
if [ -n "$cut" ]; then
    again=$("$XCOPY" "$work/tree/large" "$work/stick/crash" /Y/D/I/K | head -1)
    cmp -s "$work/tree/large/file1.bin" "$work/stick/crash/file1.bin" &&
        echo "crash: killed at $cut bytes of file1.bin; the next /D run copied it again ($again)" ||
        { echo "crash: the next /D run left file1.bin cut short" >&2; exit 1; }
else
    echo "crash: the copy ended before it could be killed; nothing shown"
fi

echo
echo "case         tool     median     tool     median     ratio of medians"
report exfat-first xcopy cp-a
report exfat-rerun xcopy rsync
report net-first xcopy cp-a
report net-rerun xcopy rsync
report sparse xcopy cp
for n in ${FLIGHTS:-}; do
    printf 'net-first with %2s files in flight: %8.3fs\n' "$n" "$(seconds "$(median "flight.$n")")"
done
echo "(below 1.00 xcopy was faster)"
