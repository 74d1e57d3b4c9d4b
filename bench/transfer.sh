#!/usr/bin/env bash
# Throughput of the transfer against curl: a private nginx on loopback serves a 1 GiB file from
# tmpfs; curl -o and bench_transfer (the transfer with the progress display writing into the
# window, offscreen) download it into tmpfs, alternately, RUNS times each.
# Prints medians, CPU seconds per GiB, our peak RSS, and last: ratio_vs_curl=X.XX (ours / curl).
#   bench/transfer.sh   (RUNS=5 SIZE_MIB=1024 BUILD=build-bench by default; VERBOSE=1 shows
#                        each run's wall, user, sys seconds and peak RSS in KiB)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${RUNS:-5}
size_mib=${SIZE_MIB:-1024}
small_mib=$(( size_mib / 8 ))
build=${BUILD:-$root/build-bench}

"$root/scripts/ensure-packages.sh" >&2
"$root/scripts/build.sh" "$build" "" bench_transfer >/dev/null
bench="$build/bench/bench_transfer"
nginx_bin=$(command -v nginx || echo /usr/sbin/nginx)

work=$(mktemp -d /dev/shm/rudiruza-bench.XXXXXX)
nginx_pid=""
cleanup() {
  if [ -n "$nginx_pid" ]; then kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www" "$work/nginx/logs" "$work/out"
head -c $(( size_mib * 1048576 )) /dev/urandom > "$work/www/big.bin"
head -c $(( small_mib * 1048576 )) "$work/www/big.bin" > "$work/www/small.bin"
chmod -R a+rX "$work"

# A free loopback port: the first one nginx can bind.
port=""
for try in $(seq 1 20); do
  candidate=$(( 20000 + RANDOM % 30000 ))
  cat > "$work/nginx/nginx.conf" <<CONF
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log warn;
events { worker_connections 64; }
http {
  access_log off;
  sendfile on;
  tcp_nopush on;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  types { application/octet-stream bin; }
  server {
    listen 127.0.0.1:$candidate;
    root $work/www;
  }
}
CONF
  "$nginx_bin" -p "$work/nginx" -c "$work/nginx/nginx.conf" 2>>"$work/nginx/logs/start.log" &
  nginx_pid=$!
  for _ in $(seq 1 50); do
    if curl -sf -o /dev/null "http://127.0.0.1:$candidate/small.bin" -r 0-0; then port=$candidate; break; fi
    kill -0 "$nginx_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$port" ] && break
  kill "$nginx_pid" 2>/dev/null || true; wait "$nginx_pid" 2>/dev/null || true; nginx_pid=""
done
[ -n "$port" ] || { echo "nginx did not start:" >&2; cat "$work/nginx/logs/"*.log >&2; exit 1; }
url="http://127.0.0.1:$port/big.bin"
bytes=$(stat -c %s "$work/www/big.bin")

# timed OUTFILE CMD...: runs CMD, appends "wall user sys maxrss_kib" to OUTFILE, checks the copy.
timed() {
  local out=$1; shift
  rm -f "$work/out/file"
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>>"$work/run.log"
  [ "$(stat -c %s "$work/out/file")" = "$bytes" ] || { echo "short copy by $1" >&2; exit 1; }
  cat "$work/time" >> "$out"
  [ -z "${VERBOSE:-}" ] || echo "  $1: wall user sys rss = $(cat "$work/time")" >&2
}

export QT_QPA_PLATFORM=offscreen
: > "$work/curl.t"; : > "$work/ours.t"
for i in $(seq 1 "$runs"); do
  timed "$work/curl.t" curl -s -o "$work/out/file" "$url"
  timed "$work/ours.t" "$bench" "$url" "$work/out/file"
  echo "run $i: curl $(tail -1 "$work/curl.t" | cut -d' ' -f1) s, ours $(tail -1 "$work/ours.t" | cut -d' ' -f1) s" >&2
done
cmp -s "$work/out/file" "$work/www/big.bin" || { echo "our copy differs from the original" >&2; exit 1; }

# Peak RSS on a file an eighth the size: it must not grow with the file.
small_rss=$(/usr/bin/time -f "%M" "$bench" "http://127.0.0.1:$port/small.bin" "$work/out/small" 2>&1 >/dev/null | tail -1)

median() { sort -n | awk '{v[NR]=$1} END {print (NR%2) ? v[(NR+1)/2] : (v[NR/2]+v[NR/2+1])/2}'; }
gib=$(awk -v b="$bytes" 'BEGIN {print b / 1073741824}')
report() {  # report NAME FILE
  local wall cpu
  wall=$(awk '{print $1}' "$2" | median)
  cpu=$(awk '{print $2 + $3}' "$2" | median)
  awk -v n="$1" -v w="$wall" -v c="$cpu" -v g="$gib" -v b="$bytes" \
    'BEGIN {printf "%s: median %.2f s, %.0f MiB/s, %.2f CPU s/GiB\n", n, w, b / 1048576 / w, c / g}'
}
echo "file: $size_mib MiB from nginx on 127.0.0.1:$port into tmpfs, $runs runs each"
report curl "$work/curl.t"
report ours "$work/ours.t"
peak=$(awk '{print $4}' "$work/ours.t" | sort -n | tail -1)
echo "ours peak RSS: $(( peak / 1024 )) MiB ($size_mib MiB file), $(( small_rss / 1024 )) MiB ($small_mib MiB file)"
curl_wall=$(awk '{print $1}' "$work/curl.t" | median)
ours_wall=$(awk '{print $1}' "$work/ours.t" | median)
awk -v c="$curl_wall" -v o="$ours_wall" 'BEGIN {printf "ratio_vs_curl=%.2f\n", c / o}'
