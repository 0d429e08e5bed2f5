#!/usr/bin/env bash
# Builds the benchmarks in Release and runs the mail library and receive benchmarks; they print
# figures only. The comparisons with other mail programs need packages that nothing else needs:
# --install adds them first (GMime's headers for the parse comparison, fetchmail for the
# receive comparison). Without them the benchmarks run and say which comparison is missing.
#   scripts/run-bench.sh [--install]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = "--install" ]; then
  sudo_cmd=()
  [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends libgmime-3.0-dev fetchmail \
    >/dev/null
fi

cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTENVEL_GUI=OFF >/dev/null
cmake --build build/bench --target maillib_bench receive_bench
build/bench/bench/maillib_bench
# Starts the test servers itself when TV_SERVERS_ENV does not name running ones.
build/bench/bench/receive_bench
