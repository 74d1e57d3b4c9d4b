#!/usr/bin/env bash
# Builds rudiruza and kavo-service, starts the service on loopback with the sample catalogue and
# opens the window pointed at it. Closing the window stops the service.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/ensure-packages.sh"
"$root/scripts/build.sh" "$root/build" "" rudiruza kavo-service

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "rudiruza needs a graphical desktop, and neither DISPLAY nor WAYLAND_DISPLAY is set." >&2
  echo "Run this command from a terminal inside your desktop session, or try it without one:" >&2
  echo "  apt-get install -y xvfb && xvfb-run -a bash scripts/run.sh" >&2
  exit 1
fi

listen=${KAVO_LISTEN:-127.0.0.1:8088}
sample="$root/build/sample"
if [ ! -f "$sample/catalogue.tsv" ]; then
  echo "Writing the sample catalogue to $sample (once) ..."
  "$root/build/kavo-service" --make-sample "$sample"
fi

"$root/build/kavo-service" --listen "$listen" --catalogue "$sample" 2>"$root/build/kavo-service.log" &
service=$!
trap 'kill "$service" 2>/dev/null; wait "$service" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  if curl -fs -o /dev/null "http://$listen/"; then break; fi
  if ! kill -0 "$service" 2>/dev/null; then
    echo "kavo-service did not start (is $listen in use? set KAVO_LISTEN=127.0.0.1:PORT):" >&2
    cat "$root/build/kavo-service.log" >&2
    exit 1
  fi
  sleep 0.1
done
echo "kavo-service is answering at http://$listen/ (log: build/kavo-service.log)"
KAVO_SERVICE_URL="http://$listen/" "$root/build/rudiruza" "$@"
