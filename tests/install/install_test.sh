#!/bin/sh
# Installs the build into a temporary prefix as a packager would, checks the layout, validates
# the menu entry and the AppStream metadata (when the validators are there), and starts the
# installed program with an empty home: it must find its helpers and keep its files there.
# Where dpkg-shlibdeps is installed, the same for the Debian package that cpack makes.
# usage: install_test.sh BUILD_DIR
set -eu
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

fail() { echo "install test: $*" >&2; exit 1; }
for f in bin/trevane libexec/trevane/xcopy libexec/trevane/deltree libexec/trevane/unlha \
         libexec/trevane/unlhasfx libexec/trevane/libUnlha32.so libexec/trevane/trevane-window.so libexec/trevane/Trevane-help.md \
         share/applications/org.trevane.Trevane.desktop \
         share/metainfo/org.trevane.Trevane.metainfo.xml \
         share/icons/hicolor/scalable/apps/org.trevane.Trevane.svg; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
# Libraries come from the system or, for unlha, from beside it; never from the folder the
# program is started in (a run path with an empty entry would load this file and fail).
mkdir "$work/cwd" && : >"$work/cwd/libQt6Core.so.6" && : >"$work/cwd/libc.so.6"
for f in "$build/bin/trevane" "$prefix/bin/trevane" "$build/bin/xcopy" "$prefix/libexec/trevane/unlha"; do
  (cd "$work/cwd" && "$f" --version >/dev/null 2>&1 || [ $? -ne 127 ]) ||
    fail "$f loads libraries from the current folder"
done
# A command-line run starts without the widget libraries: only the window module needs them.
if command -v readelf >/dev/null; then
  readelf -d "$prefix/bin/trevane" | grep -q 'libQt6Widgets' && fail "bin/trevane needs the widget library"
  readelf -d "$prefix/libexec/trevane/trevane-window.so" | grep -q 'libQt6Widgets' ||
    fail "trevane-window.so does not name the widget library"
fi
"$prefix/libexec/trevane/unlha" >/dev/null 2>&1 && fail "unlha without arguments should fail"
"$prefix/libexec/trevane/unlha" l "$work/none.lzh" 2>&1 | grep -q 'error while loading' &&
  fail "unlha does not find libUnlha32.so beside it"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/org.trevane.Trevane.desktop" ||
    fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$prefix/share/metainfo/org.trevane.Trevane.metainfo.xml" \
    >"$work/appstream.txt" 2>&1 || { cat "$work/appstream.txt" >&2; fail "appstreamcli validate"; }
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
  cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >"$work/cpack.txt" 2>&1 ||
    { cat "$work/cpack.txt" >&2; fail "cpack -G DEB"; }
  deb=$(ls "$work"/deb/*.deb)
  dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no library dependencies in $deb"
  dpkg-deb -x "$deb" "$work/unpacked"
  starts "$work/unpacked/usr" package
fi
echo "install test passed"
