#!/bin/sh
# Installs the build into a temporary prefix as a packager would, checks the layout, validates
# the menu entry and the AppStream metadata (when the validators are there), and starts the
# installed program with an empty home: it must find its helpers and keep its files there.
# Where dpkg-shlibdeps is installed, the same for the Debian package that cpack makes.
# The package must pass lintian without errors or warnings, and its manual pages must list the
# options that `trevane --help` lists.
# usage: install_test.sh BUILD_DIR HELPER_DIR (the helper folder relative to the prefix)
set -eu
build=$1
helpers=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install test: $*" >&2; exit 1; }
for f in bin/trevane $helpers/xcopy $helpers/deltree $helpers/unlha \
         $helpers/unlhasfx $helpers/libUnlha32.so $helpers/trevane-window.so \
         share/trevane/manual/index.md share/trevane/manual/index.html \
         share/applications/org.trevane.Trevane.desktop \
         share/metainfo/org.trevane.Trevane.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.trevane.Trevane.svg \
         share/mime/packages/org.trevane.Trevane.xml share/doc/trevane/copyright \
         lib/systemd/user/trevane-backup.service lib/systemd/user/trevane-backup.timer; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
  [ -e "$prefix/share/icons/hicolor/${size}x$size/apps/org.trevane.Trevane.png" ] ||
    fail "no $size-pixel icon"
done

# The manual pages are found, in English and in Japanese, and list the options --help lists.
MANPATH=$prefix/share/man man -w trevane >/dev/null || fail "man trevane: no English page"
MANPATH=$prefix/share/man man -w -L ja trevane | grep -q '/ja/' || fail "man trevane: no Japanese page"
# An option is a line's first word in --help's list and a bold line's first word on the pages.
"$prefix/bin/trevane" --help | sed -n 's/^ *\(--[a-z][a-z-]*\).*/\1/p' | sort -u >"$work/help-options"
for page in man1/trevane.1.gz ja/man1/trevane.1.gz; do
  zcat "$prefix/share/man/$page" | sed 's/\\-/-/g' |
    sed -n 's/^\.BI\{0,1\} \(--[a-z][a-z-]*\).*/\1/p' | sort -u >"$work/page-options"
  diff "$work/help-options" "$work/page-options" >&2 || fail "$page and --help list other options"
done

# The MIME database built from the installed type names job files.
if command -v update-mime-database >/dev/null; then
  cp -r "$prefix/share/mime" "$work/mime"
  update-mime-database "$work/mime" >/dev/null 2>&1 || fail "update-mime-database"
  grep -q '^[0-9]*:application/x-trevane-job:\*\.cpl$' "$work/mime/globs2" ||
    fail "no MIME type for *.cpl"
fi
# Libraries come from the system or, for unlha, from beside it; never from the folder the
# program is started in (a run path with an empty entry would load this file and fail).
mkdir "$work/cwd" && : >"$work/cwd/libQt6Core.so.6" && : >"$work/cwd/libc.so.6"
for f in "$build/bin/trevane" "$prefix/bin/trevane" "$build/bin/xcopy" "$prefix/$helpers/unlha"; do
  (cd "$work/cwd" && "$f" --version >/dev/null 2>&1 || [ $? -ne 127 ]) ||
    fail "$f loads libraries from the current folder"
done
# A command-line run starts without the widget libraries: only the window module needs them.
if command -v readelf >/dev/null; then
  readelf -d "$prefix/bin/trevane" | grep -q 'libQt6Widgets' && fail "bin/trevane needs the widget library"
  readelf -d "$prefix/$helpers/trevane-window.so" | grep -q 'libQt6Widgets' ||
    fail "trevane-window.so does not name the widget library"
fi
"$prefix/$helpers/unlha" >/dev/null 2>&1 && fail "unlha without arguments should fail"
"$prefix/$helpers/unlha" l "$work/none.lzh" 2>&1 | grep -q 'error while loading' &&
  fail "unlha does not find libUnlha32.so beside it"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/org.trevane.Trevane.desktop" ||
    fail "desktop-file-validate"
fi
# Every remark of the pedantic validation counts but the capitals of the component id, which
# names the menu entry, the icon and the window and stays as it is.
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --pedantic --no-net "$prefix/share/metainfo/org.trevane.Trevane.metainfo.xml" \
    >"$work/appstream.txt" 2>&1 || { cat "$work/appstream.txt" >&2; fail "appstreamcli validate"; }
  grep '^[EWIP]:' "$work/appstream.txt" | grep -v 'cid-contains-uppercase-letter' >&2 &&
    fail "appstreamcli validate --pedantic"
fi

# An installed program (in PREFIX/bin) keeps its files in $XDG_CONFIG_HOME/Trevane, not
# beside itself, and keeps running.
starts() {
  home=$work/home-$2
  mkdir -p "$home" "$work/run"
  chmod 700 "$work/run"
  env -u TREVANE_HOME -u XDG_CONFIG_HOME HOME="$home" XDG_RUNTIME_DIR="$work/run" \
    QT_QPA_PLATFORM=offscreen "$1/bin/trevane" >"$work/out.txt" 2>&1 &
  pid=$!
  for _ in $(seq 50); do
    [ -d "$home/.config/Trevane/CPL" ] && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.2
  done
  kill -0 $pid 2>/dev/null || { cat "$work/out.txt" >&2; fail "$2: the program did not keep running"; }
  kill $pid
  wait $pid 2>/dev/null || true
  [ -d "$home/.config/Trevane/CPL" ] || fail "$2: no job-file folder in ~/.config/Trevane"
  [ ! -e "$1/bin/CPL" ] || fail "$2: the program wrote beside itself"
}
starts "$prefix" install

# The Debian package, with its library dependencies from dpkg-shlibdeps, unpacked and started.
if command -v dpkg-shlibdeps >/dev/null && command -v dpkg-deb >/dev/null; then
  # The maintainer is the builder's to give (-DTREVANE_MAINTAINER when configuring).
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" \
    -D "CPACK_PACKAGE_CONTACT=Trevane Tester <tester@trevane.example.org>" >"$work/cpack.txt" 2>&1 ||
    { cat "$work/cpack.txt" >&2; fail "cpack -G DEB"; }
  deb=$(ls "$work"/deb/*.deb)
  dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no library dependencies in $deb"
  if command -v lintian >/dev/null; then
    lintian --fail-on error,warning --info --no-tag-display-limit "$deb" >"$work/lintian.txt" 2>&1 ||
      { cat "$work/lintian.txt" >&2; fail "lintian $deb"; }
    # A build with Debian's hardening flags must show them (lintian tells of missing ones
    # only as remarks).
    if grep -q '^TREVANE_HARDENING:BOOL=ON' "$build/CMakeCache.txt"; then
      grep 'hardening-no-' "$work/lintian.txt" >&2 && fail "lintian: hardening flags missing"
    fi
  fi
  dpkg-deb -x "$deb" "$work/unpacked"
  starts "$work/unpacked/usr" package
fi
echo "install test passed"
