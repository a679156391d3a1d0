#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, address + undefined sanitizers) and runs each
# for a short while over its seed corpus, failing when any target crashes, leaks or trips a
# sanitizer. Every fuzz/<name>.cpp is the program fuzz_<name>; its seeds are fuzz/corpus/<name>/
# and its dictionary, when there is one, fuzz/<name>.dict. Inputs the run discovers go to a
# scratch folder, never into the seeds; crash inputs are kept in build/fuzz/artifacts/.
# TIDEFRAY_FUZZ_SECONDS sets the time per target (default 20).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${TIDEFRAY_FUZZ_SECONDS:-20}
cd "$root"

# Warnings are held to -Werror by the dev build; a clang-only warning elsewhere in the tree must
# not keep the fuzzers from running.
cmake --preset fuzz -DTIDEFRAY_WERROR=OFF >/dev/null
cmake --build --preset fuzz --target fuzz_all

artifacts="$root/build/fuzz/artifacts"
mkdir -p "$artifacts"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

failed=()
for source in fuzz/*.cpp; do
  name=$(basename "$source" .cpp)
  program="$root/build/fuzz/fuzz/fuzz_$name"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$artifacts/$name-")
  [[ -f "fuzz/$name.dict" ]] && args+=(-dict="fuzz/$name.dict")
  corpora=("$scratch/$name")
  mkdir -p "$scratch/$name"
  [[ -d "fuzz/corpus/$name" ]] && corpora+=("fuzz/corpus/$name")
  echo "--- fuzz_$name: ${seconds}s"
  if ! "$program" "${args[@]}" "${corpora[@]}" >"$scratch/$name.log" 2>&1; then
    tail -n 40 "$scratch/$name.log"
    failed+=("fuzz_$name")
  else
    grep -E '^stat::number_of_executed_units|^Done' "$scratch/$name.log" || true
  fi
done

if ((${#failed[@]})); then
  echo "fuzz-smoke: failed: ${failed[*]} (inputs in $artifacts)" >&2
  exit 1
fi
echo "fuzz-smoke: every target ran clean"
