#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Ends with CTest's summary line.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh

jobs=$(nproc)

echo "== Qt-free core build (proves store/ and maillib/ need no Qt)"
cmake --preset core >/dev/null
cmake --build --preset core -j "$jobs"

echo "== Fuzz targets, short bounded runs"
scripts/run-fuzz.sh 60

echo "== Full build (the build folder of ./run.sh as well)"
cmake --preset ci >/dev/null
cmake --build --preset ci -j "$jobs"

echo "== Tests"
ctest --preset ci -j "$jobs" --timeout 600
