#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks what lands there, then builds the Debian
# package from the same build into a temporary folder and checks its contents and dependencies.
# Last, it starts the installed program the way the desktop does, from the installed entry's Exec
# line in a fresh home folder, and checks that it loads the installed sample model.
#   check_package.sh <build-dir>
set -euo pipefail
# The viewer needs an X display.
if [ -z "${DISPLAY:-}" ] && [ -z "${COCHLEX_PACKAGE_CHECK_UNDER_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
  COCHLEX_PACKAGE_CHECK_UNDER_XVFB=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
build=$(cd "$1" && pwd)
work=$(mktemp -d)
viewer=""
cleanup() {
  if [ -n "$viewer" ]; then
    kill "$viewer" 2>/dev/null || true
    wait "$viewer" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# --- cmake --install into a temporary prefix
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >"$work/install.log"

# The sample model as the build generated it, and the window icon beside it.
model_files=$(cd "$build/sample/model" && find . -type f | sed 's|^\./|share/cochlex/sample-model/|')
# The ossicular chain beside it, with its lesson.
chain_files=$(cd "$build/sample/chain" && find . -type f | sed 's|^\./|share/cochlex/chain-model/|')
expected=$(sort <<LIST
bin/cochlex
bin/cochlex-make-model
bin/cochlex-sample-model
share/applications/cochlex.desktop
share/icons/hicolor/64x64/apps/cochlex.png
share/cochlex/Cochlex_KT_source/icon.png
share/doc/cochlex/three.js-LICENSE
$model_files
$chain_files
LIST
)
installed=$(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | sort)
if [ "$installed" != "$expected" ]; then
  fail "installed files differ from the expected set"
  diff <(echo "$expected") <(echo "$installed") || true
fi

for program in cochlex cochlex-sample-model cochlex-make-model; do
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
  for key in Type=Application Name=Cochlex "Exec=cochlex $prefix/share/cochlex/sample-model" \
    Icon=cochlex Terminal=false; do
    grep -qx "$key" "$desktop" || fail "desktop file lacks $key"
  done
fi
cmp -s "$build/sample/model/Joint_transformed.txt" \
  "$prefix/share/cochlex/sample-model/Joint_transformed.txt" ||
  fail "the installed sample model differs from the generated one"

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
# The installed model maker finds its libraries and answers --help.
if [ -x "$prefix/bin/cochlex-make-model" ]; then
  "$prefix/bin/cochlex-make-model" --help | grep -q "OUT_FOLDER" ||
    fail "the installed cochlex-make-model does not run"
fi
# The installed program writes the sample model's web page from its own copy of three.js, with
# no npm and no display.
if [ -x "$prefix/bin/cochlex" ]; then
  if ! env -u DISPLAY QT_QPA_PLATFORM=offscreen "$prefix/bin/cochlex" --export-web "$work/page.html" \
    --web-triangles 20000 "$prefix/share/cochlex/sample-model" >"$work/export.log" 2>&1 ||
    ! grep -q 'id="cochlex-three"' "$work/page.html"; then
    fail "the installed cochlex does not export a web page"
    cat "$work/export.log"
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
      echo "$depends" | grep -q "fonts-liberation2 | fonts-liberation" ||
        fail "the package does not depend on the layout's fonts (fonts-liberation2 | fonts-liberation)"
      # The web page's library is inside the program: nothing of Node.js is needed to run it.
      if echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//' | grep -qxE 'npm|nodejs|node-.*'; then
        fail "the package depends on Node.js or npm"
      fi
      for package in libvtk9.1 libvtk9.1-qt libqt5widgets5 libqt5gui5 libqt5core5a libstdc++6 libc6; do
        echo "$depends" | tr ',|' '\n\n' | sed 's/^ *//; s/ .*//' | grep -qx "$package" ||
          fail "the package does not depend on $package"
      done
      contents=$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '/$' | sed 's|^\./usr/||' | sort)
      [ "$contents" = "$expected" ] || fail "the package holds other files than the install step"
      dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/cochlex.desktop |
        grep -qx "Exec=cochlex /usr/share/cochlex/sample-model" ||
        fail "the package's desktop entry does not start cochlex on /usr/share/cochlex/sample-model"
    fi
  else
    fail "cpack -G DEB failed"
    cat "$work/cpack.log"
  fi
else
  echo "dpkg-deb not found: the Debian package is not built"
fi

# --- the installed entry, started as the desktop would: a fresh home folder as the working
# directory, the entry's command line, the installed program first on the search path
if [ -z "${DISPLAY:-}" ]; then
  echo "no X display and no xvfb-run: the installed entry is not started"
elif [ -f "$desktop" ]; then
  mapfile -t command < <(sed -n 's/^Exec=//p' "$desktop" | xargs -n 1 printf '%s\n')
  home="$work/home"
  mkdir -p "$home"
  (cd "$home" && exec env -u QT_QPA_PLATFORM HOME="$home" XDG_CONFIG_HOME="$home/.config" \
    XDG_CACHE_HOME="$home/.cache" XDG_DATA_HOME="$home/.local/share" \
    PATH="$prefix/bin:$PATH" "${command[@]}" >"$work/viewer.log" 2>"$work/viewer.err") &
  viewer=$!
  # The load prints the working directory, then each structure's path; the program keeps running
  # until it is closed, so it is stopped once the nine paths are out (or it has ended).
  for _ in $(seq 720); do
    [ "$(grep -c '^/.*\.vtk$' "$work/viewer.log" || true)" -ge 9 ] && break
    kill -0 "$viewer" 2>/dev/null || break
    sleep 0.25
  done
  kill "$viewer" 2>/dev/null || true
  wait "$viewer" 2>/dev/null || true
  viewer=""
  head -n 1 "$work/viewer.log" | grep -qx "current working directory: $prefix/share/cochlex/sample-model" ||
    fail "the installed entry does not start the viewer in the installed sample model"
  [ "$(grep -c "^$prefix/share/cochlex/sample-model/Joint/.*\.vtk$" "$work/viewer.log" || true)" -eq 9 ] ||
    fail "the viewer started from the installed entry does not load the nine structures"
  if grep -q "Cannot" "$work/viewer.log"; then
    fail "the viewer started from the installed entry reports problems"
  fi
  [ "$failures" -eq 0 ] || cat "$work/viewer.log" "$work/viewer.err"
fi

if [ "$failures" -gt 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "install and package checks passed"
