#!/usr/bin/env bash
# Installs what is missing, builds and runs every suite: dev (with the end-to-end tests),
# AddressSanitizer + UndefinedBehaviorSanitizer + LeakSanitizer, the threaded suites under
# ThreadSanitizer, and short fuzzing runs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cd "$root"
# The suites that run threads beside the engine; only these are built under ThreadSanitizer.
threaded_targets=(test_audio test_sound test_music test_game)
presets=(${TIDEFRAY_TEST_PRESETS:-dev asan tsan})
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  if [[ "$preset" == tsan ]]; then
    cmake --build --preset "$preset" --target "${threaded_targets[@]}"
  else
    cmake --build --preset "$preset"
  fi
  ctest --preset "$preset"
done
if [[ -x "$root/scripts/fuzz-smoke.sh" && -z "${TIDEFRAY_SKIP_FUZZ:-}" ]]; then
  echo "=== fuzz (short runs) ==="
  "$root/scripts/fuzz-smoke.sh"
fi
