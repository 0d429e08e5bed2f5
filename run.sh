#!/usr/bin/env bash
# Installs what is missing, builds, and starts Tenvel 202.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
# The same build folder as ./test.sh (build/ci), so running one after the other compiles
# nothing twice.
cmake --preset ci >/dev/null
# Only the program: the tests are built and run by ./test.sh.
cmake --build --preset ci -j "$(nproc)" --target tenvel

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: start Tenvel 202 from a desktop session, or without one as: xvfb-run -a ./run.sh"
  exit 1
fi
# The browser engine refuses to start inside its sandbox as root.
if [ "$(id -u)" -eq 0 ]; then
  export QTWEBENGINE_CHROMIUM_FLAGS="${QTWEBENGINE_CHROMIUM_FLAGS:---no-sandbox}"
fi
exec build/ci/app/tenvel "$@"
