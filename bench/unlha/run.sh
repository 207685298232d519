#!/usr/bin/env bash
# Compares the archiver library with the peers Debian ships on a mixed corpus of this
# machine's own files (C++ headers, Perl modules, ELF binaries, 50-100 MB):
#   unlha u -o5 / -o7    against  jlha ao5 / ao7   (size and time)
#   unlha t              against  lhasa t          (time, same archive)
# and measures peak memory. Every archive is verified with lhasa t and extracted with lhasa x
# and compared with the corpus.
# Usage: bench/unlha/run.sh [BUILD_DIR]   (default: build); needs lhasa, jlha-utils, time.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$here/build}" && pwd)
unlha=$build/bin/unlha
[ -x "$unlha" ] || { echo "build the unlha target first ($unlha)" >&2; exit 1; }
for tool in lhasa jlha /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done
runs=${RUNS:-3}
work=$(mktemp -d "${TMPDIR:-/tmp}/unlha-bench-XXXXXX")
trap 'rm -rf "$work"' EXIT
# CORPUS=folder keeps the gathered files there for later runs.
corpus=${CORPUS:-$work/corpus}
bash "$(dirname "$0")/corpus.sh" "$corpus"
corpus_bytes=$(du -sb "$corpus" | cut -f1)
corpus_files=$(find "$corpus" -type f | wc -l)
echo "corpus: $corpus_files files, $corpus_bytes bytes"

# Wall seconds of one run of a command in the corpus folder.
wall() {
  /usr/bin/time -o "$work/time.out" -f %e bash -c "cd '$corpus' && $1" >/dev/null 2>&1 || true
  tail -1 "$work/time.out"
}
median() { sort -n | sed -n "$(( (runs + 1) / 2 ))p"; }
# Runs A and B in turn $runs times (A B A B ...: the machine's drift hits both alike) and
# prints the median wall time of A, of B, and the median of the ratios B/A.
paired() {
  local a b i
  : >"$work/a" ; : >"$work/b" ; : >"$work/r"
  for i in $(seq "$runs"); do
    eval "${3:-true}"; a=$(wall "$1")
    eval "${4:-true}"; b=$(wall "$2")
    echo "$a" >>"$work/a"; echo "$b" >>"$work/b"
    awk -v a="$a" -v b="$b" 'BEGIN { if (a > 0) printf "%.3f\n", b / a; else print 0 }' >>"$work/r"
  done
  echo "$(median <"$work/a") $(median <"$work/b") $(median <"$work/r")"
}
peak_kb() {
  /usr/bin/time -o "$work/time.out" -v bash -c "cd '$corpus' && $1" >/dev/null 2>&1 || true
  awk -F: '/Maximum resident/ {gsub(/ /, "", $2); print $2}' "$work/time.out"
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.4f", a / b; else print "n/a" }'; }

for m in 5 7; do
  ours=$work/ours$m.lzh
  theirs=$work/jlha$m.lzh
  read -r t_ours t_theirs speed < <(paired "'$unlha' u '$ours' ./ -d1 -o$m" \
    "jlha ao$m '$theirs' headers perl elf" "rm -f '$ours'" "rm -f '$theirs'")
  rm -f "$ours"; mem=$(peak_kb "'$unlha' u '$ours' ./ -d1 -o$m")
  s_ours=$(stat -c %s "$ours"); s_theirs=$(stat -c %s "$theirs")
  lhasa t "$ours" >/dev/null 2>&1 && v=ok || v=FAILED
  # What lhasa extracts must be the corpus byte for byte.
  rm -rf "$work/x"; mkdir "$work/x"
  (cd "$work/x" && lhasa xq "$ours" >/dev/null 2>&1) && diff -rq "$corpus" "$work/x" >/dev/null &&
    x=ok || x=FAILED
  rm -rf "$work/x"
  echo "lh$m: unlha $s_ours bytes in ${t_ours}s (peak ${mem} KB, lhasa t: $v, lhasa x: $x);" \
       "jlha $s_theirs bytes in ${t_theirs}s"
  echo "lh$m: size unlha/jlha $(ratio "$s_ours" "$s_theirs") (budget <= 0.975);" \
       "speed jlha/unlha $speed (median of $runs pairs; budget >= 2.00)"
done
read -r t_ours t_lhasa speed < <(paired "'$unlha' t '$work/ours5.lzh'" "lhasa t '$work/ours5.lzh'")
mem=$(peak_kb "'$unlha' t '$work/ours5.lzh'")
echo "t: unlha ${t_ours}s (peak ${mem} KB), lhasa ${t_lhasa}s;" \
     "lhasa/unlha $speed (median of $runs pairs; budget >= 1.00)"
