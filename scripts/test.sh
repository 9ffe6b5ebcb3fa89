#!/usr/bin/env bash
# Builds everything and runs the whole test suite; exits non-zero on any failure.
#   1. the plain build: the programs as they are packaged, and the
#      benchmarks;
#   2. one clang build with AddressSanitizer, UndefinedBehaviorSanitizer and
#      libFuzzer's instrumentation, and every test on it (the plain build's
#      programs, as packaged, are compared run by run with the Windows
#      build's and the packages' below);
#   3. the build with only a compiler: no test, benchmark, PNG, JSON or
#      options library, so kestrune and the viewer alone (the converter
#      needs CLI11), and the viewer's refusal of --png and --json;
#   4. the Windows programs, cross-built with MinGW-w64 and run under Wine
#      beside the Linux build (scripts/check_windows.sh);
#   5. each fuzz target of the clang build for a bounded time from its
#      corpus, as many at once as there are cores;
#   6. beside the fuzz targets, the packages: the .deb from the plain
#      build and the zip from the Windows one, unpacked and checked, lintian
#      on the .deb, and their programs run beside the Linux build
#      (scripts/check_packages.sh).
# Every package the first two need must be installed: a missing one stops
# the run instead of leaving its part out.
# FUZZ_SECONDS sets the time per fuzz target (default 8).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)
fuzz_seconds=${FUZZ_SECONDS:-8}

# Tests write many small temporary files; memory-backed storage is much faster.
if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
  export TMPDIR=/dev/shm
fi

# Each stage's heading gives the seconds since the start, so stages can be timed.
stage() { printf '\n==== %s (at %ds)\n' "$*" "$SECONDS"; }

stage "plain build: the programs and the benchmarks"
# The tests run once, in the sanitizers' build below: compiling them twice
# took the test command past its five minutes. Tests and benchmarks are off
# by default (a plain build makes the programs only), so every stage says
# what it wants.
cmake -S . -B build -DKESTRUNE_REQUIRE_ALL=ON -DKESTRUNE_BUILD_TESTS=OFF \
  -DKESTRUNE_BUILD_BENCH=ON -DKESTRUNE_UNITY_BUILD=ON >/dev/null
cmake --build build -j"$jobs"

stage "clang build with AddressSanitizer and UndefinedBehaviorSanitizer, its tests"
# The fuzz targets are built here too, on the same instrumented objects.
# -O1, as the sanitizers are commonly run: it compiles in two thirds of
# -O3's time and keeps the reports' stacks whole.
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DKESTRUNE_REQUIRE_ALL=ON -DKESTRUNE_SANITIZE=ON \
  -DKESTRUNE_FUZZ=ON -DKESTRUNE_BUILD_TESTS=ON -DKESTRUNE_BUILD_BENCH=OFF \
  -DKESTRUNE_UNITY_BUILD=ON -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS=-O1 >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"

stage "build with only a compiler"
# Tests and benchmarks asked for but their packages hidden: configuring
# leaves them out and says so, and kestrune and the viewer build. Of the
# tests, the fuzz replays need no package, but they run in the build above;
# the viewer's refusals of --png and --json are this build's own.
# Unoptimized: it shows only that the programs build without the packages.
cmake -S . -B build-bare -DKESTRUNE_BUILD_TESTS=ON -DKESTRUNE_BUILD_BENCH=ON \
  -DCMAKE_BUILD_TYPE=None -DKESTRUNE_UNITY_BUILD=ON -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON -DCMAKE_DISABLE_FIND_PACKAGE_stb=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_nlohmann_json=ON -DCMAKE_DISABLE_FIND_PACKAGE_CLI11=ON
cmake --build build-bare -j"$jobs" --target kestrune kestrune-view
ctest --test-dir build-bare --output-on-failure --no-tests=error \
  -R '^viewer\.(png|json)_unavailable$'

stage "Windows programs, checked under Wine"
# Wine makes its prefix, mostly waiting, while the programs build.
(source scripts/wine.sh && wine_prefix "$PWD/build-windows/wine-prefix") &
wine_prefix_made=$!
cmake -S . -B build-windows --toolchain cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build-windows -j"$jobs" --target kestrune kestrune-view kestrune-convert
wait "$wine_prefix_made"
scripts/check_windows.sh build build-windows

stage "fuzz targets, ${fuzz_seconds}s each, $jobs at a time"
fuzz_corpus=$(mktemp -d)
# Fuzz targets still running when a stage fails end with the run.
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$fuzz_corpus"' EXIT
fuzz() {  # TARGET: on a copy of its corpus (the checked-in one stays small and unchanged)
  local status=0
  mkdir -p "$fuzz_corpus/$1"
  cp fuzz/corpus/"$1"/* "$fuzz_corpus/$1/"
  build-sanitize/fuzz/"$1" -max_total_time="$fuzz_seconds" -max_len=8192 -print_final_stats=1 \
    "$fuzz_corpus/$1" fuzz/regressions/"$1" >"$fuzz_corpus/$1.log" 2>&1 || status=$?
  echo "$status" >"$fuzz_corpus/$1.status"
}
# Each target takes a core for its time, a round of them at once; the
# rounds run beside the packages' stage, which mostly waits on lintian and
# Wine. A target runs for its time however busy the machine is.
mapfile -t fuzz_targets <build-sanitize/fuzz/targets.txt
fuzz_rounds() {
  local first target
  for ((first = 0; first < ${#fuzz_targets[@]}; first += jobs)); do
    for target in "${fuzz_targets[@]:first:jobs}"; do fuzz "$target" & done
    wait
  done
}
fuzz_rounds &
fuzzing=$!

stage "packages: the .deb and the Windows zip, beside the fuzz targets"
# The package holds the programs and their documents alone, not the tests
# and benchmarks this build also has.
cmake --build build -j"$jobs" --target package
cmake --build build-windows -j"$jobs" --target package
scripts/check_packages.sh build build-windows

stage "fuzz targets' results"
wait "$fuzzing"
for target in "${fuzz_targets[@]}"; do
  echo "-- $target"
  grep -E '^(stat::number_of_executed_units|Done)' "$fuzz_corpus/$target.log" || true
  if [ "$(cat "$fuzz_corpus/$target.status")" -ne 0 ]; then
    tail -n 60 "$fuzz_corpus/$target.log"
    echo "fuzz target $target failed"
    exit 1
  fi
done

stage "all passed"
