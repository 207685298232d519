#!/usr/bin/env bash
# Times whole jobs run through the program against the same tool commands run alone, in
# alternating pairs, and prints the ratios of their medians.
#
#   bash bench/job/run.sh [BUILD_DIR] [RUNS]       (defaults: build, 5)
#
# BUILD_DIR must hold trevane, trevane-window.so, xcopy, unlha, libUnlha32.so, bench_bare_core
# and bench_bare_window (configure with -DTREVANE_BENCH=ON). Needs perl and Xvfb. Cases:
#   start    a job of one empty row: the program's own start-up and exit, against a bare
#            Qt program: without a window one that enters its event loop and quits
#            (bench_bare_core); with the window one that shows a window of the program's
#            content (menus, tool bars of standard icons, the table's captions, the option
#            texts, lists, text panels, status bar) and quits once it has been painted
#            (bench_bare_window)
#   copy     one copy row, 20,000 files of 1-16 KB with /S, bAddLog on, iMaxLog 500 (the
#            listing fills all 151 chunks of the capture), against xcopy alone into a pipe
#   archive  one archive row of the archiver benchmark's corpus (-d1), against unlha alone
# start and copy run twice: without a window (the command-line run, trevane --run) and with the
# window shown on Xvfb (started with the job, ending when it ends), where the program also
# reports the longest gap between two turns of its event loop (TREVANE_LOOP_GAP). "beyond
# start-up" is (program - start) / tool, where start is the start case of the same display or
# its bare Qt program, whichever is faster: a start-up slower than a bare Qt program's is
# counted as the job's, not subtracted. The budgets are 1.10 for copies and 1.03 for the
# archive, and a gap of at most 100 ms. Copies go to a memory file system (BENCH_DIR, default /dev/shm); CORPUS=folder
# keeps the corpus for later runs.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(realpath "${1:-$root/build}")
runs=${2:-5}
bin=$build/bin
for f in trevane trevane-window.so xcopy unlha libUnlha32.so bench_bare_core bench_bare_window; do
    [ -e "$bin/$f" ] || {
        echo "missing $bin/$f: cmake --build $build --target trevane xcopy unlha Unlha32 bench_bare_core bench_bare_window" >&2
        exit 2
    }
done
command -v Xvfb >/dev/null || { echo "missing: Xvfb" >&2; exit 2; }

