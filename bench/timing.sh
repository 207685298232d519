# Timing helpers shared by the benchmark scripts; source it after setting $work, the folder
# that keeps each case's times as $work/times.NAME (microseconds, one run a line).

now() { date +%s%N; }
# time_one NAME COMMAND...: runs the command once (its standard error to $work/stderr, shown
# if it fails) and appends its microseconds to $work/times.NAME.
time_one() {
    local name=$1 t0 t1
    shift
    t0=$(now)
    "$@" >/dev/null 2>"$work/stderr" || { echo "failed: $*" >&2; cat "$work/stderr" >&2; exit 1; }
    t1=$(now)
    echo "$(((t1 - t0) / 1000))" >>"$work/times.$name"
}
median() { sort -n "$work/times.$1" | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
spread() { sort -n "$work/times.$1" | awk '{ v[NR] = $1 } END { printf "%.3f-%.3f", v[1] / 1e6, v[NR] / 1e6 }'; }
seconds() { awk -v us="$1" 'BEGIN { printf "%.3f", us / 1e6 }'; }
# The median of the run-by-run ratios of two cases: robust when the machine's speed drifts
# during the run.
pair_ratio() {
    paste "$work/times.$1" "$work/times.$2" | awk '{ print $1 / $2 }' | sort -g |
        awk '{ v[NR] = $1 } END { printf "%.2f", v[int((NR + 1) / 2)] }'
}
