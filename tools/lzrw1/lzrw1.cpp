// lzrw1: packs and unpacks files in the game's compressed container, for example to look inside
// the tally file.
#include "tally/LZRW1.h"
#include "common/Version.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* usageText = "usage: lzrw1 c [--mode fast|good|auto] IN OUT\n"
                                  "       lzrw1 d IN OUT\n"
                                  "       lzrw1 advise IN\n"
                                  "       lzrw1 --help | --version\n";

// A command line it cannot follow: the usage on standard error, and a failure.
int usage() {
    std::fputs(usageText, stderr);
    return 1;
}

// Asked for: the usage with what each command does, on standard output, and success.
int help() {
    std::fputs(usageText, stdout);
    std::fputs("\n"
               "Packs and unpacks the container of the game's tally file.\n"
               "  c       pack IN into OUT (fast: the game's own method; good: smaller;\n"
               "          auto: the one that suits IN)\n"
               "  d       unpack IN into OUT\n"
               "  advise  say which method suits IN, and why\n"
               "See lzrw1(1).\n",
               stdout);
    return 0;
}

bool parseMode(const std::string& text, TCompressMode& mode) {
    if (text == "fast") {
        mode = TCompressMode::Fast;
    } else if (text == "good") {
        mode = TCompressMode::Good;
    } else if (text == "auto") {
        mode = TCompressMode::Auto;
    } else {
        return false;
    }
    return true;
}

// Runs Compress or Decompress from files[0] into files[1] and reports the bytes written.
int transfer(Tlzrw1& lzrw, const std::vector<std::string>& files,
             std::int64_t (Tlzrw1::*operation)()) {
    if (files.size() != 2) {
        return usage();
    }
    lzrw.InputFile = files[0];
    lzrw.OutputFile = files[1];
    const long long written = (lzrw.*operation)();
    std::printf("%s -> %s : %lld bytes\n", files[0].c_str(), files[1].c_str(), written);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        return usage();
    }
    const std::string command = args[0];
    args.erase(args.begin());
    if (command == "--help" || command == "-h") {
        return help();
    }
    if (command == "--version") {
        std::printf("lzrw1 (Bloomzap) %s\n", std::string(site::programVersion).c_str());
        return 0;
    }

    Tlzrw1 lzrw;
    try {
        if (command == "c") {
            // Fast is what the game writes, so it is the default here too.
            TCompressMode mode = TCompressMode::Fast;
            if (args.size() >= 2 && args[0] == "--mode") {
                if (!parseMode(args[1], mode)) {
                    return usage();
                }
                args.erase(args.begin(), args.begin() + 2);
            } else if (!args.empty() && args[0].rfind("--mode=", 0) == 0) {
                if (!parseMode(args[0].substr(7), mode)) {
                    return usage();
                }
                args.erase(args.begin());
            }
            lzrw.CompressMode = mode;
            return transfer(lzrw, args, &Tlzrw1::Compress);
        } else if (command == "d") {
            return transfer(lzrw, args, &Tlzrw1::Decompress);
        } else if (command == "advise") {
            if (args.size() != 1) {
                return usage();
            }
            lzrw.InputFile = args[0];
            const TCompressMode mode = lzrw.Advise();
            std::printf("%s\n%s\n", mode == TCompressMode::Fast ? "fast" : "good",
                        lzrw.caption().c_str());
        } else {
            return usage();
        }
    } catch (const ELzrw1Exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
