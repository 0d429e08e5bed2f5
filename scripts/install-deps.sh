#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need, but only when one
# is missing, so a second run costs a few dpkg look-ups. Runs as root or through sudo.
set -euo pipefail

packages=(
  # toolchain
  g++ cmake ninja-build pkg-config git python3
  clang libclang-rt-14-dev clang-format
  # core libraries
  libsqlite3-dev libssl-dev libgtest-dev libgmock-dev
  libjpeg62-turbo-dev
  # desktop program
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev libgl-dev fonts-noto-cjk fonts-noto-color-emoji media-types
  adwaita-icon-theme shared-mime-info
  # the Debian package and its test (cpack -G DEB, tests/package/)
  dpkg-dev file appstream
  # running the window without a display (screenshots, smoke runs)
  xvfb xauth
  # scripts/make-emoticons.py, which renders the emoticon pictures from the emoji font
  python3-pil
  # real servers of the integration tests and benchmarks (scripts/test-servers/)
  openssl dovecot-pop3d python3-aiosmtpd dante-server procps passwd
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# The test servers run from the tests with their own configuration; the system services that
# the packages may have started would only hold ports and watch the system's folders.
for service in dovecot danted; do
  "${sudo_cmd[@]}" service "$service" stop >/dev/null 2>&1 || true
done
