// bloomzap: the program entry. Answers --help and --version without a display; otherwise builds
// the windows in their order, then runs the event loop.

#include "app/GameProgram.h"
#include "app/GameTranslations.h"
#include "common/Version.h"
#include "update/UpdateKey.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

// The answer to --help or --version, printed before Qt looks for a display; false for any other
// command line, which Qt's own options (-platform, -style …) pass through as before.
bool answeredCommandLine(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("bloomzap %.*s\n", static_cast<int>(site::programVersion.size()),
                        site::programVersion.data());
            return true;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs("usage: bloomzap [--help | --version] [Qt options]\n"
                       "A falling-lines flower puzzle: click a group of two or more flowers\n"
                       "of one colour to clear it before the lines fill the field.\n"
                       "  --help     print this help and exit\n"
                       "  --version  print the version and exit\n"
                       "Qt's options, such as -platform or -style, are passed on to Qt.\n"
                       "Settings, tally, keys and what the game sends: see bloomzap(6).\n",
                       stdout);
            return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    if (answeredCommandLine(argc, argv)) {
        return 0;
    }
    QApplication application(argc, argv);
    installGameTranslations(application);
    GameProgram::setUpApplication();
    GameProgram program(updatePublicKey());
    return program.exec();
}
