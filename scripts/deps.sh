#!/usr/bin/env bash
# Installs the Debian packages Trevane needs. "run" for building and starting the program,
# "test" adds the peers the test suite checks against (lhasa, jlha), the benchmark tools, the
# validators and packaging tools the install test uses, and the file systems backups go to
# (exFAT and NTFS through FUSE), which the tests make on image files.
set -euo pipefail
kind=${1:-run}
pkgs=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libxcb1-dev libsimpleini-dev
      fonts-ipafont-gothic xdg-utils qt6-translations-l10n)
if [ "$kind" = test ]; then
  pkgs+=(libgtest-dev libgmock-dev libbenchmark-dev lhasa jlha-utils rsync xvfb xauth time
          desktop-file-utils appstream x11-utils dpkg-dev lintian man-db shared-mime-info
          exfatprogs exfat-fuse ntfs-3g)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
