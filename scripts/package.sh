#!/usr/bin/env bash
# Builds the bench and makes its Debian package with CPack.
#
#   scripts/package.sh         from build/ (Qt 5), into build/package/
#   scripts/package.sh --qt6   from build-qt6/ (Qt 6), into build-qt6/package/
#
# dpkg-shlibdeps works the package's dependencies out from the binaries.
# Install it with `apt install ./build/package/vexelbench_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
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
  *)
    echo "usage: $0 [--qt6]" >&2
    exit 2
    ;;
esac
scripts/setup.sh "${setup[@]}"
scripts/build.sh "$dir" "${configure[@]}"
cpack -G DEB --config "$dir/CPackConfig.cmake" -B "$dir/package"
ls "$dir"/package/*.deb
