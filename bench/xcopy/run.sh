#!/usr/bin/env bash
# Times xcopy against cp (and rsync) side by side and prints the ratios of their medians.
#
#   bash bench/xcopy/run.sh [path/to/xcopy] [runs]
#
# Three cases:
#   big     one 1 GiB file                              xcopy /Y/I/K      vs  cp
#   tree    20,000 files of 1-16 KB in nested folders    xcopy /Y/S/I/K/R  vs  cp -a
#   rerun   the tree again with nothing changed          xcopy /Y/D/S/I/K/R vs cp -au, rsync -a
#
# The tools take turns (A B A B ...) so drift of a shared machine hits both alike; a ratio
# below 1.00 means xcopy was faster. Every copying run writes into a fresh destination folder:
# deleting and re-creating some 20,000 files within a minute makes the file system crawl, so
# nothing is deleted until all timings are done. Needs bash, perl, cp, rsync, about 12 GB free.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
XCOPY=${1:-$here/../../build/bin/xcopy}
RUNS=${2:-5}
XCOPY=$(realpath "$XCOPY")
[ -x "$XCOPY" ] || { echo "no xcopy at $XCOPY" >&2; exit 2; }

work=$(mktemp -d "${BENCH_DIR:-${TMPDIR:-/tmp}}/trevane-xcopy-bench.XXXXXX")
cleanup() { rm -rf "$work" & }
trap cleanup EXIT
echo "xcopy: $XCOPY"
echo "work folder: $work, $RUNS runs per tool"

# --- data -------------------------------------------------------------------------------
mkdir -p "$work/big"
head -c 1073741824 /dev/urandom > "$work/big/file.bin"

perl "$here/tree.pl" "$work/tree"
echo "data: $(du -sh "$work/big" | cut -f1) in one file, $(find "$work/tree" -type f | wc -l) files in $(du -sh "$work/tree" | cut -f1)"
sync

# --- timing -----------------------------------------------------------------------------
. "$here/../timing.sh"

report() { # report CASE A B: medians, spreads, the ratio of medians and the median pair ratio
    local case=$1 a=$2 b=$3
    local ma mb
    ma=$(median "$case.$a"); mb=$(median "$case.$b")
    printf '%-6s %-6s %7ss (%s)  %-6s %7ss (%s)  %s/%s = %s (pairs %s)\n' \
        "$case" "$a" "$(seconds "$ma")" "$(spread "$case.$a")" \
        "$b" "$(seconds "$mb")" "$(spread "$case.$b")" \
        "$a" "$b" "$(awk -v a="$ma" -v b="$mb" 'BEGIN { printf "%.2f", a / b }')" \
        "$(pair_ratio "$case.$a" "$case.$b")"
}

# big: the copies are deleted between runs (one file is no burden), with sync so that the
# write-back of one run does not land in the next one's time.
for i in $(seq 0 "$RUNS"); do
    for tool in xcopy cp; do
        dst="$work/big-$tool-$i"
        mkdir "$dst"
        sync
        if [ "$tool" = xcopy ]; then
            cmd=("$XCOPY" "$work/big/file.bin" "$dst" /Y/I/K)
        else
            cmd=(cp "$work/big/file.bin" "$dst/")
        fi
        if [ "$i" -eq 0 ]; then "${cmd[@]}" >/dev/null; else time_one "big.$tool" "${cmd[@]}"; fi
        cmp -s "$work/big/file.bin" "$dst/file.bin" || { echo "big: $tool copy differs" >&2; exit 1; }
        rm -f "$dst/file.bin"
    done
done
sync

# tree: a new destination every run, kept until the end.
for i in $(seq 0 "$RUNS"); do
    for tool in xcopy cp-a; do
        dst="$work/tree-$tool-$i"
        sync
        if [ "$tool" = xcopy ]; then
            cmd=("$XCOPY" "$work/tree" "$dst" /Y/S/I/K/R)
        else
            cmd=(cp -a "$work/tree" "$dst")
        fi
        if [ "$i" -eq 0 ]; then "${cmd[@]}" >/dev/null; else time_one "tree.$tool" "${cmd[@]}"; fi
    done
done
diff -r "$work/tree" "$work/tree-xcopy-1" >/dev/null || { echo "tree: xcopy copy differs" >&2; exit 1; }
sync

# rerun: each tool brings its own up-to-date copy up to date again; nothing is written.
for i in $(seq 0 "$RUNS"); do
    for tool in xcopy cp-au rsync; do
        case $tool in
        xcopy) cmd=("$XCOPY" "$work/tree" "$work/tree-xcopy-0" /Y/D/S/I/K/R) ;;
        cp-au) cmd=(cp -au "$work/tree/." "$work/tree-cp-a-0/") ;;
        rsync) cmd=(rsync -a "$work/tree/" "$work/tree-cp-a-1/") ;;
        esac
        if [ "$i" -eq 0 ]; then "${cmd[@]}" >/dev/null; else time_one "rerun.$tool" "${cmd[@]}"; fi
    done
done
"$XCOPY" "$work/tree" "$work/tree-xcopy-0" /Y/D/S/I/K/R | tail -1

echo
echo "case   tool   median (min-max)             ratio of medians (median of run-by-run ratios)"
report big xcopy cp
report tree xcopy cp-a
report rerun xcopy cp-au
report rerun xcopy rsync
echo "(below 1.00 xcopy was faster)"
