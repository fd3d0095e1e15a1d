#!/bin/sh
# Installs the Debian packages Pixmill needs, when missing. This is the one list.
#
#   install-deps.sh          what building, running and testing need
#   install-deps.sh --bench  the same, plus the peers the benchmarks compare against
#
# Runs `apt-get update` once before the first install, as root or through sudo.
set -eu

BUILD="g++ cmake ninja-build pkg-config make ccache \
  qt6-base-dev qt6-translations-l10n libturbojpeg0-dev liblcms2-dev zlib1g-dev libwebp-dev libgs-common \
  libheif-dev libde265-0 qt6-image-formats-plugins \
  fonts-wqy-microhei mate-backgrounds"
TEST="googletest libgtest-dev libgmock-dev xvfb xauth \
  clang clang-format libclang-rt-14-dev \
  libimage-exiftool-perl exiv2 imagemagick libjpeg-turbo-progs openssl \
  dpkg-dev file desktop-file-utils man-db bash-completion"
BENCH="libvips-tools graphicsmagick hyperfine time valgrind"

wanted="$BUILD $TEST"
[ "${1:-}" = "--bench" ] && wanted="$wanted $BENCH"

missing=""
for pkg in $wanted; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  case "$status" in
    *"install ok installed"*) ;;
    *) missing="$missing $pkg" ;;
  esac
done
[ -z "$missing" ] && exit 0

if [ "$(id -u)" -eq 0 ]; then as_root=""; else as_root="sudo"; fi
echo "Installing:$missing"
$as_root apt-get update -qq
DEBIAN_FRONTEND=noninteractive $as_root apt-get install -y -qq --no-install-recommends $missing
