#!/usr/bin/env bash
# Makes the manual's pictures of the windows, doc/manual/images/*.png, from the built program:
# starts a virtual display (Xvfb), gives the program a profile of its own with sample jobs
# (TREVANE_HOME, HOME and the runtime folder in a temporary folder, so a running Trevane of the
# user is neither seen nor touched), runs a job once from the command line so the log has
# lines, then starts the window once per picture: it opens the window through its own commands
# and saves its picture (TREVANE_SCREENSHOT, src/app/DocScreenshot.h).
# The pictures show the paths the manual's text uses: the script runs in a mount namespace of
# its own (unshare; as an ordinary user with a user namespace, where it counts as root) with
# empty folders over /home and /media, so the sample user is /home/taro with a backup stick
# at /media/taro/USB; nothing outside the namespace sees them.
# Run it again when a window changes, and commit the pictures.
#
# usage: bash scripts/screenshots.sh [BUILD_DIR]      (default: build)
# Needs: xvfb, fonts-ipafont-gothic; optipng when installed (smaller files).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
[ -x "$build/bin/trevane" ] || { echo "screenshots: build the program first ($build/bin/trevane)" >&2; exit 1; }
command -v Xvfb >/dev/null || { echo "screenshots: apt-get install xvfb" >&2; exit 1; }
if [ -z "${TREVANE_SCREENSHOT_NAMESPACE:-}" ]; then
  ns=(unshare --mount --propagation private)
  [ "$(id -u)" -eq 0 ] || ns=(unshare --mount --map-root-user --propagation private)
  exec env TREVANE_SCREENSHOT_NAMESPACE=1 "${ns[@]}" bash "$0" "$build"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/trevane-manual.XXXXXX")
display=
xvfb=
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
  # Never a removal through a bind that is still there.
  for m in checkout build; do
    if mountpoint -q "$work/$m"; then umount "$work/$m" || return 0; fi
  done
  rm -rf "$work"
}
trap cleanup EXIT
# The checkout and the build stay reachable (they may lie under /home) through binds taken
# before /home and /media are covered.
mkdir "$work/checkout" "$work/build"
mount --bind "$root" "$work/checkout"
mount --bind "$build" "$work/build"
bin=$work/build/bin/trevane
out=$work/checkout/doc/manual/images
mount -t tmpfs -o mode=755 tmpfs /home
mount -t tmpfs -o mode=755 tmpfs /media

# A display number nobody uses.
for n in $(seq 90 130); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || { display=:$n; break; }
done
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done

export HOME=/home/taro TREVANE_HOME=/home/taro/.config/Trevane XDG_CONFIG_HOME=/home/taro/.config
export XDG_RUNTIME_DIR=$work/run DISPLAY=$display QT_QPA_PLATFORM=xcb
export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
locale -a 2>/dev/null | grep -qi '^ja_JP.utf' || export LANG=C.UTF-8 LC_ALL=C.UTF-8
usb=/media/taro/USB
mkdir -p "$HOME/文書/議事録" "$HOME/写真/2026" "$usb" "$TREVANE_HOME/CPL" "$XDG_RUNTIME_DIR"
# The stick is a disk of its own, as the runner wants a destination under /media to be.
mount -t tmpfs -o mode=755 tmpfs "$usb"
chmod 700 "$XDG_RUNTIME_DIR"
for f in 報告書.odt 見積書.ods メモ.txt 議事録/12月.txt; do echo "$f" >"$HOME/文書/$f"; done
for f in 海.jpg 山.jpg; do head -c 20000 /dev/urandom >"$HOME/写真/2026/$f"; done

crlf() { printf '%s\r\n' "$@"; }
crlf "$HOME/文書,$usb/文書,,,,," "$HOME/写真,$usb,,写真%t.lzh,,-d1," \
     "$HOME/文書,$usb/テキスト,*.txt,,/Y/D/S,," >"$TREVANE_HOME/CPL/daily.cpl"
crlf "$HOME/文書,$usb/文書,,,,," ',,,,,,"notify-send ""バックアップが終わりました"""' \
     >"$TREVANE_HOME/CPL/weekly.cpl"
crlf daily.cpl weekly.cpl >"$TREVANE_HOME/BGCopyList.txt"
crlf "$HOME/文書" "$HOME/写真" "$usb" >"$TREVANE_HOME/DirList.txt"
crlf '[CONFIG]' "asCPLFile=$TREVANE_HOME/CPL/daily.cpl" 'iMainFormWidth=900' \
     'iMainFormHeight=600' 'iLogHeight=150' 'iLeftPanelWidth=120' 'asTime0=02:30' \
     'asTime1=' 'asTime2=21:00' 'bAutoTimer=1' "asDateTimeFormat=yymmdd" \
     "[$TREVANE_HOME/CPL/daily.cpl]" bOption0=0 bOption1=1 bOption2=1 bOption3=0 bOption4=1 \
     bOption5=1 bOption6=0 bOption7=0 bOption8=1 bOption9=0 bOption10=0 bOption11=0 \
     bOption12=0 bOption13=1 iCell0Width=150 iCell1Width=170 iCell2Width=90 \
     asDOptionTime=2026-01-01 >"$TREVANE_HOME/Trevane.ini"

# A real run, so the log panel shows what a run writes.
"$bin" --run daily.cpl >/dev/null 2>&1 || true

shot() { # NAME STEPS
  local name=$1 steps=$2
  rm -f "$work/shot.png"
  TREVANE_SCREENSHOT=$work/shot.png TREVANE_SCREENSHOT_STEPS=$steps timeout 60 "$bin" \
    >/dev/null 2>"$work/err" || true
  if [ ! -s "$work/shot.png" ]; then
    echo "screenshots: no picture for $name" >&2
    cat "$work/err" >&2
    return 1
  fi
  mkdir -p "$out"
  mv "$work/shot.png" "$out/$name.png"
  if command -v optipng >/dev/null; then optipng -quiet -o2 "$out/$name.png"; fi
  echo "$out/$name.png"
}

shot main ''
shot joboptions '#OptionPanel'
shot options-jobs 'Option>PageControl1=0'
shot options-timer 'Option>PageControl1=1'
shot options-tray 'Option>PageControl1=2'
shot options-log 'Option>PageControl1=3'
shot options-other 'Option>PageControl1=4'
shot keys 'SetShortCutKey'
shot sfx 'MakeSFX'
shot preview 'ShowCommand'
shot folders 'Refer'
shot dirlist 'Refer>EditDirListBtn'
shot about 'About'
shot restore 'Restore'
shot history 'ShowHistory>#RunHistoryDialog'
shot help 'Topics>#HelpWindow'
