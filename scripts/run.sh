#!/usr/bin/env bash
# Installs what is missing, builds the game and its score server and starts the game. When
# nothing answers on 127.0.0.1:8080 yet, the score server is started there for the game's
# online features and stopped again when the game ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh play
# A build folder of its own, without the tests: playing needs none of their packages.
build=build/play
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DBLOOMZAP_BUILD_TESTS=OFF -DBLOOMZAP_BUILD_TOOLS=OFF >/dev/null
cmake --build "$build" --target bloomzap bloomzap-server

host=127.0.0.1
port=8080
answers() { (exec 3<>"/dev/tcp/$host/$port") 2>/dev/null; }

server_pid=""
stop_server() {
  if [[ -n "$server_pid" ]]; then
    kill -TERM "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
  fi
}
trap stop_server EXIT

if ! answers; then
  data="${XDG_DATA_HOME:-$HOME/.local/share}/bloomzap-server"
  mkdir -p "$data"
  "$build/server/bloomzap-server" --listen "$host:$port" --data "$data" \
    --updates "$data/updates" 2>>"$data/server.log" &
  server_pid=$!
  for _ in $(seq 50); do
    answers && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
      echo "The score server did not start; see $data/server.log. Playing offline." >&2
      server_pid=""
      break
    fi
    sleep 0.1
  done
fi

status=0
"$build/app/bloomzap" "$@" || status=$?
exit "$status"
