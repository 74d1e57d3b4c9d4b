#!/usr/bin/env bash
# build.sh DIR [SANITIZERS] [TARGETS...]: configures and builds one tree.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=$1; san=${2:-}; shift $(( $# < 2 ? $# : 2 ))
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRUDIRUZA_SANITIZE="$san" >/dev/null
if [ $# -gt 0 ]; then
  for t in "$@"; do cmake --build "$dir" -j"$(nproc)" --target "$t"; done
else
  cmake --build "$dir" -j"$(nproc)"
fi
