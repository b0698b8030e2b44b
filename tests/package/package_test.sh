#!/usr/bin/env bash
# The package test: usage package_test.sh SOURCE_DIR BUILD_DIR SMOKE_SCRIPT
#  1. builds the Debian package from BUILD_DIR (cpack) and checks its contents and dependencies;
#  2. lintian finds no error in it;
#  3. cmake --install to a moved prefix: both programs run from there (relocatable lookup);
#  4. as root on Debian: apt-get installs it, the installed programs run (the CLI demo,
#     --version, the offscreen smoke scenario), apt-get removes it, and nothing of it is left.
# Not root (or not Debian): step 4 is skipped (exit 77) with the reason.
set -euo pipefail
src=$1
build=$2
smoke=$3
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
work=$(mktemp -d)
installed_by_us=0
cleanup() {
  if [ "$installed_by_us" = 1 ] && dpkg-query -W -f='${Status}' norvik 2>/dev/null | grep -q installed; then
    apt-get purge -y -q norvik >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# --- 1. the package ---
mkdir -p "$build/package"
rm -f "$build"/package/norvik_*.deb
(cd "$build" && cpack --config CPackConfig.cmake) >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log" >&2; fail "cpack could not build the package"; }
deb=$(ls "$build"/package/norvik_*.deb)
echo "package: $deb"
dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
for path in ./usr/bin/norvik ./usr/bin/norvikctl ./usr/share/norvik/skin/XML/main.ui \
  ./usr/share/norvik/skin/lan_en.xml ./usr/share/norvik/DefaultData/ \
  ./usr/lib/udev/rules.d/70-norvik.rules \
  ./usr/share/applications/example.norvik.Norvik.desktop \
  ./usr/share/metainfo/example.norvik.Norvik.metainfo.xml \
  ./usr/share/icons/hicolor/scalable/apps/example.norvik.Norvik.svg \
  ./usr/share/icons/hicolor/48x48/apps/example.norvik.Norvik.png \
  ./usr/share/icons/hicolor/256x256/apps/example.norvik.Norvik.png \
  ./usr/share/man/man1/norvik.1.gz ./usr/share/man/man1/norvikctl.1.gz \
  ./usr/share/bash-completion/completions/norvikctl ./usr/share/doc/norvik/copyright; do
  grep -qxF "$path" "$work/contents" || fail "the package has no $path"
done
grep -q '^\./usr/lib/norvik/emulator/SDK/[^/]*/linux/libosConfLib\.so$' "$work/contents" ||
  fail "the package has no audio library stand-in for the emulator"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libhidapi-hidraw0 libqt6widgets6 libjsoncpp25; do
  [[ "$depends" == *"$library"* ]] || fail "Depends has no $library (shlibdeps): $depends"
done
# The rule names exactly the supported devices' hidraw nodes, each with uaccess.
rule=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/lib/udev/rules.d/70-norvik.rules)
[ "$(grep -c '^SUBSYSTEM=="hidraw".*TAG+="uaccess"$' <<<"$rule")" -eq 6 ] ||
  fail "the udev rule does not have its six hidraw lines"

# --- 2. lintian ---
if command -v lintian >/dev/null; then
  echo "lintian:"
  lintian --fail-on error "$deb" || fail "lintian reports errors"
else
  echo "lintian is not installed: not checked (scripts/install-deps.sh installs it)"
fi

# --- 3. a moved prefix ---
prefix="$work/moved/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
[ "$("$prefix/bin/norvikctl" --version)" = "norvikctl $version" ] || fail "norvikctl --version"
"$prefix/bin/norvikctl" --emulate --data-dir "$work/moved-data" demo >"$work/demo.log" 2>&1 ||
  { cat "$work/demo.log" >&2; fail "norvikctl demo from a moved prefix"; }
cmake -DPROGRAM="$prefix/bin/norvik" -DSCRIPT="$smoke" -DWORK="$work/moved-smoke" \
  -DSCREENSHOTS="$work/shots" -P "$src/tests/scenarios/run_scenario.cmake" ||
  fail "the smoke scenario from a moved prefix"

# --- 4. install, run, remove ---
if [ "$(id -u)" -ne 0 ]; then
  echo "SKIPPED the install check: it installs into the system and needs root"
  exit 77
fi
if [ ! -f /etc/debian_version ] || ! command -v apt-get >/dev/null; then
  echo "SKIPPED the install check: this is not a Debian system (no apt-get)"
  exit 77
fi
if dpkg-query -W -f='${Status}' norvik 2>/dev/null | grep -q installed; then
  apt-get purge -y -q norvik >/dev/null
fi
installed_by_us=1
DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$(realpath "$deb")" \
  >"$work/apt.log" 2>&1 || { cat "$work/apt.log" >&2; fail "apt-get install"; }
dpkg -L norvik >"$work/files"
dpkg-query -W -f='${Conffiles}' norvik >"$work/conffiles"
/usr/bin/norvikctl --emulate --data-dir "$(mktemp -d -p "$work")" demo >"$work/demo2.log" 2>&1 ||
  { cat "$work/demo2.log" >&2; fail "the installed norvikctl demo"; }
[ "$(norvik --version)" = "norvik $version" ] || fail "the installed norvik --version"
completion=$(bash -c 'source /usr/share/bash-completion/completions/norvikctl
  COMP_WORDS=(norvikctl emulator a); COMP_CWORD=2; _norvikctl; echo "${COMPREPLY[*]}"')
[ "$completion" = "access" ] || fail "bash completion of 'emulator a' gave '$completion'"
cmake -DPROGRAM=/usr/bin/norvik -DSCRIPT="$smoke" -DWORK="$work/smoke" \
  -DSCREENSHOTS="$work/shots" -P "$src/tests/scenarios/run_scenario.cmake" ||
  fail "the smoke scenario of the installed program"

apt-get remove -y -q norvik >"$work/apt-remove.log" 2>&1 ||
  { cat "$work/apt-remove.log" >&2; fail "apt-get remove"; }
installed_by_us=0
left=0
while IFS= read -r path; do
  # Folders the package shares with others stay; anything of its own must be gone.
  if [ -e "$path" ] && { [ ! -d "$path" ] || [[ "$path" == */norvik || "$path" == */norvik/* ]]; }; then
    echo "left behind: $path" >&2
    left=1
  fi
done <"$work/files"
[ "$left" -eq 0 ] || fail "files of the package are left after its removal"
# Its maintainer scripts keep it known to dpkg until purged; it has nothing else to keep.
[ -z "$(tr -d ' \n' <"$work/conffiles")" ] || fail "the package has configuration files"
apt-get purge -y -q norvik >/dev/null 2>&1 || fail "apt-get purge after the removal"
echo "installed, ran and removed $(basename "$deb") cleanly"
