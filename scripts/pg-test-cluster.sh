#!/usr/bin/env bash
# A throwaway PostgreSQL cluster in a folder, reachable only through a Unix socket in that folder.
#
#   scripts/pg-test-cluster.sh start DIR    make (first time) and start; prints PG_URI=… lines
#   scripts/pg-test-cluster.sh stop DIR     fast shutdown
#   scripts/pg-test-cluster.sh kill DIR     immediate shutdown, as after a crash
#   scripts/pg-test-cluster.sh query DIR SQL   runs SQL on the bloomzap database, rows as text
#
# The server runs as an unprivileged user (nobody when started by root). Exit status 3: the
# PostgreSQL programs are not installed.
set -euo pipefail

command="${1:?start, stop or kill}"
dir="$(realpath -m "${2:?cluster folder}")"
bin="${PG_BIN:-}"
if [[ -z "$bin" ]]; then
  bin="$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1 || true)"
fi
if [[ ! -x "$bin/initdb" || ! -x "$bin/pg_ctl" ]]; then
  echo "PostgreSQL server programs not found (Debian package postgresql)" >&2
  exit 3
fi

as_owner() {
  if [[ "$(id -u)" == 0 ]]; then
    runuser -u nobody -- "$@"
  else
    "$@"
  fi
}

case "$command" in
start)
  if [[ ! -f "$dir/data/PG_VERSION" ]]; then
    mkdir -p "$dir"
    chmod 755 "$dir"
    mkdir -p "$dir/data" "$dir/sock"
    [[ "$(id -u)" == 0 ]] && chown nobody "$dir/data" "$dir/sock"
    as_owner "$bin/initdb" -D "$dir/data" -U bloomzap --auth=trust --encoding=UTF8 \
      --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 || { cat "$dir/initdb.log" >&2; exit 1; }
  fi
  # No TCP at all; fsync stays on unless PG_FSYNC=off is given (tests may not need it).
  as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/data/server.log" -w -t 30 \
    -o "-c listen_addresses='' -k $dir/sock -c fsync=${PG_FSYNC:-on} -c max_connections=200" \
    start >/dev/null || { cat "$dir/data/server.log" >&2; exit 1; }
  if ! "$bin/psql" -h "$dir/sock" -U bloomzap -d postgres -tAc \
    "SELECT 1 FROM pg_database WHERE datname = 'bloomzap'" | grep -q 1; then
    "$bin/createdb" -h "$dir/sock" -U bloomzap bloomzap
  fi
  echo "PG_URI='postgresql://bloomzap@/bloomzap?host=$dir/sock'"
  echo "PG_ADMIN_URI='postgresql://bloomzap@/postgres?host=$dir/sock'"
  ;;
stop | kill)
  mode=fast
  [[ "$command" == kill ]] && mode=immediate
  if [[ -f "$dir/data/postmaster.pid" ]]; then
    as_owner "$bin/pg_ctl" -D "$dir/data" -m "$mode" -w stop >/dev/null
  fi
  ;;
query)
  "$bin/psql" -h "$dir/sock" -U bloomzap -d bloomzap -tAX -v ON_ERROR_STOP=1 -c "${3:?SQL}"
  ;;
*)
  echo "unknown command $command" >&2
  exit 2
  ;;
esac
