#!/usr/bin/env bash
# Installs what is missing, builds and starts Trevane.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh run
# The program alone; the tests need packages the test command installs.
bash scripts/build.sh -DTREVANE_TESTS=OFF
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Trevane needs a graphical display, and this session has none (DISPLAY is not set)." >&2
  echo "Start it on a virtual display instead:  xvfb-run -a build/bin/trevane" >&2
  echo "(apt-get install xvfb xauth brings xvfb-run.)" >&2
  exit 2
fi
exec build/bin/trevane
