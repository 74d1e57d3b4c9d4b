#!/usr/bin/env bash
# Builds and runs every test: a normal build, then AddressSanitizer + UndefinedBehaviorSanitizer,
# then everything but the Qt window under ThreadSanitizer (Qt itself is not instrumented).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/ensure-packages.sh" || exit 1
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS=suppressions=$root/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
status=0
run() {  # run NAME DIR SANITIZERS [ctest args...]
  local name=$1 dir=$2 san=$3; shift 3
  echo "=== $name build ==="
  if ! "$root/scripts/build.sh" "$dir" "$san"; then echo "=== $name: build failed ==="; status=1; return; fi
  echo "=== $name tests ==="
  ctest --test-dir "$dir" --output-on-failure -j"$(nproc)" --timeout 300 "$@" || status=1
}
run normal "$root/build" ""
run asan-ubsan "$root/build-asan" "address,undefined"
run tsan "$root/build-tsan" "thread"
exit $status
