#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz/ and runs each for a few seconds.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${FUZZ_SECONDS:-5}"
# Qt is built without frame pointers: the fast unwinder, walking on through
# Qt's frames, reads junk return addresses, and the sanitizer keeps every new
# stack it records, so its memory would grow with the inputs. The first two
# frames of an allocation's stack are always sound. For the full stacks of a
# crash, run the crashing input again with
# ASAN_OPTIONS=malloc_context_size=30:fast_unwind_on_malloc=0.
export ASAN_OPTIONS="malloc_context_size=2${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DQUILLMER_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build-fuzz --parallel "$(nproc)"
shopt -s nullglob
for target in build-fuzz/fuzz/fuzz_*; do
  [ -f "$target" ] && [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="build-fuzz/corpus/$name"
  log="build-fuzz/$name.log"
  mkdir -p "$corpus"
  seeds=()
  [ -d "fuzz/seeds/${name#fuzz_}" ] && seeds=("fuzz/seeds/${name#fuzz_}")
  echo "fuzzing $name for ${seconds}s"
  "$target" -max_total_time="$seconds" -rss_limit_mb=2048 "$corpus" "${seeds[@]}" 2>"$log" \
    || { tail -n 40 "$log"; exit 1; }
  # A target that keeps memory from one input to the next makes libFuzzer give
  # up looking for leaks; that counts as a failure too.
  if grep -q "disabled leak detection" "$log"; then
    echo "$name keeps memory between inputs: leak detection was turned off (see $log)"
    exit 1
  fi
done
