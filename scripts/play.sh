#!/usr/bin/env bash
# Installs what is missing, builds the release preset and starts the game in the folder
# that holds Data/ and Music/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
cd "$root"
cmake --preset release >/dev/null
cmake --build --preset release --target tidefray
exec "$root/build/release/tidefray"
