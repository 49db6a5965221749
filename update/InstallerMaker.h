#pragma once

// Makes the installer of an update: a POSIX shell script carrying the new program after its
// text, and the signed release statement of it (product, version, size, SHA-256).
//
// The script accepts "/SP- /silent /noicons", waits until the old program has ended (the
// process named by BLOOMZAP_UPDATE_PID, else any process running the backup file), then puts
// the program it carries in the place of BLOOMZAP_UPDATE_TARGET (default: "bloomzap" in the
// script's folder) with its run bit. The backup file (".BAK") is left as it is on success; on
// any failure it is put back under the program's name and the reason is appended as one line
// to "bzpsetup.log" beside the program.

#include "update/InstallerSignature.h"
#include "update/ReleaseStatement.h"

#include <filesystem>
#include <string>
#include <string_view>

class InstallerMaker {
public:
    // How long the script waits for the old program, in tenths of a second.
    static constexpr int waitTenths = 600;

    // The installer's bytes: the script, then the program.
    static std::string installer(std::string_view program);

    // Writes site::installerName and its statement site::statementName for release `version` into
    // folder (made when missing) for the program file. Throws std::runtime_error with the reason
    // when a file cannot be read or written, std::invalid_argument when version is not decimal
    // numbers with dots.
    static void make(const std::filesystem::path& program, const std::string& version,
                     const UpdateSecretKey& key, const std::filesystem::path& folder);

    static std::string readFile(const std::filesystem::path& file);
    static void writeFile(const std::filesystem::path& file, std::string_view bytes);
};
