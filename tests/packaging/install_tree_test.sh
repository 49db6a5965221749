#!/usr/bin/env bash
# Covers the installed tree: each component installed into a temporary root of its own, the files
# each one holds, the desktop entry and AppStream checks, and the programs running from the
# installed tree without the build folder and without writing into it.
#   install_tree_test.sh BUILD_DIR PREFIX GAMEDIR BINDIR SYSCONFDIR APP_ID LIBDIR
set -euo pipefail
build=$1 prefix=$2 gamedir=$3 bindir=$4 sysconfdir=$5 id=$6 libdir=$7
source_root=$(cd "$(dirname "$0")/../.." && pwd)

work=$(mktemp -d)
server_pid=
game_pid=
cleanup() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
    chmod -R u+w "$work" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# Each component into a root of its own, the way the packages are made: DESTDIR in front of
# the configured prefix, so absolute destinations (/etc) stay inside the temporary root too.
for component in game lzrw1 server; do
    DESTDIR="$work/$component" cmake --install "$build" --component "$component" >/dev/null
done
game=$work/game$prefix
tool=$work/lzrw1$prefix
server=$work/server$prefix

# --- which files each component holds ---------------------------------------------------------
game_files=(
    "$gamedir/bloomzap" "$libdir/bloomzap/libbloomzap_audio.so"
    "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
    "share/icons/hicolor/scalable/apps/$id.svg"
    share/man/man6/bloomzap.6
)
tool_files=("$bindir/lzrw1" share/man/man1/lzrw1.1)
for size in 16 22 24 32 48 64 128 256 512; do
    game_files+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
server_files=(
    "$bindir/bloomzap-server" lib/systemd/system/bloomzap-server.service
    lib/systemd/system/bloomzap-server@.service
    share/man/man8/bloomzap-server.8
)
check_tree() { # root expected-file...
    local root=$1 expected actual
    shift
    expected=$(printf '%s\n' "$@" | sort)
    actual=$(cd "$root" && find . -type f | sed 's|^\./||' | sort)
    [ "$expected" = "$actual" ] || fail "files under $root differ:"$'\n'"$(diff <(echo "$expected") <(echo "$actual"))"
}
check_tree "$game" "${game_files[@]}"
check_tree "$tool" "${tool_files[@]}"
# The service's options file lies in /etc for a /usr prefix, inside the prefix otherwise.
# So do the per-port processes' options, without which their template unit does not start.
for defaults in bloomzap-server bloomzap-server-cluster; do
    [ -f "$work/server$sysconfdir/default/$defaults" ] || fail "no $sysconfdir/default/$defaults"
    case "$sysconfdir" in
    "$prefix"/*) server_files+=("${sysconfdir#"$prefix"/}/default/$defaults") ;;
    esac
done
defaults=$work/server$sysconfdir/default/bloomzap-server
check_tree "$server" "${server_files[@]}"

for program in "$game/$gamedir/bloomzap" "$tool/$bindir/lzrw1" "$server/$bindir/bloomzap-server"; do
    [ -x "$program" ] || fail "$program is not executable"
    if readelf -d "$program" | grep -E 'RPATH|RUNPATH' | grep -qF "$build"; then
        fail "$program still looks into the build folder"
    fi
done

# The installed game looks for its audio module in the installed folder and nowhere else.
runpath=$(readelf -d "$game/$gamedir/bloomzap" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]$/\1/p')
[ "$runpath" = "$prefix/$libdir/bloomzap" ] || fail "the installed game searches '$runpath'"

# --- desktop entry, AppStream, icons and manual pages -----------------------------------------
desktop-file-validate "$game/share/applications/$id.desktop" || fail "desktop-file-validate"
# Pedantic hints (an upper-case letter in the component id, say) count as failures too.
appstreamcli validate --no-net --pedantic "$game/share/metainfo/$id.metainfo.xml" >"$work/appstream.log" &&
    ! grep -q '^P:' "$work/appstream.log" || fail "appstreamcli validate: $(cat "$work/appstream.log")"
# The Debian packages' copyright file carries the project's licence: the holder and every line
# of its terms.
holder=$(sed -n 's/^Copyright (c) //p' "$source_root/LICENSE")
[ -n "$holder" ] || fail "LICENSE names no copyright holder"
copyright=$source_root/debian/copyright
grep -qxF "Copyright: $holder" "$copyright" || fail "$copyright names another holder"
grep -qx "License: Expat" "$copyright" || fail "$copyright names another licence"
sed -n '/^Permission is hereby granted/,$p' "$source_root/LICENSE" | sed 's/^$/./; s/^/ /' >"$work/terms"
[ "$(tail -n "$(wc -l <"$work/terms")" "$copyright")" = "$(cat "$work/terms")" ] ||
    fail "$copyright does not end with the terms of LICENSE"
# Software centres search the AppStream keywords: they hold every keyword of the desktop entry.
metainfo=$game/share/metainfo/$id.metainfo.xml
IFS=';' read -r -a keywords < <(sed -n 's/^Keywords=//p' "$game/share/applications/$id.desktop")
[ ${#keywords[@]} -gt 0 ] || fail "the desktop entry has no keywords"
for keyword in "${keywords[@]}"; do
    grep -qF "<keyword>$keyword</keyword>" "$metainfo" || fail "AppStream lacks the keyword $keyword"
done
# Every address the metadata names starts with one the configuration gave; none is made up.
mapfile -t configured < <(sed -n 's/^BLOOMZAP_[A-Z_]*_URL:STRING=\(..*\)/\1/p' "$build/CMakeCache.txt")
while read -r address; do
    given=0
    for base in "${configured[@]}"; do
        if [ "${address#"$base"}" != "$address" ]; then
            given=1
        fi
    done
    [ "$given" = 1 ] || fail "AppStream names $address, which no setting gave"
done < <(grep -oE '<(url|image)[^>]*>[^<]+' "$metainfo" | sed 's/.*>//')
grep -q "<project_license>MIT</project_license>" "$game/share/metainfo/$id.metainfo.xml" ||
    fail "the AppStream metadata names no MIT licence"
grep -qx "Icon=$id" "$game/share/applications/$id.desktop" || fail "the desktop entry names another icon"
grep -qx "Exec=bloomzap" "$game/share/applications/$id.desktop" || fail "the desktop entry runs another program"
for size in 16 22 24 32 48 64 128 256 512; do
    file "$game/share/icons/hicolor/${size}x${size}/apps/$id.png" | grep -q "PNG image data, $size x $size," ||
        fail "icon in ${size}x$size is not a $size-pixel PNG"
done
grep -q '<svg ' "$game/share/icons/hicolor/scalable/apps/$id.svg" || fail "the scalable icon is no SVG"

for page in "$game"/share/man/man*/* "$tool"/share/man/man*/* "$server"/share/man/man*/*; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l -Tutf8 "$page" 2>&1 >/dev/null) || fail "man $page"
    [ -z "$warnings" ] || fail "man $page warns: $warnings"
