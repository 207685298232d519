#!/usr/bin/env bash
# Removes what `cmake --install BUILD --prefix PREFIX` installed, by the list of files that the
# install wrote (BUILD/install_manifest.txt, or a copy of it), and only what lies under PREFIX.
# The list is rewritten by every later install of the same build folder, cpack and the install
# test included, with their own paths: lines outside PREFIX are told and left alone, so the
# files of the Debian package under /usr are never touched by an uninstall of /usr/local.
# usage: uninstall.sh PREFIX MANIFEST
set -euo pipefail
if [ $# -ne 2 ]; then
  echo "usage: $0 PREFIX MANIFEST   (e.g. $0 /usr/local build-rel/install_manifest.txt)" >&2
  exit 2
fi
prefix=$(realpath -m "$1")
manifest=$2
case $prefix in
  /) echo "uninstall: the prefix must not be /" >&2; exit 2 ;;
esac
removed=0 outside=0
folders=()
while IFS= read -r path || [ -n "$path" ]; do
  [ -n "$path" ] || continue
  # The folder is resolved, not the name: an installed link is removed, not what it leads to.
  case $(realpath -m "$(dirname "$path")")/$(basename "$path") in
    "$prefix"/*)
      if [ -e "$path" ] || [ -L "$path" ]; then
        rm -f -- "$path" && removed=$((removed + 1))
        folders+=("$(dirname "$path")")
      fi ;;
    *) outside=$((outside + 1)) ;;
  esac
done <"$manifest"
# The program's own folders (share/trevane/manual, lib/<triplet>/trevane, ...), once empty.
for folder in "${folders[@]}"; do
  while [[ $folder == "$prefix"/* && $folder == */trevane* ]]; do
    rmdir -- "$folder" 2>/dev/null || break
    folder=$(dirname "$folder")
  done
done
echo "uninstall: removed $removed files under $prefix"
if [ "$outside" -ne 0 ]; then
  echo "uninstall: left $outside lines of $manifest alone: they lie outside $prefix" \
       "(a later install, cpack or the install test rewrote the list)" >&2
  exit 1
fi
