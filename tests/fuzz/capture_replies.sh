#!/usr/bin/env bash
# Captures the replies bloomzap-server gives (the posting, a refusal, the high-score page, the
# version text, a missing page) as seeds of the reply fuzz targets, plus the high-score page
# sent chunked. Usage: tests/fuzz/capture_replies.sh <bloomzap-server program>
set -euo pipefail
cd "$(dirname "$0")"
server="$(realpath "$1")"
data="$(mktemp -d)"
port=18928
"$server" --listen "127.0.0.1:$port" --data "$data" --threads 2 2>/dev/null &
pid=$!
trap 'kill "$pid"; wait "$pid" || true; rm -rf "$data"' EXIT
base="http://127.0.0.1:$port"
for _ in $(seq 50); do curl -s -o /dev/null "$base/" && break; sleep 0.1; done

get() { curl -s --raw -i --http1.0 -A "Bloomzap HTTPGet" "$base/$1"; }
# The reply reader's seeds begin with two option bytes, the whole fetch's with one.
save() {
  printf '\0\7' >"corpus/fetchreply_fuzz/$1"
  cat "$2" >>"corpus/fetchreply_fuzz/$1"
  printf '\0' >"corpus/httpfetch_fuzz/$1"
  cat "$2" >>"corpus/httpfetch_fuzz/$1"
}
tmp="$data/reply"
get "cgi-bin/bloomzap.cgi?name=Bob&date=1/5/07&score=950" >"$tmp" && save posted "$tmp"
get "cgi-bin/bloomzap.cgi?name=Bob&date=1/5/07" >"$tmp" && save refused "$tmp"
get "counter/bloomzap.shtml" >"$tmp" && save highscores "$tmp"
get "bloomzap/bloomzapversion.txt" >"$tmp" && save version "$tmp"
get "nothing" >"$tmp" && save notfound "$tmp"

python3 - <<'PY'
raw = open('corpus/httpfetch_fuzz/highscores', 'rb').read()[1:]
head, body = raw.split(b'\r\n\r\n', 1)
lines = [l for l in head.split(b'\r\n') if not l.lower().startswith(b'content-length')]
out = b'\0' + b'\r\n'.join(lines) + b'\r\nTransfer-Encoding: chunked\r\n\r\n'
i = 0
for n in [1025, 7, 1024, 9999]:
    part = body[i:i + n]
    i += len(part)
    if part:
        out += b'%x\r\n' % len(part) + part + b'\r\n'
open('corpus/httpfetch_fuzz/highscores-chunked', 'wb').write(out + b'0\r\n\r\n')
version = open('corpus/httpfetch_fuzz/version', 'rb').read()[1:]
interim = b'HTTP/1.1 100 Continue\r\n\r\n'
open('corpus/httpfetch_fuzz/version-interim-http10', 'wb').write(
    b'\1' + interim + version.replace(b'HTTP/1.1', b'HTTP/1.0', 1))
open('corpus/fetchreply_fuzz/version-binary-interim', 'wb').write(b'\1\7' + interim + version)
PY
