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

pkgs=(g++ cmake ninja-build libncurses-dev libbenchmark-dev libssl-dev openssl nginx curl httping)
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
  bench_program bench_socket bench_bare_tls; } >"$log" 2>&1; then
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
tls_port=$(build-bench/bench/bench_program --free-port)
# A CA and a server certificate for 127.0.0.1, made now; the keys live only in $work.
mkdir -p "$work/nginx"
{
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
    -subj "/CN=tavix bench CA" -keyout "$work/ca.key" -out "$work/ca.pem"
  openssl req -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -subj "/CN=127.0.0.1" \
    -keyout "$work/nginx/server.key" -out "$work/server.csr"
  printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\n' >"$work/ext.cnf"
  openssl x509 -req -in "$work/server.csr" -CA "$work/ca.pem" -CAkey "$work/ca.key" \
    -CAcreateserial -days 2 -extfile "$work/ext.cnf" -out "$work/nginx/server.crt"
} >/dev/null 2>&1
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
  server {
    listen 127.0.0.1:$tls_port ssl;
    ssl_certificate $work/nginx/server.crt;
    ssl_certificate_key $work/nginx/server.key;
    ssl_protocols TLSv1.2 TLSv1.3;
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

# One HTTPS poll side by side against the same nginx over TLS: THttpClient, the bare
# OpenSSL loop and curl -I, 500 HEAD requests each with a full handshake (no session
# resumption), the best of five runs (wall clock, milliseconds).
echo
echo "== One HTTPS poll side by side (500 HEAD requests, best of 5; load $(cut -d' ' -f1-3 /proc/loadavg))"
tls_url="https://127.0.0.1:$tls_port/"
export SSL_CERT_FILE="$work/ca.pem"
head_tls_ms=$(best_of_five build-bench/bench/bench_head "$tls_url" 500)
bare_tls_ms=$(best_of_five build-bench/bench/bench_bare_tls "$tls_url" 500)
curl_tls_ms=$(best_of_five curl -s -0 -I --no-sessionid --cacert "$work/ca.pem" "$tls_url?[1-500]")
echo "| bench_head | bare OpenSSL loop | curl -I | head / bare (goal <= 1.1) | head / curl (goal <= 0.8) |"
echo "|---|---|---|---|---|"
awk -v h="$head_tls_ms" -v b="$bare_tls_ms" -v c="$curl_tls_ms" \
  'BEGIN { printf "| %d ms | %d ms | %d ms | %.2f | %.2f |\n", h, b, c, h / b, h / c }'
