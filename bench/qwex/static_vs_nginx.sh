#!/usr/bin/env bash
# Serves one static page from the management HTTP server and from nginx (same
# file, another loopback port) and measures both with wrk at 1, 16 and 64
# connections in the same run. The two servers take turns (rounds of one wrk
# run each) and each figure is the median of its rounds, so that load from
# other work on the machine falls on both alike.
# Usage: static_vs_nginx.sh [build dir] [seconds] [rounds]
set -euo pipefail
build=${1:-build}
seconds=${2:-5}
rounds=${3:-3}
server_bin=$build/bench/qwex/qwex_bench_server
[ -x "$server_bin" ] || { echo "build $server_bin first (cmake --build $build --target qwex_bench_server)"; exit 1; }

machine=$(mktemp -d /tmp/qwex-bench-XXXXXX)
server_pid="" nginx_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  [ -n "$nginx_pid" ] && kill "$nginx_pid" 2>/dev/null && wait "$nginx_pid" 2>/dev/null
  rm -rf "$machine"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }
qwex_port=$(free_port)
nginx_port=$(free_port)
threads=${QWEX_BENCH_THREADS:-2}

export TSM_MACHINE=$machine
webapps=$machine/drive_c/qwex/webapps
mkdir -p "$webapps/bench" "$machine/nginx"
python3 -c 'print("<!DOCTYPE html><html><body>" + "<p>management page line</p>" * 150 + "</body></html>")' \
  > "$webapps/bench/page.html"
chmod -R a+rX "$machine" # nginx workers may run as another user
cat > "$machine/drive_c/qwex/qwex.conf" <<CONF
http_port = $qwex_port
https_port = 0
event_threads = $threads
CONF
cat > "$machine/nginx/nginx.conf" <<CONF
worker_processes $threads;
pid $machine/nginx/nginx.pid;
error_log $machine/nginx/error.log;
events { worker_connections 1024; }
http {
  access_log $machine/nginx/access.log;
  sendfile on;
  types { text/html html; }
  server { listen 127.0.0.1:$nginx_port; root $webapps; }
}
CONF

"$server_bin" > /dev/null &
server_pid=$!
nginx -c "$machine/nginx/nginx.conf" -g 'daemon off;' &
nginx_pid=$!
for url in "http://127.0.0.1:$qwex_port/bench/page.html" "http://127.0.0.1:$nginx_port/bench/page.html"; do
  for _ in $(seq 50); do curl -sf -o /dev/null "$url" && break; sleep 0.1; done
  curl -sf -o /dev/null "$url" || { echo "no answer from $url"; exit 1; }
done

rate() { # url connections
  local wrk_threads=$(( $2 < 2 ? 1 : 2 ))
  wrk -t"$wrk_threads" -c"$2" -d"${seconds}s" "$1" | awk '/^Requests\/sec:/ { print $2 }'
}

median() { tr ' ' '\n' | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf "%-12s %14s %14s %8s\n" connections "qwex req/s" "nginx req/s" ratio
for connections in 1 16 64; do
  ours_runs="" theirs_runs=""
  for _ in $(seq "$rounds"); do
    ours_runs+=" $(rate "http://127.0.0.1:$qwex_port/bench/page.html" "$connections")"
    theirs_runs+=" $(rate "http://127.0.0.1:$nginx_port/bench/page.html" "$connections")"
  done
  ours=$(echo $ours_runs | median)
  theirs=$(echo $theirs_runs | median)
  ratio=$(python3 -c "print(f'{$ours / $theirs:.2f}')")
  printf "%-12s %14s %14s %8s\n" "$connections" "$ours" "$theirs" "$ratio"
done
