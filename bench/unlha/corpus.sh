#!/usr/bin/env bash
# Fills FOLDER with the archiver benchmark's corpus, a mix of this machine's own files kept
# with their folders (C++ headers, Perl modules, ELF binaries, 50-100 MB), unless FOLDER
# already holds files.   Usage: bench/unlha/corpus.sh FOLDER
set -euo pipefail
corpus=${1:?usage: corpus.sh FOLDER}
mkdir -p "$corpus"
[ -n "$(ls -A "$corpus")" ] && exit 0

# Gathers up to $2 bytes of files from find's output into corpus/$1, keeping their folders.
gather() {
  local name=$1 limit=$2; shift 2
  local total=0 f size
  while IFS= read -r f; do
    size=$(stat -c %s "$f")
    [ $((total + size)) -gt "$limit" ] && continue
    mkdir -p "$corpus/$name/$(dirname "${f#/}")"
    cp "$f" "$corpus/$name/${f#/}"
    total=$((total + size))
  done < <("$@" 2>/dev/null | sort)
}
gather headers $((30 * 1024 * 1024)) find /usr/include -type f -name '*.h*' -size -2M
gather perl $((15 * 1024 * 1024)) find /usr/share/perl /usr/share/perl5 -type f -name '*.p[ml]'
gather elf $((30 * 1024 * 1024)) find /usr/bin /usr/lib/x86_64-linux-gnu -maxdepth 1 -type f -size -8M -size +16k -perm -u+x
