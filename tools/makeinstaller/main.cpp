// bloomzap-makeinstaller: makes the installer of an update and its signed release statement
// for the server's updates folder, or a new signing key pair.
//
//   bloomzap-makeinstaller PROGRAM VERSION SECRET-KEY-FILE FOLDER
//   bloomzap-makeinstaller --new-key SECRET-KEY-FILE     (prints the public key)
//
// A release: make a key pair once and keep the secret file private; build the program with
// -DBLOOMZAP_UPDATE_PUBLIC_KEY=<the printed key>; make the installer of the new build, with
// the version its About window shows, into the server's updates folder, and publish exactly
// that version (bloomzap-server --updates FOLDER --version-text VERSION).

#include "update/InstallerMaker.h"

#include <cstdio>
#include <exception>
#include <string>

namespace {

int usage() {
    std::fputs("usage: bloomzap-makeinstaller PROGRAM VERSION SECRET-KEY-FILE FOLDER\n"
               "       bloomzap-makeinstaller --new-key SECRET-KEY-FILE\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    try {
        if (argc == 3 && std::string(argv[1]) == "--new-key") {
            const auto [publicKey, secretKey] = InstallerSignature::generateKeys();
            InstallerMaker::writeFile(
                argv[2], InstallerSignature::toHex(secretKey.data(), secretKey.size()) + "\n");
            std::printf("%s\n",
                        InstallerSignature::toHex(publicKey.data(), publicKey.size()).c_str());
            return 0;
        }
        if (argc != 5) {
            return usage();
        }
        const auto key = InstallerSignature::secretKeyFromHex(InstallerMaker::readFile(argv[3]));
        if (!key) {
            std::fprintf(stderr, "bloomzap-makeinstaller: %s holds no secret key\n", argv[3]);
            return 1;
        }
        InstallerMaker::make(argv[1], argv[2], *key, argv[4]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "bloomzap-makeinstaller: %s\n", error.what());
        return 1;
    }
}
