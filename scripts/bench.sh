#!/usr/bin/env bash
# Runs every benchmark and prints the table of docs/performance.md.
#
# Installs what is missing (as root; otherwise prints the apt-get line and stops), builds a
# Release build in build-bench/, starts nginx as the current user on a free 127.0.0.1 port
# with its own configuration and prefix in a scratch folder, runs the socket benchmarks and
# the whole-program figures, and stops nginx. Leaves nothing running.
#
#   scripts/bench.sh            # the full run (about six minutes)
#   scripts/bench.sh --quick    # fewer rounds, one idle minute (about two minutes)
set -euo pipefail
cd "$(dirname "$0")/.."

pkgs=(g++ cmake ninja-build libncurses-dev libbenchmark-dev nginx curl httping)
. scripts/apt-missing.sh
# The nginx package would start its system service on port 80; keep it from starting.
policy=/usr/sbin/policy-rc.d
own_policy=
if [ "$(id -u)" -eq 0 ] && [ ! -e "$policy" ]; then
  printf '#!/bin/sh\nexit 101\n' >"$policy" && chmod +x "$policy" && own_policy=1
fi
installed=0
install_missing "${pkgs[@]}" || installed=$?
[ -n "$own_policy" ] && rm -f "$policy"
[ "$installed" -eq 0 ] || exit 1

log=$(mktemp /tmp/tavix-bench-build.XXXXXX)
if ! { cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAVIX_BENCH=ON \
  -DTAVIX_TESTS=OFF && cmake --build build-bench -j2 --target tavix bench_head bench_bare bench_log \
  bench_program bench_socket; } >"$log" 2>&1; then
  cat "$log"
  rm -f "$log"
  echo "bench: the build failed" >&2
  exit 1
fi
rm -f "$log"
rm -f build-bench/newinstall  # the window must stay hidden

work=$(mktemp -d /tmp/tavix-bench.XXXXXX)
nginx_pid=
cleanup() {
  local rc=$?
  if [ -n "$nginx_pid" ]; then
    kill "$nginx_pid" 2>/dev/null || true
    wait "$nginx_pid" 2>/dev/null || true
  fi
  if [ "$rc" -eq 0 ]; then rm -rf "$work"; else echo "bench: files kept in $work" >&2; fi
}
trap cleanup EXIT

port=$(build-bench/bench/bench_program --free-port)
mkdir -p "$work/nginx/html" "$work/nginx/logs"
echo '<html><body>bench</body></html>' >"$work/nginx/html/index.html"
user_line=
[ "$(id -u)" -eq 0 ] && user_line="user $(id -un) $(id -gn);"
cat >"$work/nginx/nginx.conf" <<EOF
$user_line
daemon off;
worker_processes 1;
pid $work/nginx/nginx.pid;
error_log $work/nginx/logs/error.log;
events { worker_connections 256; }
http {
  access_log off;
  client_body_temp_path $work/nginx/body;
  proxy_temp_path $work/nginx/proxy;
  fastcgi_temp_path $work/nginx/fastcgi;
  uwsgi_temp_path $work/nginx/uwsgi;
  scgi_temp_path $work/nginx/scgi;
  server {
    listen 127.0.0.1:$port;
    root $work/nginx/html;
  }
}
EOF
nginx -p "$work/nginx" -c "$work/nginx/nginx.conf" -e "$work/nginx/logs/error.log" &
nginx_pid=$!
url="http://127.0.0.1:$port/"
for _ in $(seq 100); do
  curl -s -o /dev/null --max-time 1 -I "$url" && break
  kill -0 "$nginx_pid" 2>/dev/null || { cat "$work/nginx/logs/error.log"; exit 1; }
  sleep 0.1  # nginx reports no readiness; poll its port a few times
done

echo "== Socket layer (bench_socket; load $(cut -d' ' -f1-3 /proc/loadavg))"
build-bench/bench/bench_socket --benchmark_counters_tabular=true 2>/dev/null
echo
echo "== Whole program (bench_program)"
build-bench/bench/bench_program --tavix build-bench/tavix --head build-bench/bench/bench_head \
  --curl "$(command -v curl)" --nginx "$url" --work "$work/runs" "$@"

echo
echo "== The log at scale (bench_log)"
build-bench/bench/bench_log --benchmark_counters_tabular=true 2>/dev/null

# One poll side by side against the same nginx: THttpClient, the bare-socket floor and
# httping, 2000 HEAD requests each, the best of five runs (wall clock, milliseconds).
echo
echo "== One poll side by side (2000 HEAD requests, best of 5; load $(cut -d' ' -f1-3 /proc/loadavg))"
best_of_five() {
  local best=
  for _ in 1 2 3 4 5; do
    local s e
    s=$(date +%s%N)
    "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; return 1; }
    e=$(date +%s%N)
    local t=$(((e - s) / 1000000))
    if [ -z "$best" ] || [ "$t" -lt "$best" ]; then best=$t; fi
  done
  echo "$best"
}
head_ms=$(best_of_five build-bench/bench/bench_head "$url" 2000)
bare_ms=$(best_of_five build-bench/bench/bench_bare "$url" 2000)
httping_ms=$(best_of_five httping -c 2000 -i 0 -q -g "$url")
echo "| bench_head | bare-socket loop | httping | head / bare (goal <= 1.1) | head / httping (goal <= 0.85) |"
echo "|---|---|---|---|---|"
awk -v h="$head_ms" -v b="$bare_ms" -v p="$httping_ms" \
  'BEGIN { printf "| %d ms | %d ms | %d ms | %.2f | %.2f |\n", h, b, p, h / b, h / p }'
