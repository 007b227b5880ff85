#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headless.
#
#   ./test.sh             builds into build/ with Qt 5 and runs the tests
#   ./test.sh --qt6       builds into build-qt6/ with Qt 6 and runs the same tests
#   ./test.sh --sanitize  builds into build-sanitize/ with AddressSanitizer and
#                         UndefinedBehaviorSanitizer and runs the same tests
set -euo pipefail
cd "$(dirname "$0")"
dir=build
configure=()
setup=()
case "${1:-}" in
  "") ;;
  --qt6)
    dir=build-qt6
    configure=(-DVEXEL_QT6=ON)
    setup=(--qt6)
    ;;
  --sanitize)
    dir=build-sanitize
    configure=(-DVEXEL_SANITIZE=ON)
    # Any undefined behaviour fails the test that hit it. Leaks are checked;
    # tests/lsan.supp leaves out what Qt and the libraries below it keep.
    export ASAN_OPTIONS=check_initialization_order=1:detect_stack_use_after_return=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    ;;
  *)
    echo "usage: $0 [--qt6 | --sanitize]" >&2
    exit 2
    ;;
esac
scripts/setup.sh "${setup[@]}"
scripts/build.sh "$dir" "${configure[@]}"
cd "$dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j1
