#!/usr/bin/env bash
# Times the verification of a copy row and of an archive row (trevane --run --verify) against
# the tools a user would verify the same backup with, in alternating runs, and prints ratios.
#
#   bash bench/verify/run.sh [BUILD_DIR] [RUNS]       (defaults: build, 5)
#
# BUILD_DIR must hold trevane, xcopy, unlha and libUnlha32.so; needs perl, diff and lhasa.
# What verifying adds is the run with --verify less the same run without it (the copy row's
# xcopy /D then finds nothing to copy, the archive row's u nothing newer). Cases:
#   tree     a copy row of 20,000 files of 1-16 KB in nested folders (bench/xcopy/tree.pl),
#            against diff -r of source and copy, and against cat of both sides (every file of
#            both read once)
#   archive  an archive row (-d1) of the archiver benchmark's corpus (bench/unlha/corpus.sh),
#            against lhasa x into a fresh folder followed by diff -r with the source, and
#            against lhasa t of the archive with cat of the source (both sides decoded or read
#            once)
# Budgets: verifying no slower than diff -r (ratio at most 1.00) and at most 1.20 times the
# reading of both sides once. Works on a memory file system (BENCH_DIR, default /dev/shm);
# CORPUS=folder keeps the corpus for later runs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(realpath "${1:-$root/build}")
runs=${2:-5}
bin=$build/bin
for f in trevane xcopy unlha libUnlha32.so; do
    [ -e "$bin/$f" ] || { echo "missing $bin/$f: cmake --build $build" >&2; exit 2; }
done
for tool in perl diff lhasa; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 2; }
done

work=$(mktemp -d "${BENCH_DIR:-/dev/shm}/trevane-verify-bench.XXXXXX")
cleanup() { rm -rf "$work"; }
trap cleanup EXIT
echo "program: $bin/trevane"
echo "work folder: $work, $runs runs per command"

# --- data ---------------------------------------------------------------------------------
perl "$root/bench/xcopy/tree.pl" "$work/tree"
corpus=${CORPUS:-$work/corpus}
bash "$root/bench/unlha/corpus.sh" "$corpus"
corpus=$(realpath "$corpus")
echo "data: $(find "$work/tree" -type f | wc -l) files in $(du -sh "$work/tree" | cut -f1);" \
     "corpus $(find "$corpus" -type f | wc -l) files in $(du -sh "$corpus" | cut -f1)"

# A profile of its own: the job files, the settings and the log stay in the work folder.
home=$work/home
mkdir -p "$home/CPL" "$work/bak" "$work/arc"
printf '%s,%s,,,/Y/D/S/I/K/R,,\r\n' "$work/tree" "$work/bak/tree" >"$home/CPL/tree.cpl"
printf '%s,%s,,corpus.lzh,,-d1,\r\n' "$corpus" "$work/arc" >"$home/CPL/archive.cpl"
export TREVANE_HOME=$home
"$bin/trevane" --run tree.cpl archive.cpl >/dev/null 2>&1 || { echo "the first run failed" >&2; exit 1; }
"$bin/trevane" --run --verify tree.cpl archive.cpl >/dev/null 2>&1 ||
    { echo "the backups did not verify:" >&2; grep 検証 "$home/Trevane.log" | tail -3 >&2; exit 1; }
sync

# --- timing -------------------------------------------------------------------------------
. "$here/../timing.sh"

cat_both() { find "$@" -type f -print0 | xargs -0 cat >/dev/null; }
extract_diff() { # a fresh folder every time; removed after the timing
    local out=$work/x.$1
    mkdir "$out" && (cd "$out" && lhasa xq "$work/arc/corpus.lzh") && diff -r "$corpus" "$out"
}
test_cat() { lhasa tq "$work/arc/corpus.lzh" && cat_both "$corpus"; }

for i in $(seq 0 "$runs"); do
    for step in plain verify diff cat; do
        case $step in
        plain)  t=(tree.plain "$bin/trevane" --run tree.cpl) ;;
        verify) t=(tree.verify "$bin/trevane" --run --verify tree.cpl) ;;
        diff)   t=(tree.diff diff -r "$work/tree" "$work/bak/tree") ;;
        cat)    t=(tree.cat cat_both "$work/tree" "$work/bak/tree") ;;
        esac
        if [ "$i" -eq 0 ]; then "${t[@]:1}" >/dev/null 2>&1; else time_one "${t[@]}"; fi
    done
    for step in plain verify diff cat; do
        case $step in
        plain)  t=(archive.plain "$bin/trevane" --run archive.cpl) ;;
        verify) t=(archive.verify "$bin/trevane" --run --verify archive.cpl) ;;
        diff)   t=(archive.diff extract_diff "$i") ;;
        cat)    t=(archive.cat test_cat) ;;
        esac
        if [ "$i" -eq 0 ]; then "${t[@]:1}" >/dev/null 2>&1; else time_one "${t[@]}"; fi
    done
done
tail -n 40 "$home/Trevane.log" | grep -q '^検証しました' || { echo "no verification in the log" >&2; exit 1; }

echo
echo "case     verify-only  diff -r      both read once   verify/diff  verify/read"
for case in tree archive; do
    v=$(( $(median "$case.verify") - $(median "$case.plain") ))
    d=$(median "$case.diff")
    c=$(median "$case.cat")
    printf '%-8s %9ss  %9ss  %12ss   %10s  %11s\n' "$case" "$(seconds "$v")" "$(seconds "$d")" \
        "$(seconds "$c")" "$(awk -v a="$v" -v b="$d" 'BEGIN { printf "%.2f", a / b }')" \
        "$(awk -v a="$v" -v b="$c" 'BEGIN { printf "%.2f", a / b }')"
done
echo "(verify-only: the run with --verify less the run without; budgets verify/diff <= 1.00,"
echo " verify/read <= 1.20; the archive's diff -r includes lhasa x, its read lhasa t)"
