#!/bin/sh
# Builds the Debian package from the release build, installs it on this machine, uses the
# installed programs as a user does (from the PATH, the manual page, the shell completion, the
# menu entry) and removes it again, checking that none of its files is left behind.
#
#   sh scripts/package-check.sh        (as root or through sudo; after `make build`)
set -eu
cd "$(dirname "$0")/.."
root=$PWD
if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi
apt_get() { DEBIAN_FRONTEND=noninteractive $as_root apt-get -o DPkg::Lock::Timeout=300 "$@"; }

fail() {
  echo "package-check: $*" >&2
  exit 1
}

if dpkg-query -W -f='${Status}' pixmill 2>/dev/null | grep -q "ok installed"; then
  fail "a pixmill package is already installed; remove it first"
fi

# The package, from what the release preset built.
cmake --build --preset release --target pixmill pixmill-cli pixmill_skin pixmill_cli_reference \
  pixmill_icons
rm -f build/pixmill_*.deb
(cd build && cpack -G DEB)
deb=$(ls "$root"/build/pixmill_*.deb)
version=$(dpkg-deb -f "$deb" Version)

work=$(mktemp -d)
installed=""
cleanup() {
  [ -n "$installed" ] && apt_get remove --purge -y -qq pixmill >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM

apt_get install -y -qq --no-install-recommends "$deb"
installed=yes
dpkg -L pixmill | LC_ALL=C sort >"$work/files"

# From the PATH, with a fresh home: the command line tool.
export HOME="$work/home"
unset XDG_CONFIG_HOME XDG_DATA_HOME
mkdir -p "$HOME" "$work/photos"
[ "$(command -v pixmill-cli)" = /usr/bin/pixmill-cli ] || fail "pixmill-cli is not /usr/bin/pixmill-cli"
[ "$(command -v pixmill)" = /usr/bin/pixmill ] || fail "pixmill is not /usr/bin/pixmill"
[ "$(pixmill-cli --version)" = "$version" ] || fail "pixmill-cli --version is not $version"

for name in a b c; do
  { printf 'P6\n320 240\n255\n'; head -c $((320 * 240 * 3)) /dev/urandom; } |
    cjpeg -quality 90 >"$work/photos/$name.jpg"
done
pixmill-cli resize -q --bound 100 --out "$work/out" "$work/photos"
# Without --out the output goes to the per-user folder: the installed program folder is never
# written into, not even by root.
pixmill-cli resize -q --bound 80 "$work/photos"
for name in a b c; do
  [ "$(identify -format %wx%h "$work/out/$name.jpg")" = 100x75 ] || fail "$name.jpg not resized"
  [ "$(identify -format %wx%h "$HOME/.local/share/Velumark/out/$name.jpg")" = 80x60 ] ||
    fail "$name.jpg not resized into the per-user output folder"
done

# The manual page, found by man and free of formatting warnings.
[ "$(man -w pixmill-cli)" = /usr/share/man/man1/pixmill-cli.1.gz ] || fail "man does not find the page"
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=w -l /usr/share/man/man1/pixmill-cli.1.gz \
  >"$work/man.txt" 2>"$work/man.err"
[ ! -s "$work/man.err" ] || fail "man warns: $(cat "$work/man.err")"
grep -q "EXIT STATUS" "$work/man.txt" || fail "the manual page has no EXIT STATUS"

# The shell completion, loaded on demand by bash-completion.
words=$(bash -c '. /usr/share/bash-completion/bash_completion
  _completion_loader pixmill-cli
  COMP_WORDS=(pixmill-cli re); COMP_CWORD=1; _pixmill_cli; echo "${COMPREPLY[*]}"')
[ "$words" = "rename resize" ] || fail "completion of \"re\" gives \"$words\""

# The menu entry, its program and its icon.
desktop-file-validate /usr/share/applications/pixmill.desktop
for size in 16 32 48 64 128 256; do
  [ "$(identify -format %wx%h /usr/share/icons/hicolor/${size}x${size}/apps/pixmill.png)" = \
    "${size}x${size}" ] || fail "no ${size} pixel icon"
done
[ -f /usr/share/qt6/translations/qtbase_zh_CN.qm ] || fail "Qt's Chinese texts are missing"
file -L /usr/share/pixmill/skin/skin.dat | grep -q "ELF.*shared object" ||
  fail "the skin library is not reachable from the program folder"

# The desktop program starts from the PATH and keeps running (no update check leaves the machine).
PIXMILL_FEED_URL=https://127.0.0.1:9/ QT_QPA_PLATFORM=offscreen pixmill >"$work/gui.log" 2>&1 &
gui=$!
sleep 3
kill -0 "$gui" 2>/dev/null || fail "pixmill ended at start: $(cat "$work/gui.log")"
kill "$gui"
wait "$gui" 2>/dev/null || true

# Nothing but the package's own files in its folders, and none of them after removal.
find /usr/share/pixmill /usr/lib/pixmill | LC_ALL=C sort >"$work/found"
grep -E '^/usr/(share|lib)/pixmill(/|$)' "$work/files" >"$work/owned"
extra=$(LC_ALL=C comm -23 "$work/found" "$work/owned")
[ -z "$extra" ] || fail "files written into the program folder: $extra"

apt_get remove --purge -y -qq pixmill >/dev/null
installed=""
! dpkg-query -W -f='${Status}' pixmill 2>/dev/null | grep -q "ok installed" || fail "still installed"
left=""
while read -r path; do
  case $path in
    */pixmill | */pixmill/*) ;;
    *) [ -d "$path" ] && [ ! -L "$path" ] && continue ;;  # shared folders such as man1/ stay
  esac
  if [ -e "$path" ] || [ -L "$path" ]; then left="$left $path"; fi
done <"$work/files"
[ -z "$left" ] || fail "left after removal:$left"
echo "package-check: $deb installs, works from the PATH and removes cleanly"
