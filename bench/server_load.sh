#!/usr/bin/env bash
# Load test of bloomzap-server with wrk, on loopback only, each case bounded in time.
#
#   bench/server_load.sh [sqlite|postgresql|stores|hostile|replay|tls|addresses|tickets|all]
#     [seconds per case]
#
# sqlite: one server on SQLite: the posting with the rate limit off, the posting with the default
#         limit (10 a minute per address) and the players' addresses spread through a trusted
#         proxy's X-Real-IP as production runs, then the high-score page, next to nginx (one
#         worker) serving the same page as a static file.
# postgresql: one server on PostgreSQL (a throwaway cluster from scripts/pg-test-cluster.sh): the
#         posting with the limit off and with the default limit as above, the page; then two
#         servers on that database behind nginx; then SIGKILL of one of the two under posting
#         load: postings acknowledged, stored, lost and doubled.
# stores: sqlite, then postgresql.
# hostile: a normal client's worst latency beside 300 idle and 40 slow clients and beside 1,100
#         slow game-record bodies from 35 addresses, and peak RSS
#         under 4 endless header floods and under 32 parallel downloads of a 64 MB installer
#         (bench/server_hostile.py).
# tls:    the high-score page over TLS (--tls-cert, a certificate made for the run with openssl)
#         next to nginx (one worker) serving the same page over TLS with the same certificate,
#         and over plain http next to nginx static; wrk keeps its connections alive throughout.
# addresses: game tickets from one client address, then each from a new IPv4 address and each
#         from a new IPv6 /64 (named by a trusted proxy's X-Real-IP, so wrk can send them), a
#         fresh server for each: requests a second and the server's peak RSS.
# tickets: normal game tickets against daily tickets from one server (the per-address counter
#         on): requests a second and the server's processor time per ticket, and their ratio.
# replay: the replay time of long games recorded on the engine (median and worst), then postings
#         plus replays a second on one server process on SQLite (bench/replay_bench; REPLAY_GAMES,
#         REPLAY_PAIRS and REPLAY_CLIENTS, 40, 400 and 8 by default, set the sizes).
# Postings are durable: each is answered after its transaction is on disk.
# The server binary is taken from $BLOOMZAP_SERVER, else build/bench, build/dev or build/server.
# WRK_THREADS and WRK_CONNECTIONS (2 and 16) set the load, POST_CONNECTIONS (64) the connections
# of the posting cases (group commit stores the postings that arrive together in one flush); PG_FSYNC=off runs the database without
# flushing its log to disk, which shows how much of a posting's cost the disk is.
set -euo pipefail
cd "$(dirname "$0")/.."

mode="${1:-sqlite}"
seconds="${2:-10}"
threads="${WRK_THREADS:-2}"
connections="${WRK_CONNECTIONS:-16}"
post_connections="${POST_CONNECTIONS:-64}"

server_bin="${BLOOMZAP_SERVER:-}"
for candidate in build/bench/server/bloomzap-server build/dev/server/bloomzap-server \
  build/server/server/bloomzap-server; do
  [[ -z "$server_bin" && -x "$candidate" ]] && server_bin="$candidate"
done
[[ -x "$server_bin" ]] || { echo "build bloomzap-server first" >&2; exit 1; }
if [[ "$mode" == replay ]]; then
  replay_bin="$(dirname "$server_bin")/../bench/replay_bench"
  [[ -x "$replay_bin" ]] || { echo "build replay_bench (bench preset) first" >&2; exit 1; }
else
  command -v wrk >/dev/null || { echo "wrk is missing (Debian package wrk)" >&2; exit 1; }
fi

work="$(mktemp -d /tmp/bloomzap-load-XXXXXX)"
chmod 755 "$work"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  [[ -n "${pg_stop:-}" ]] && $pg_stop >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

