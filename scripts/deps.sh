#!/usr/bin/env bash
# Installs the Debian packages Trevane needs. "run" for building and starting the program,
# "test" adds the peers the test suite checks against (lhasa, jlha), the benchmark tools, the
# validators and packaging tools the install test uses, and the file systems backups go to
# (exFAT and NTFS through FUSE), which the tests make on image files.
set -euo pipefail
kind=${1:-run}
pkgs=(build-essential cmake ninja-build pkg-config qt6-base-dev libgl-dev libxcb1-dev libsimpleini-dev
      libmount-dev libblkid-dev fonts-ipafont-gothic xdg-utils qt6-translations-l10n)
if [ "$kind" = test ]; then
  pkgs+=(libgtest-dev libgmock-dev libbenchmark-dev lhasa jlha-utils rsync xvfb xauth time
          desktop-file-utils appstream x11-utils dpkg-dev lintian man-db shared-mime-info
          exfatprogs exfat-fuse ntfs-3g locales dbus-daemon libfuse3-dev fuse3)
fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -ne 0 ]; then
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# The Japanese locale, whose era data the date-time pattern tests read.
if [ "$kind" = test ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP\.utf-\?8'; then
  $sudo sed -i 's/^# *\(ja_JP\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP\.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
