#!/usr/bin/env bash
# Builds everything and runs the whole test suite; exits non-zero on any failure.
#   1. the plain build and its tests;
#   2. the same tests built with AddressSanitizer and UndefinedBehaviorSanitizer;
#   3. each fuzz target (clang, libFuzzer) for a bounded time from its corpus;
#   4. the build with only a compiler: no test, benchmark or PNG library;
#   5. the Windows programs, cross-built with MinGW-w64 and run under Wine
#      beside the Linux build (scripts/check_windows.sh);
#   6. the packages, the .deb from the plain build and the zip from the
#      Windows one, unpacked and checked, lintian on the .deb, and their
#      programs run beside the Linux build (scripts/check_packages.sh).
# Every package the first three need must be installed: a missing one stops
# the run instead of leaving its part out.
# FUZZ_SECONDS sets the time per fuzz target (default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${FUZZ_SECONDS:-20}

# Tests write many small temporary files; memory-backed storage is much faster.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

# Each stage's heading gives the seconds since the start, so stages can be timed.
stage() { printf '\n==== %s (at %ds)\n' "$*" "$SECONDS"; }

stage "plain build and tests"
# The tests and benchmarks are off by default (a plain build makes the two
# tools only), so every stage says what it wants.
cmake -S . -B build -DKESTRUNE_REQUIRE_ALL=ON -DKESTRUNE_BUILD_TESTS=ON \
  -DKESTRUNE_BUILD_BENCH=ON >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

stage "AddressSanitizer and UndefinedBehaviorSanitizer build and tests"
cmake -S . -B build-sanitize -DKESTRUNE_REQUIRE_ALL=ON -DKESTRUNE_SANITIZE=ON \
  -DKESTRUNE_BUILD_TESTS=ON -DKESTRUNE_BUILD_BENCH=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

stage "fuzz targets, ${fuzz_seconds}s each"
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKESTRUNE_REQUIRE_ALL=ON -DKESTRUNE_FUZZ=ON \
  -DKESTRUNE_SANITIZE=ON -DKESTRUNE_BUILD_TESTS=OFF -DKESTRUNE_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_targets
fuzz_corpus=$(mktemp -d)
trap 'rm -rf "$fuzz_corpus"' EXIT
for target in $(cat build-fuzz/fuzz/targets.txt); do
  # Work on a copy: the checked-in corpus stays small and unchanged.
  mkdir -p "$fuzz_corpus/$target"
  cp fuzz/corpus/"$target"/* "$fuzz_corpus/$target/"
  echo "-- $target"
  status=0
  build-fuzz/fuzz/"$target" -max_total_time="$fuzz_seconds" -max_len=8192 -print_final_stats=1 \
    "$fuzz_corpus/$target" fuzz/regressions/"$target" >"$fuzz_corpus/$target.log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|Done)' "$fuzz_corpus/$target.log" || true
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$fuzz_corpus/$target.log"
    echo "fuzz target $target failed"
    exit 1
  fi
done

stage "build with only a compiler"
# Tests asked for but their packages hidden: what is left (the fuzz replays,
# the viewer's refusal of --png) still builds and runs.
cmake -S . -B build-bare -DKESTRUNE_BUILD_TESTS=ON -DKESTRUNE_BUILD_BENCH=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_PNG=ON
cmake --build build-bare -j"$jobs"
ctest --test-dir build-bare --output-on-failure -j"$jobs"

stage "Windows programs, checked under Wine"
cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j"$jobs" --target kestrune kestrune-view
scripts/check_windows.sh build build-windows

stage "packages: the .deb and the Windows zip"
# The package holds the programs and their documents alone, not the tests
# and benchmarks this build also has.
cmake --build build -j"$jobs" --target package
cmake --build build-windows -j"$jobs" --target package
scripts/check_packages.sh build build-windows

stage "all passed"
