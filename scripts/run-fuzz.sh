#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each on its seed corpus for a share of the
# given total number of seconds. New inputs found go to a scratch folder, not into the repo.
set -euo pipefail
cd "$(dirname "$0")/.."
total=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "$(nproc)"

targets=(build/fuzz/fuzz/*_fuzz)
[ -e "${targets[0]}" ] || { echo "no fuzz targets"; exit 0; }
each=$(( total / ${#targets[@]} ))
[ "$each" -ge 1 ] || each=1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0
for t in "${targets[@]}"; do
  name=$(basename "$t")
  mkdir -p "$scratch/$name"
  seeds=fuzz/corpus/${name%_fuzz}
  echo "-- $name for ${each}s"
  if ! "$t" -max_total_time="$each" -rss_limit_mb=2048 -timeout=10 -print_final_stats=0 \
       -artifact_prefix="$scratch/" "$scratch/$name" $( [ -d "$seeds" ] && echo "$seeds" ) \
       >"$scratch/$name.log" 2>&1; then
    # Show the report and the failing input, so it can be added to the seed corpus.
    grep -v '^#' "$scratch/$name.log" | tail -n 40
    for crash in "$scratch"/crash-* "$scratch"/timeout-* "$scratch"/oom-*; do
      [ -e "$crash" ] && echo "input $(basename "$crash") (base64): $(base64 -w0 "$crash")"
    done
    status=1
  else
    tail -n 1 "$scratch/$name.log"
  fi
done
exit $status
