#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
# As root it runs the suite twice: as root, and then as an ordinary user that it makes
# (TREVANE_TEST_USER, default trevane-test), because file modes and ownership behave otherwise
# for each; the tests that need root skip in the second pass. TREVANE_TEST_AS=root or user
# runs one pass only. Exits non-zero when a pass fails; both passes run either way.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh test
dir=${BUILD_DIR:-build}
BUILD_DIR=$dir bash scripts/build.sh -DTREVANE_TESTS=ON "$@"
export QT_QPA_PLATFORM=offscreen
ctest_args=(--test-dir "$dir" --output-on-failure -j "$(nproc)" --timeout 600)

if [ "$(id -u)" -ne 0 ]; then
  exec ctest "${ctest_args[@]}"
fi

passes=${TREVANE_TEST_AS:-root user}
status=0
if [[ " $passes " == *" root "* ]]; then
  echo "== the test suite as root"
  ctest "${ctest_args[@]}" || status=1
fi
if [[ " $passes " == *" user "* ]]; then
  user=${TREVANE_TEST_USER:-trevane-test}
  id -u "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/sh "$user"
  # The user reads the sources and the build and writes ctest's records and the manifest
  # that the install test's `cmake --install` and cpack write into the build folder. Folders
  # above them that the user cannot pass get search permission (not reading) for others.
  for top in "$PWD" "$(cd "$dir" && pwd)"; do
    folder=$top
    while [ "$folder" != / ]; do
      runuser -u "$user" -- test -x "$folder" || chmod o+x "$folder"
      folder=$(dirname "$folder")
    done
  done
  runuser -u "$user" -- test -r CMakeLists.txt || chmod -R o+rX .
  chmod -R o+rX "$dir"
  mkdir -p "$dir/Testing"
  chown "$user" "$dir"
  chown -R "$user" "$dir/Testing"
  for manifest in "$dir"/install_manifest*.txt; do
    [ ! -e "$manifest" ] || chown "$user" "$manifest"
  done
  echo "== the test suite as the user $user"
  # A clean environment: none of root's session (XDG_RUNTIME_DIR, the session bus) carries over.
  runuser -u "$user" -- env -i PATH="$PATH" HOME="$(getent passwd "$user" | cut -d: -f6)" \
    USER="$user" LOGNAME="$user" QT_QPA_PLATFORM=offscreen ${LANG:+LANG="$LANG"} \
    ${LC_ALL:+LC_ALL="$LC_ALL"} ctest "${ctest_args[@]}" || status=1
fi
exit $status
