#!/usr/bin/env bash
# Soak run: the real game on the headless host for many frames, unthrottled, with music and a
# seeded random key script. Fails when the recorder does not end cleanly (a crash, a sanitizer
# report, a leak found at exit by LeakSanitizer, a start-up message), when a medium did not
# load, or when the resident set at the end is more than the allowed slack above its value
# after the warm-up frames.
#
# usage: soak.sh BUILD_DIR DATA_DIR FRAMES [SEED] [SLACK_KIB]
#   BUILD_DIR holds tidefray-record and tidefray-soak-keys; SLACK_KIB defaults to 1024 (1 MiB);
#   an empty SLACK_KIB ("") skips the memory check, for builds whose allocator holds freed
#   memory back on purpose (AddressSanitizer's quarantine).
set -euo pipefail
build=$1 data=$2 frames=$3 seed=${4:-1} slack=${5-1024}
warmup=1000
interval=1000
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

"$build/tidefray-soak-keys" --frames "$frames" --seed "$seed" >"$scratch/keys.txt"
echo "soak: $frames frames, seed $seed, $(grep -vc '^#' "$scratch/keys.txt") key events"
status=0
"$build/tidefray-record" --data "$data" --frames "$frames" --keys "$scratch/keys.txt" \
  --objects --rss-every "$interval" >"$scratch/out.txt" 2>"$scratch/err.txt" || status=$?
grep -v '^rss frame' "$scratch/out.txt" || true
if ((status != 0)) || [[ -s "$scratch/err.txt" ]]; then
  tail -n 60 "$scratch/err.txt" >&2
  echo "soak: FAILED: tidefray-record exited with $status" >&2
  exit 1
fi
if ! grep -qx 'objects: sprites 0 1 2 3 4 20 sounds 0 1 music 0' "$scratch/out.txt"; then
  echo "soak: FAILED: not every medium loaded" >&2
  exit 1
fi
if ! grep -q "^frames presented: $frames," "$scratch/out.txt"; then
  echo "soak: FAILED: the run did not present $frames frames" >&2
  exit 1
fi
first=$(awk -v f="$warmup" '$1 == "rss" && $3 == f":" {print $4}' "$scratch/out.txt")
last=$(awk '$1 == "rss" {v = $4} END {print v}' "$scratch/out.txt")
range=$(awk -v f="$warmup" '$1 == "rss" && $3 + 0 >= f {
  if (min == "" || $4 < min) min = $4; if ($4 > max) max = $4 } END {print min " to " max}' \
  "$scratch/out.txt")
echo "soak: resident set $first KiB after $warmup frames, $last KiB at frame $frames" \
  "(every $interval frames from then on: $range KiB)"
if [[ -n "$slack" ]]; then
  if [[ -z "$first" || -z "$last" ]]; then
    echo "soak: FAILED: no resident-set figures" >&2
    exit 1
  fi
  if ((last - first > slack)); then
    echo "soak: FAILED: grew by $((last - first)) KiB, more than $slack KiB" >&2
    exit 1
  fi
fi
echo "soak: passed"
