#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test of the player:
#   build/release  all tests (GUI tests on a private Xvfb display with openbox)
#   build/asan     all tests again with AddressSanitizer + UndefinedBehaviorSanitizer
#   build/tsan     the audio engine's tests with ThreadSanitizer
#   build/fuzz     every libFuzzer target, each run for FUZZ_SECONDS on its seed corpus
# Ends with one line "tests: N passed, M failed"; exits non-zero on any failure.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$PWD
bash scripts/setup.sh || exit 1

fuzz_seconds=${FUZZ_SECONDS:-20}
jobs=$(nproc)
passed=0
failed=0
log_dir=$root/build/logs
mkdir -p "$log_dir"

# A private X server with a real window manager for the tests that need one.
display_number=$((90 + RANDOM % 100))
while [ -e /tmp/.X11-unix/X$display_number ] || [ -e /tmp/.X$display_number-lock ]; do
  display_number=$((display_number + 1))
done
Xvfb ":$display_number" -screen 0 1280x1024x24 -nolisten tcp >"$log_dir/xvfb.log" 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display_number"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
openbox >"$log_dir/openbox.log" 2>&1 &
openbox_pid=$!
trap 'kill $openbox_pid $xvfb_pid 2>/dev/null' EXIT

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

# Builds one configuration and runs its tests; adds ctest's counts to the totals.
run_suite() {
  local name=$1 ctest_args=$2
  shift 2
  echo "== $name: configure and build"
  if ! cmake -S "$root" -B "$root/build/$name" -G Ninja "$@" >"$log_dir/$name-configure.log" 2>&1 ||
     ! ninja -C "$root/build/$name" -j"$jobs" >"$log_dir/$name-build.log" 2>&1; then
    tail -n 60 "$log_dir/$name-configure.log" "$log_dir/$name-build.log" 2>/dev/null
    echo "== $name: BUILD FAILED"
    failed=$((failed + 1))
    return
  fi
  echo "== $name: tests"
  (cd "$root/build/$name" && ctest --output-on-failure -j"$jobs" --timeout 600 $ctest_args) | tee "$log_dir/$name-ctest.log"
  local summary total bad
  summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log_dir/$name-ctest.log" | tail -n 1)
  if [ -z "$summary" ]; then
    echo "== $name: no test summary"
    failed=$((failed + 1))
    return
  fi
  bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$summary")
  total=$(sed -E 's/.*out of ([0-9]+).*/\1/' <<<"$summary")
  passed=$((passed + total - bad))
  failed=$((failed + bad))
}

# The release suite also installs the built .deb with apt, starts it and purges it again.
export QUORVEL_TEST_INSTALL_DEB=1
run_suite release ""
unset QUORVEL_TEST_INSTALL_DEB
run_suite asan "" -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=address,undefined
run_suite tsan "-L engine" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSANITIZE=thread -DENGINE_ONLY=ON

# Fuzzing: each target runs time-boxed on the seed corpus plus the crashes it ever found.
echo "== fuzz: configure and build"
if CC=clang CXX=clang++ cmake -S "$root" -B "$root/build/fuzz" -G Ninja -DFUZZ=ON \
     -DCMAKE_BUILD_TYPE=RelWithDebInfo >"$log_dir/fuzz-configure.log" 2>&1 &&
   ninja -C "$root/build/fuzz" -j"$jobs" >"$log_dir/fuzz-build.log" 2>&1; then
  bash scripts/run-fuzzers.sh "$root/build/fuzz" "$fuzz_seconds" && passed=$((passed + 1)) || failed=$((failed + 1))
else
  tail -n 60 "$log_dir/fuzz-configure.log" "$log_dir/fuzz-build.log"
  echo "== fuzz: BUILD FAILED"
  failed=$((failed + 1))
fi

echo "tests: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
