#!/usr/bin/env bash
# Installs what is missing, builds and runs every suite: dev, AddressSanitizer + UBSan,
# and the threaded suites under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cd "$root"
presets=(${TIDEFRAY_TEST_PRESETS:-dev asan tsan})
for preset in "${presets[@]}"; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
if [[ -x "$root/scripts/fuzz-smoke.sh" && -z "${TIDEFRAY_SKIP_FUZZ:-}" ]]; then
  echo "=== fuzz (short runs) ==="
  "$root/scripts/fuzz-smoke.sh"
fi
