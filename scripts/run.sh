#!/usr/bin/env bash
# Builds the program and opens its window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/ensure-packages.sh"
"$root/scripts/build.sh" "$root/build" "" rudiruza kavo-service
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "rudiruza needs a graphical desktop: no DISPLAY or WAYLAND_DISPLAY is set." >&2
  echo "Run this command in a terminal of your desktop session (or under xvfb-run)." >&2
  exit 1
fi
exec "$root/build/rudiruza" "$@"
