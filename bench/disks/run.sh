#!/usr/bin/env bash
# Times xcopy onto a backup stick against cp and rsync, side by side, and prints the ratios of
# their medians (below 1.00 xcopy was faster).
#
#   bash bench/disks/run.sh [path/to/xcopy] [runs]      (as root: it mounts a disk image)
#
# Three cases:
#   first   20,000 files of 1-16 KB onto exFAT (exfat-fuse)   xcopy /Y/S/I/K/R    vs  cp -a
#   rerun   the same again, nothing changed                    xcopy /Y/D/S/I/K/R  vs  rsync -a --modify-window=1
#   sparse  a 3 GiB file with 2 MiB of data, on the work folder's own file system
#                                                              xcopy /Y/I/K        vs  cp
#
# The exFAT disk is an image in the work folder mounted in a mount namespace of this script's
# own, so it is gone when the script ends. exFAT holds no sparse files: the sparse case copies
# within the work folder's file system, where both tools can keep the holes. Needs root,
# exfatprogs, exfat-fuse, rsync, perl, and about 8 GB of free space (the image stays sparse).
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
XCOPY=$(realpath "${1:-$here/../../build/bin/xcopy}")
RUNS=${2:-3}
[ -x "$XCOPY" ] || { echo "no xcopy at $XCOPY" >&2; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "run as root: the benchmark mounts an exFAT image" >&2; exit 2; }
if [ -z "${TREVANE_BENCH_NAMESPACE:-}" ]; then
    TREVANE_BENCH_NAMESPACE=1 exec unshare -m --propagation private bash "$0" "$XCOPY" "$RUNS"
fi

work=$(mktemp -d "${BENCH_DIR:-${TMPDIR:-/tmp}}/trevane-disks-bench.XXXXXX")
cleanup() { umount "$work/stick" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT
echo "xcopy: $XCOPY"
echo "work folder: $work, $RUNS runs per tool"

truncate -s 8G "$work/stick.img"
mkfs.exfat "$work/stick.img" >/dev/null
mkdir "$work/stick"
dev=$(losetup -f --show "$work/stick.img")
mount.exfat-fuse "$dev" "$work/stick" >/dev/null
losetup -d "$dev"
perl "$here/../xcopy/tree.pl" "$work/tree"
echo "data: $(find "$work/tree" -type f | wc -l) files in $(du -sh "$work/tree" | cut -f1)"

. "$here/../timing.sh"
# Each timing starts with what the earlier ones wrote flushed to the disks.
synced_time_one() { sync; time_one "$@"; }
report() { # report CASE A B
    local ma mb
    ma=$(median "$1.$2"); mb=$(median "$1.$3")
    printf '%-7s %-8s %8.3fs   %-8s %8.3fs   %s/%s = %s\n' "$1" "$2" "$(awk -v u="$ma" 'BEGIN { print u / 1e6 }')" \
        "$3" "$(awk -v u="$mb" 'BEGIN { print u / 1e6 }')" "$2" "$3" \
        "$(awk -v a="$ma" -v b="$mb" 'BEGIN { printf "%.2f", a / b }')"
}

# first: every run into a fresh folder on the stick, kept until the end.
for i in $(seq 1 "$RUNS"); do
    synced_time_one first.xcopy "$XCOPY" "$work/tree" "$work/stick/x$i" /Y/S/I/K/R
    synced_time_one first.cp-a cp -a "$work/tree" "$work/stick/c$i"
done
diff -r "$work/tree" "$work/stick/x1" >/dev/null || { echo "first: the copy differs" >&2; exit 1; }

# rerun: each tool brings its own copy up to date again; nothing changed, nothing is written.
rsync -a --modify-window=1 "$work/tree/" "$work/stick/c1/"
for i in $(seq 1 "$RUNS"); do
    synced_time_one rerun.xcopy "$XCOPY" "$work/tree" "$work/stick/x1" /Y/D/S/I/K/R
    synced_time_one rerun.rsync rsync -a --modify-window=1 "$work/tree/" "$work/stick/c1/"
done
echo "xcopy's second run: $("$XCOPY" "$work/tree" "$work/stick/x1" /Y/D/S/I/K/R | tail -1)"

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

echo
echo "case    tool     median     tool     median     ratio of medians"
report first xcopy cp-a
report rerun xcopy rsync
report sparse xcopy cp
echo "(below 1.00 xcopy was faster)"