# Starts bloomzap-server with the given arguments on a free port; sets $port.
start_server() {
  local name="$1"; shift
  "$server_bin" --listen 127.0.0.1:0 --per-address 4096 "$@" >/dev/null 2>"$work/$name.log" &
  server_pid=$!
  pids+=($!)
  for _ in $(seq 100); do
    if grep -qs 'serving http' "$work/$name.log"; then
      port="$(grep -Eo 'serving https?://127.0.0.1:[0-9]*' "$work/$name.log" | grep -o '[0-9]*$')"
      return
    fi
    sleep 0.05
  done
  cat "$work/$name.log" >&2
  exit 1
}

free_port() {
  local port
  while :; do
    port=$((20000 + RANDOM % 30000))
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
}

# Starts nginx (one worker) on a free port with the extra http{} and server{} lines given;
# sets $nginx_port.
start_nginx() {
  local name="$1" extra="$2" port dir
  port="$(free_port)"
  dir="$work/$name"
  mkdir -p "$dir/www"
  local user=""
  [[ "$(id -u)" == 0 ]] && user="user root;"
  cat >"$dir/nginx.conf" <<CONF
$user
worker_processes 1;
daemon off;
pid $dir/nginx.pid;
error_log $dir/error.log;
events { worker_connections 4096; }
http {
  access_log $dir/access.log;
  client_body_temp_path $dir/body;
  proxy_temp_path $dir/proxy;
  fastcgi_temp_path $dir/fastcgi;
  uwsgi_temp_path $dir/uwsgi;
  scgi_temp_path $dir/scgi;
  types { text/html html shtml; text/plain txt; }
  $extra
  server {
    listen 127.0.0.1:$port;
    root $dir/www;
    location / { }
    include $dir/locations.conf;
  }
}
CONF
  touch "$dir/locations.conf"
  [[ -n "${3:-}" ]] && echo "$3" >"$dir/locations.conf"
  /usr/sbin/nginx -c "$dir/nginx.conf" -p "$dir" >/dev/null 2>>"$dir/error.log" &
  pids+=($!)
  for _ in $(seq 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && { nginx_port="$port"; return; }
    sleep 0.05
  done
  cat "$dir/error.log" >&2
  exit 1
}

# Prints the body of one GET.
http_body() {
  local port="$1" path="$2"
  exec 3<>"/dev/tcp/127.0.0.1/$port"
  printf 'GET %s HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n' "$path" >&3
  sed '1,/^\r$/d' <&3
  exec 3<&-
}

# Processor time (user and system, in clock ticks) of the given processes and their children.
cpu_ticks() {
  local total=0 pid ticks
  for pid in "$@" $(for p in "$@"; do pgrep -P "$p"; done); do
    ticks="$(awk '{print $14 + $15}' "/proc/$pid/stat" 2>/dev/null || echo 0)"
    total=$((total + ticks))
  done
  echo "$total"
}
tick_us=$((1000000 / $(getconf CLK_TCK)))

# The posting cases also show the processor time each posting took in the server and in the
# database ($cpu_server, $cpu_database: the processes to count, with their children): on a
# machine others share, that stays put when the rate moves with their load.
cpu_server=""
cpu_database=""
cpu_always=""
[[ "$mode" == replay ]] || printf '%-44s %10s %9s %9s %7s %9s %9s %9s\n' case "req/s" "p50 ms" "p99 ms" \
  errors requests "srv us" "db us"
# run_case LABEL URL [POSTING [SPREAD]]: POSTING 1 posts unique scores, SPREAD 1 from addresses
# spread through X-Real-IP.
run_case() {
  local label="$1" url="$2" posting="${3:-0}" spread="${4:-0}" line clients="$connections"
  local srv0=0 db0=0 srv_us=- db_us=-
  [[ "$posting" == 1 ]] && clients="$post_connections"
  if [[ ( "$posting" == 1 || -n "$cpu_always" ) && -n "$cpu_server" ]]; then
    srv0="$(cpu_ticks $cpu_server)"
    [[ -n "$cpu_database" ]] && db0="$(cpu_ticks $cpu_database)"
  fi
  line="$(BZ_POSTING="$posting" BZ_SPREAD="$spread" wrk -t"$threads" -c"$clients" -d"${seconds}s" \
    -s "${LOAD_SCRIPT:-bench/server_load.lua}" "$url" | grep '^RESULT')"
  read -r _ rps p50 p99 errors requests <<<"$line"
  last_rps="$rps"
  if [[ ( "$posting" == 1 || -n "$cpu_always" ) && -n "$cpu_server" && "$requests" -gt 0 ]]; then
    srv_us=$((($(cpu_ticks $cpu_server) - srv0) * tick_us / requests))
    [[ -n "$cpu_database" ]] && db_us=$((($(cpu_ticks $cpu_database) - db0) * tick_us / requests))
  fi
  last_srv_us="$srv_us"
  printf '%-44s %10s %9s %9s %7s %9s %9s %9s\n' "$label" "$rps" "$p50" "$p99" "$errors" \
    "$requests" "$srv_us" "$db_us"
}

# Peak resident memory of a process in MB.
peak_rss() {
  awk '/^VmHWM:/ { printf "%.1f", $2 / 1024 }' "/proc/$1/status"
}

ratio() {
  awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", (b > 0 ? a / b : 0) }'
}

page=/counter/bloomzap.shtml
posting_url=/cgi-bin/bloomzap.cgi

if [[ "$mode" == sqlite || "$mode" == stores || "$mode" == all ]]; then
  start_server sqlite --data "$work/sqlite" --post-limit 0
  cpu_server="${pids[-1]}"
  run_case "sqlite: posting, no limit" "http://127.0.0.1:$port$posting_url" 1
  kill -TERM "${pids[-1]}"; wait "${pids[-1]}" || true
  # As production runs: the default limit, the players' addresses from the proxy in front.
  start_server sqlite-limited --data "$work/sqlite-limited" --trust-proxy 127.0.0.1
  cpu_server="${pids[-1]}"
  run_case "sqlite: posting, default limit" "http://127.0.0.1:$port$posting_url" 1 1
  run_case "sqlite: high-score page" "http://127.0.0.1:$port$page"
  start_nginx static ""
  mkdir -p "$work/static/www/counter"
  http_body "$port" "$page" >"$work/static/www/counter/bloomzap.shtml"
  run_case "nginx static: same page" "http://127.0.0.1:$nginx_port$page"
fi

if [[ "$mode" == postgresql || "$mode" == stores || "$mode" == all ]]; then
  eval "$(bash scripts/pg-test-cluster.sh start "$work/pg")"
  pg_stop="bash scripts/pg-test-cluster.sh stop $work/pg"
  cpu_database="$(head -1 "$work/pg/data/postmaster.pid")"
  start_server pg0 --database "$PG_URI" --post-limit 0
  cpu_server="${pids[-1]}"
  run_case "postgresql: posting, no limit" "http://127.0.0.1:$port$posting_url" 1
  kill -TERM "${pids[-1]}"; wait "${pids[-1]}" || true
  start_server pg-limited --database "$PG_URI" --trust-proxy 127.0.0.1
  cpu_server="${pids[-1]}"
  run_case "postgresql: posting, default limit" "http://127.0.0.1:$port$posting_url" 1 1
  run_case "postgresql: high-score page" "http://127.0.0.1:$port$page"
  kill -TERM "${pids[-1]}"; wait "${pids[-1]}" || true
  # Two processes behind nginx, and the kill under load, with the limit off: every posting
  # comes from nginx's one address.
  start_server pg1 --database "$PG_URI" --trust-proxy 127.0.0.1 --post-limit 0
  pg1_pid="${pids[-1]}"
  first="$port"
  start_server pg2 --database "$PG_URI" --trust-proxy 127.0.0.1 --post-limit 0
  cpu_server="$pg1_pid ${pids[-1]}"
  start_nginx proxy \
    "upstream bloomzap { server 127.0.0.1:$first; server 127.0.0.1:$port; keepalive 32; }" \
    "location /cgi-bin/ { proxy_pass http://bloomzap; proxy_next_upstream off; proxy_http_version 1.1; proxy_set_header Connection \"\"; proxy_set_header X-Real-IP \$remote_addr; }
     location = $page { proxy_pass http://bloomzap; proxy_http_version 1.1; proxy_set_header Connection \"\"; }"
  run_case "2 x postgresql behind nginx: posting" "http://127.0.0.1:$nginx_port$posting_url" 1
  run_case "2 x postgresql behind nginx: page" "http://127.0.0.1:$nginx_port$page"
  python3 bench/server_hostile.py kill "http://127.0.0.1:$nginx_port$posting_url" "$pg1_pid" \
    "bash scripts/pg-test-cluster.sh query $work/pg \"SELECT name FROM postings WHERE name LIKE 'K%'\"" \
    "$seconds"
fi

if [[ "$mode" == hostile || "$mode" == all ]]; then
  for case in slow slowbody newpeers floods downloads; do
    python3 bench/server_hostile.py "$case" "$server_bin"
  done
fi

if [[ "$mode" == tls || "$mode" == all ]]; then
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -days 2 \
    -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1 \
    -keyout "$work/tls.key" -out "$work/tls.pem" 2>/dev/null
  chmod 600 "$work/tls.key"
  start_server tls --data "$work/tls-data" --tls-cert "$work/tls.pem" --tls-key "$work/tls.key"
  run_case "bloomzap-server https: page" "https://127.0.0.1:$port$page"
  server_tls="$last_rps"
  start_server plain --data "$work/plain-data"
  run_case "bloomzap-server http: page" "http://127.0.0.1:$port$page"
  server_plain="$last_rps"
  tls_port="$(free_port)"
  start_nginx tlsstatic "" "listen 127.0.0.1:$tls_port ssl; ssl_certificate $work/tls.pem;
    ssl_certificate_key $work/tls.key; ssl_protocols TLSv1.2 TLSv1.3;"
  mkdir -p "$work/tlsstatic/www/counter"
  http_body "$port" "$page" >"$work/tlsstatic/www/counter/bloomzap.shtml"
  run_case "nginx https: same page" "https://127.0.0.1:$tls_port$page"
  nginx_tls="$last_rps"
  run_case "nginx static http: same page" "http://127.0.0.1:$nginx_port$page"
  nginx_plain="$last_rps"
  echo "page over TLS: $(ratio "$server_tls" "$nginx_tls")x nginx over TLS;" \
    "page over http: $(ratio "$server_plain" "$nginx_plain")x nginx static"
fi

if [[ "$mode" == addresses || "$mode" == all ]]; then
  for kind in one v4 v6; do
    start_server "addresses-$kind" --data "$work/addresses-$kind" --trust-proxy 127.0.0.1 \
      --ticket-limit 1000000
    BZ_ADDRESSES="$kind" LOAD_SCRIPT=bench/server_addresses.lua \
      run_case "tickets, addresses: $kind" "http://127.0.0.1:$port/bloomzap/ticket"
    eval "rps_$kind=$last_rps"
    echo "  peak RSS $(peak_rss "$server_pid") MB"
  done
  echo "new addresses against one: IPv4 $(ratio "$rps_v4" "$rps_one")x," \
    "IPv6 /64s $(ratio "$rps_v6" "$rps_one")x"
fi

if [[ "$mode" == tickets || "$mode" == all ]]; then
  start_server tickets --data "$work/tickets" --ticket-limit 1000000
  cpu_server="${pids[-1]}" cpu_always=1
  run_case "tickets: normal" "http://127.0.0.1:$port/bloomzap/ticket"
  normal_rps="$last_rps" normal_us="$last_srv_us"
  run_case "tickets: daily" "http://127.0.0.1:$port/bloomzap/dailyticket"
  echo "daily against normal tickets: $(ratio "$last_rps" "$normal_rps")x the rate," \
    "$(ratio "$last_srv_us" "$normal_us")x the processor time"
  cpu_always=""
fi

if [[ "$mode" == replay ]]; then
  start_server replay --data "$work/replay" --post-limit 0 --ticket-limit 0 \
    --ticket-key "$work/replay.key"
  "$replay_bin" --games "${REPLAY_GAMES:-40}" --port "$port" --key "$work/replay.key" \
    --clients "${REPLAY_CLIENTS:-8}" --pairs "${REPLAY_PAIRS:-400}"
fi