work=$(mktemp -d "${BENCH_DIR:-/dev/shm}/trevane-job-bench.XXXXXX")
xvfb=
cleanup() {
    [ -z "$xvfb" ] || kill "$xvfb" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
echo "program: $bin/trevane"
echo "work folder: $work, $runs pairs per case"

# --- data ---------------------------------------------------------------------------------
perl "$root/bench/xcopy/tree.pl" "$work/tree"
corpus=${CORPUS:-$work/corpus}
bash "$root/bench/unlha/corpus.sh" "$corpus"
corpus=$(realpath "$corpus")
# The listing that the copy row's log shows (check_copy).
mkdir "$work/dst" && "$bin/xcopy" "$work/tree" "$work/dst" /S >"$work/listing"
echo "data: $(find "$work/tree" -type f | wc -l) files in $(du -sh "$work/tree" | cut -f1);" \
     "corpus $(find "$corpus" -type f | wc -l) files in $(du -sh "$corpus" | cut -f1)"

# --- displays -----------------------------------------------------------------------------
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
headless=(env -u DISPLAY -u WAYLAND_DISPLAY)
window=(env QT_QPA_PLATFORM=xcb DISPLAY=":$(head -1 "$work/display")" TREVANE_LOOP_GAP=1)

# --- the program's side -------------------------------------------------------------------
home=$work/home
# make_home JOB_LINE: a fresh profile whose job file has that one row; the window starts it at
# start-up and closes when it ends.
make_home() {
    rm -rf "$home"
    mkdir -p "$home/CPL"
    chmod 700 "$home" # it is also the runtime folder
    printf '%s\r\n' "$1" >"$home/CPL/job.cpl"
    printf '[CONFIG]\r\niMaxLog=500\r\nbAddLog=1\r\nbAutoStart=1\r\nbExitOnJobEnd=1\r\nbShowAtStart=1\r\n' \
        >"$home/Trevane.ini"
    printf 'job.cpl\r\n' >"$home/BGCopyList.txt"
}
# run_job window|headless: runs the profile's job through the program until it exits, in the
# window or from the command line without a display. Its own runtime folder keeps the
# single-instance lock apart from any other Trevane of this user.
run_job() {
    local -n env="$1"
    local args=(--run "$home/CPL/job.cpl")
    [ "$1" = headless ] || args=()
    "${env[@]}" TREVANE_HOME="$home" XDG_RUNTIME_DIR="$home" "$bin/trevane" "${args[@]}"
}

# --- timing -------------------------------------------------------------------------------
. "$here/../timing.sh"

# --- checks -------------------------------------------------------------------------------
# The log file ends with the last lines of the listing, whole and in order, as the 151 chunks
# of 4000 bytes split them, then the end line and the empty line after it: 500 lines in all.
check_copy() {
    [ "$(find "$work/dst" -type f | wc -l)" = 20000 ] || { echo "copy: files missing" >&2; exit 1; }
    perl -e '
        local $/; open(my $l, "<", $ARGV[0]) or die; my @log = split /\r\n/, <$l>, -1; pop @log;
        open(my $o, "<", $ARGV[1]) or die; my $out = <$o>; my @want;
        for (my $k = 0; $k < 151 && $k * 4000 < length $out; ++$k) {
            push @want, split /\r\n|\r|\n/, substr($out, $k * 4000, 4000), -1;
        }
        @log == 500 or die "log: " . @log . " lines, not 500\n";
        $log[498] =~ /^Job End @ / && $log[499] eq "" or die "log: no end line\n";
        join("\n", @log[0 .. 497]) eq join("\n", @want[-498 .. -1]) or die "log: lines differ\n";
    ' "$home/Trevane.log" "$work/listing"
}
gap_max=0
note_gap() {
    local gap
    gap=$(sed -n 's/^trevane: longest event-loop gap \([0-9.]*\) ms$/\1/p' "$work/stderr")
    [ -n "$gap" ] || { echo "no event-loop gap reported" >&2; exit 1; }
    gap_max=$(awk -v a="$gap_max" -v b="$gap" 'BEGIN { print (b > a ? b : a) }')
}

# --- cases --------------------------------------------------------------------------------
# Each pair runs the program first, then its counterpart; round 0 warms up and is not timed.
pairs() { # pairs CASE PROGRAM_STEP TOOL_STEP
    local i
    for i in $(seq 0 "$runs"); do
        "$2" "$1" "$i"
        "$3" "$1" "$i"
    done
}
timed() { # timed NAME ROUND COMMAND...
    local name=$1 round=$2
    shift 2
    if [ "$round" -eq 0 ]; then "$@" >/dev/null 2>"$work/stderr"; else time_one "$name" "$@"; fi
}
display_of() { if [ "${1%-window}" != "$1" ]; then echo window; else echo headless; fi; }

start_program() {
    make_home ',,,,,,'
    timed "$1.program" "$2" run_job "$(display_of "$1")"
}
start_bare() {
    local mode bare=bench_bare_core
    mode=$(display_of "$1")
    [ "$mode" = headless ] || bare=bench_bare_window
    local -n env="$mode"
    timed "$1.tool" "$2" "${env[@]}" "$bin/$bare"
}
copy_program() {
    make_home "$work/tree,$work/dst,,,/S,,"
    rm -rf "$work/dst" && mkdir "$work/dst"
    timed "$1.program" "$2" run_job "$(display_of "$1")"
    check_copy
    [ "${1%-window}" = "$1" ] || note_gap
}
xcopy_alone() { "$bin/xcopy" "$work/tree" "$work/dst" /S | cat >/dev/null; }
copy_tool() {
    rm -rf "$work/dst" && mkdir "$work/dst"
    timed "$1.tool" "$2" xcopy_alone
}
archive_program() {
    make_home "$corpus,$work/arch,,a.lzh,,-d1,"
    rm -rf "$work/arch" && mkdir "$work/arch"
    timed "$1.program" "$2" run_job headless
    [ -s "$work/arch/a.lzh" ] || { echo "archive: not written" >&2; exit 1; }
}
archive_tool() {
    rm -rf "$work/arch" && mkdir "$work/arch"
    timed "$1.tool" "$2" "$bin/unlha" u "$work/arch/a.lzh" "$corpus/" -d1
}

pairs start start_program start_bare
pairs start-window start_program start_bare
pairs copy copy_program copy_tool
pairs copy-window copy_program copy_tool
pairs archive archive_program archive_tool
"$bin/unlha" t "$work/arch/a.lzh" >/dev/null || { echo "archive: unlha t failed" >&2; exit 1; }

# --- report -------------------------------------------------------------------------------
report() { # report CASE TOOL_NAME [START_CASE BUDGET]
    local mp mt beyond=""
    mp=$(median "$1.program")
    mt=$(median "$1.tool")
    if [ -n "${3:-}" ]; then
        beyond=$(awk -v p="$mp" -v s="$(median "$3.program")" -v bare="$(median "$3.tool")" \
            -v t="$mt" -v b="$4" 'BEGIN {
                if (bare < s) s = bare
                r = (p - s) / t
                printf "beyond start-up %.3f (budget <= %.2f%s)", r, b, r <= b ? "" : ", OVER"
            }')
    fi
    printf '%-13s program %7ss (%s)  %-5s %7ss (%s)  ratio %s (pairs %s)  %s\n' \
        "$1" "$(seconds "$mp")" "$(spread "$1.program")" "$2" "$(seconds "$mt")" \
        "$(spread "$1.tool")" "$(awk -v a="$mp" -v b="$mt" 'BEGIN { printf "%.2f", a / b }')" \
        "$(pair_ratio "$1.program" "$1.tool")" "$beyond"
}
echo
echo "case          program median (min-max)       counterpart median (min-max)  program/counterpart"
report start bare
report start-window bare
report copy xcopy start 1.10
report copy-window xcopy start-window 1.10
report archive unlha start 1.03
echo "longest event-loop gap with the window shown: $gap_max ms (budget <= 100)"
