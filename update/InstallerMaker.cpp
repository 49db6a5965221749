#include "update/InstallerMaker.h"

#include "common/SiteNames.h"

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// @OFFSET@: where the program begins (the script's length); @SIZE@: its length; @WAIT@: how
// many tenths of a second to wait for the old program.
constexpr std::string_view scriptTemplate = R"sh(#!/bin/sh
# Bloomzap installer: puts the program carried at the end of this file in the place of the
# old one, once the old program has ended. Options /SP- /silent /noicons are accepted. The
# game starts it from the descriptor it checked, so "$0" reads back exactly those bytes.
set -u
offset=@OFFSET@
size=@SIZE@
self=$0
for option in "$@"; do
    case $option in
    /SP-|/silent|/SILENT|/noicons|/NOICONS) ;;
    *) echo "bzpsetup: unknown option $option" >&2; exit 2 ;;
    esac
done
if [ -n "${BLOOMZAP_UPDATE_TARGET:-}" ]; then
    target=$BLOOMZAP_UPDATE_TARGET
else
    case $self in
    /dev/fd/*|/proc/*) echo "bzpsetup: BLOOMZAP_UPDATE_TARGET names no program" >&2; exit 2 ;;
    esac
    target=$(cd "$(dirname "$self")" && pwd -P)/bloomzap || exit 1
fi
case $target in /*) ;; *) target=$(pwd -P)/$target ;; esac
folder=${target%/*}
name=${target##*/}
case $name in
?*.*) backup=${target%.*}.BAK ;;
*) backup=$target.BAK ;;
esac
log=$folder/bzpsetup.log
# The old program runs from the backup file: it is gone when no process (or not the one the
# updater named) runs that file any more.
running() {
    if [ -n "${BLOOMZAP_UPDATE_PID:-}" ]; then
        [ "$(readlink "/proc/$BLOOMZAP_UPDATE_PID/exe" 2>/dev/null)" = "$backup" ]
        return
    fi
    for exe in /proc/[0-9]*/exe; do
        [ "$(readlink "$exe" 2>/dev/null)" = "$backup" ] && return 0
    done
    return 1
}
# Something went wrong once the game had ended: the old program gets its name back, and the
# reason is left in one line beside it.
fail() {
    [ -n "${new:-}" ] && rm -f "$new"
    restored="the old program was put back"
    if [ ! -e "$target" ] && [ -e "$backup" ]; then
        mv -f "$backup" "$target" || restored="the old program could not be put back from $backup"
    fi
    echo "$(date '+%Y-%m-%d %H:%M:%S') bzpsetup: $1; $restored" >>"$log"
    exit 1
}
tries=0
while running && [ "$tries" -lt @WAIT@ ]; do
    sleep 0.1
    tries=$((tries + 1))
done
# Unpacked beside the target, so that the last step is a rename within one folder.
new=$(mktemp "$folder/.bzpsetup.XXXXXX") || fail "cannot create a file in $folder"
tail -c "+$((offset + 1))" "$self" >"$new" || fail "cannot unpack the new program (no room?)"
[ "$(wc -c <"$new")" -eq "$size" ] || fail "the unpacked program is incomplete (no room?)"
chmod 755 "$new" || fail "cannot make the new program runnable"
mv -f "$new" "$target" || fail "cannot put the new program in place"
exit 0
)sh";

std::string replaced(std::string text, std::string_view mark, const std::string& value) {
    for (auto at = text.find(mark); at != std::string::npos; at = text.find(mark, at)) {
        text.replace(at, mark.size(), value);
        at += value.size();
    }
    return text;
}

} // namespace

std::string InstallerMaker::installer(std::string_view program) {
    std::string script =
        replaced(std::string(scriptTemplate), "@SIZE@", std::to_string(program.size()));
    script = replaced(script, "@WAIT@", std::to_string(waitTenths));
    // The offset is the script's own length, which depends on how many digits it has.
    std::size_t offset = script.size();
    std::string filled = replaced(script, "@OFFSET@", std::to_string(offset));
    while (filled.size() != offset) {
        offset = filled.size();
        filled = replaced(script, "@OFFSET@", std::to_string(offset));
    }
    return filled + std::string(program);
}

std::string InstallerMaker::readFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("Cannot read " + file.string());
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) {
        throw std::runtime_error("Cannot read " + file.string());
    }
    return bytes;
}

void InstallerMaker::writeFile(const fs::path& file, std::string_view bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        throw std::runtime_error("Cannot write " + file.string());
    }
}

void InstallerMaker::make(const fs::path& program, const std::string& version,
                          const UpdateSecretKey& key, const fs::path& folder) {
    const std::string bytes = installer(readFile(program));
    // Checked before anything is written, so a bad version leaves the folder as it was.
    const std::string statement = ReleaseStatementText::write(
        {std::string(site::productWord), version, bytes.size(), Sha256Stream::of(bytes)}, key);
    std::error_code error;
    fs::create_directories(folder, error);
    if (error) {
        throw std::runtime_error("Cannot make the folder " + folder.string() + ": " +
                                 error.message());
    }
    // Each file is written aside and renamed into place, so a server publishing the folder
    // never serves half a file.
    const auto publish = [&](std::string_view name, const std::string& content, bool runnable) {
        const fs::path aside = folder / std::string(".").append(name).append(".new");
        writeFile(aside, content);
        if (runnable) {
            fs::permissions(aside, fs::perms::owner_exec | fs::perms::group_exec,
                            fs::perm_options::add, error);
        }
        fs::rename(aside, folder / name, error);
        if (error) {
            fs::remove(aside);
            throw std::runtime_error("Cannot write " + (folder / name).string() + ": " +
                                     error.message());
        }
    };
    publish(site::installerName, bytes, true);
    publish(site::statementName, statement, false);
}