done

# The game's page names every key the game window binds, and the server's page every option
# the server's usage lists.
while read -r key; do
    grep -qwF "$key" "$game/share/man/man6/bloomzap.6" || fail "bloomzap(6) does not name the key $key"
done < <(grep -ho 'QKeySequence(Qt::[^)]*)' "$source_root"/app/*.cpp |
    sed 's/.*QKeySequence(//; s/)$//; s/Qt::CTRL *| */Ctrl+/; s/Qt::Key_//')
usage_options=$("$server/$bindir/bloomzap-server" --help 2>&1 | grep -oE -- '--[a-z][a-z-]+' | sort -u)
[ -n "$usage_options" ] || fail "the server's usage lists no options"
# Read once: "sed | grep -q" under pipefail fails at random when grep stops reading early.
server_page=$(sed 's/\\-/-/g' "$server/share/man/man8/bloomzap-server.8")
for option in $usage_options; do
    grep -qF -- "$option" <<<"$server_page" ||
        fail "bloomzap-server(8) does not describe $option"
done

# --- the service's files agree with the installed program -------------------------------------
unit=$server/lib/systemd/system/bloomzap-server.service
grep -qx "ExecStart=$prefix/bin/bloomzap-server \$BLOOMZAP_SERVER_OPTS" "$unit" || fail "ExecStart in $unit"
grep -qx "EnvironmentFile=-$sysconfdir/default/bloomzap-server" "$unit" || fail "EnvironmentFile in $unit"
template=$server/lib/systemd/system/bloomzap-server@.service
grep -qx "ExecStart=$prefix/bin/bloomzap-server --listen 127.0.0.1:%i \$BLOOMZAP_SERVER_OPTS" "$template" ||
    fail "ExecStart in $template"
grep -qx "EnvironmentFile=$sysconfdir/default/bloomzap-server-cluster" "$template" ||
    fail "EnvironmentFile in $template"
# Both units run in the one sandbox.
while read -r line; do
    for u in "$unit" "$template"; do
        grep -qxF "$line" "$u" || fail "$u lacks the sandbox line $line"
    done
done < <(grep -v '^#' "$source_root/packaging/server/sandbox.conf")
for script in "$source_root"/debian/*.postinst "$source_root"/debian/*.postrm; do
    sh -n "$script" || fail "$script does not parse"
done

# --- the programs run from the installed tree, which they cannot write to ----------------------
chmod -R a-w "$work/game" "$work/lzrw1" "$work/server"
beside_before=$(ls "$game/$gamedir")

printf 'Bloomzap tally text\n%.0s' {1..50} >"$work/plain.txt"
"$tool/$bindir/lzrw1" c "$work/plain.txt" "$work/packed.tld" >/dev/null &&
    "$tool/$bindir/lzrw1" d "$work/packed.tld" "$work/unpacked.txt" >/dev/null &&
    cmp -s "$work/plain.txt" "$work/unpacked.txt" || fail "installed lzrw1 does not round-trip a file"

# Asking a program for its usage or version works without a display, and is a success.
no_display=(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM)
version=$(sed -n 's/^project(Bloomzap VERSION \([0-9.]*\).*/\1/p' "$source_root/CMakeLists.txt")
[ "$("${no_display[@]}" "$game/$gamedir/bloomzap" --version 2>&1)" = "bloomzap $version" ] ||
    fail "bloomzap --version without a display"
"${no_display[@]}" "$game/$gamedir/bloomzap" --help 2>&1 | grep -q '^usage: bloomzap' ||
    fail "bloomzap --help without a display"
"$tool/$bindir/lzrw1" --help | grep -q '^usage: lzrw1' || fail "lzrw1 --help"

# The shipped service options, with the data folder moved into the temporary folder and any free
# port, start the installed server, which ends cleanly on SIGTERM.
# shellcheck disable=SC1090
BLOOMZAP_SERVER_OPTS=$(. "$defaults" && echo "$BLOOMZAP_SERVER_OPTS")
read -r -a options <<<"${BLOOMZAP_SERVER_OPTS//\/var\/lib\/bloomzap-server/$work/state}"
mkdir -p "$work/state/updates"
"$server/$bindir/bloomzap-server" "${options[@]}" --listen 127.0.0.1:0 2>"$work/server.log" &
server_pid=$!
for _ in $(seq 100); do
    grep -q "serving http://127.0.0.1:" "$work/server.log" && break
    sleep 0.1
done
grep -q "serving http://127.0.0.1:" "$work/server.log" || fail "server with the shipped options: $(cat "$work/server.log")"
kill -TERM "$server_pid"
wait "$server_pid" || fail "server did not stop cleanly: $(cat "$work/server.log")"
server_pid=
[ -f "$work/state/postings.sqlite3" ] || fail "server kept no database in its data folder"

# The game, started as a player who cannot write to the program's folder (root can write
# anywhere, so root plays as nobody), makes its folders under the player's home and writes
# nothing beside the program.
home=$work/home
mkdir -p "$home/run" "$home/tmp"
chmod 700 "$home/run"
run_as=()
if [ "$(id -u)" = 0 ]; then
    chmod 755 "$work"
    chown -R nobody "$home"
    run_as=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
fi
HOME=$home XDG_CONFIG_HOME=$home/.config XDG_DATA_HOME=$home/.local/share \
    XDG_RUNTIME_DIR=$home/run TMPDIR=$home/tmp QT_QPA_PLATFORM=offscreen \
    "${run_as[@]}" "$game/$gamedir/bloomzap" >"$work/game.log" 2>&1 &
game_pid=$!
for _ in $(seq 200); do
    [ -d "$home/.config/Bloomzap" ] && [ -d "$home/.local/share/Bloomzap" ] && break
    kill -0 "$game_pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$game_pid" 2>/dev/null || fail "installed game ended early: $(cat "$work/game.log")"
[ -d "$home/.config/Bloomzap" ] || fail "game made no settings folder under the player's home"
[ -d "$home/.local/share/Bloomzap" ] || fail "game made no data folder under the player's home"
kill "$game_pid"
wait "$game_pid" 2>/dev/null || true
game_pid=
# A killed game leaves its System V lock behind; remove it by the key Qt derives from the key
# file (ftok with 'Q'), so runs of this test leave nothing in the kernel.
for keyfile in "$home"/tmp/qipc_*; do
    [ -e "$keyfile" ] || continue
    read -r device inode < <(stat -c '%d %i' "$keyfile")
    ipcrm -S $(((0x51 << 24) | ((device & 0xff) << 16) | (inode & 0xffff))) 2>/dev/null || true
done
[ "$(ls "$game/$gamedir")" = "$beside_before" ] || fail "the game wrote beside the program"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "installed tree checked"
