#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what lands there, then builds the Debian
# package from the same build into a temporary folder and checks its contents and dependencies.
#   check_package.sh <build-dir>
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# --- cmake --install into a temporary prefix
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

expected="bin/cochlex
bin/cochlex-sample-model
share/applications/cochlex.desktop
share/icons/hicolor/64x64/apps/cochlex.png"
installed=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
if [ "$installed" != "$expected" ]; then
  fail "installed files differ from the expected set"
  diff <(echo "$expected") <(echo "$installed") || true
fi

for program in cochlex cochlex-sample-model; do
  file="$prefix/bin/$program"
  [ -x "$file" ] || fail "bin/$program is not an executable"
  # An installed binary must not look for libraries in the build tree.
  if [ -f "$file" ] && readelf -d "$file" | grep -E 'R(UN)?PATH' | grep -qF "$build"; then
    fail "bin/$program keeps a run path into the build folder"
  fi
done

desktop="$prefix/share/applications/cochlex.desktop"
if [ -f "$desktop" ]; then
  head -n 1 "$desktop" | grep -qx '\[Desktop Entry\]' || fail "desktop file lacks its group header"
  for key in Type=Application Name=Cochlex Exec=cochlex Icon=cochlex; do
    grep -qx "$key" "$desktop" || fail "desktop file lacks $key"
  done
fi

icon="$prefix/share/icons/hicolor/64x64/apps/cochlex.png"
if [ -f "$icon" ]; then
  # PNG signature, then the IHDR width and height: the icon sits in the 64x64 folder.
  header=$(od -An -tx1 -N24 "$icon" | tr -d ' \n')
  [ "${header:0:16}" = "89504e470d0a1a0a" ] || fail "the icon is not a PNG file"
  [ "${header:32:16}" = "0000004000000040" ] || fail "the icon is not 64 x 64 pixels"
fi

# The installed generator starts from the prefix and writes where it is told.
if [ -x "$prefix/bin/cochlex-sample-model" ]; then
  if ! QT_QPA_PLATFORM=offscreen "$prefix/bin/cochlex-sample-model" --icon "$work/icon.png" 32 \
    >"$work/generator.log" 2>&1 || [ ! -s "$work/icon.png" ]; then
    fail "the installed cochlex-sample-model does not run"
    cat "$work/generator.log"
  fi
fi

# --- cpack -G DEB into a temporary folder
if command -v dpkg-deb >/dev/null; then
  if cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1; then
    deb=$(find "$work/package" -maxdepth 1 -name 'cochlex_*.deb' | head -n 1)
    if [ -z "$deb" ]; then
      fail "cpack made no cochlex_*.deb"
    else
      echo "package: $(basename "$deb")"
      dpkg-deb -I "$deb" | sed -n '/^ Package:/p;/^ Depends:/p;/^ Recommends:/p'
      depends=$(dpkg-deb -f "$deb" Depends)
      for package in libvtk9.1 libvtk9.1-qt libqt5widgets5 libqt5gui5 libqt5core5a libstdc++6 libc6; do
        echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//' | grep -qx "$package" ||
          fail "the package does not depend on $package"
      done
      contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./usr/||' | sort)
      [ "$contents" = "$expected" ] || fail "the package holds other files than the install step"
    fi
  else
    fail "cpack -G DEB failed"
    cat "$work/cpack.log"
  fi
else
  echo "dpkg-deb not found: the Debian package is not built"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "install and package checks passed"
