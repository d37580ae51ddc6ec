#!/usr/bin/env bash
# Configures build/ for the two README commands with the same compile flags, so that neither rebuilds the
# objects of the other.
#   ./scripts/configure.sh run    the recorder and the settings tool; a new build folder leaves the tests and
#                                 benchmarks out (their packages are not installed), an existing one keeps them
#   ./scripts/configure.sh test   everything, tests and benchmarks included
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
flags=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVIN_WERROR=ON)
case "${1:-}" in
  run) [ -f "$top/build/CMakeCache.txt" ] || flags+=(-DQUORVIN_TESTS=OFF -DQUORVIN_BENCH=OFF) ;;
  test) flags+=(-DQUORVIN_TESTS=ON -DQUORVIN_BENCH=ON) ;;
  *) echo "usage: $0 run|test" >&2; exit 2 ;;
esac
cmake -S "$top" -B "$top/build" "${flags[@]}"
