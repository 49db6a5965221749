#include "update/InstallerLauncher.h"

#include "common/SiteNames.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Reports errno to the parent through the pipe and ends the child; only async-signal-safe
// calls, since the parent has threads.
[[noreturn]] void failChild(int pipe) {
    const int error = errno;
    [[maybe_unused]] const ssize_t ignored = ::write(pipe, &error, sizeof error);
    ::_exit(127);
}

} // namespace

bool InstallerLauncher::startDetached(int descriptor, const std::vector<std::string>& arguments,
                                      const Environment& environment) {
    // Everything the child needs is made before fork.
    std::vector<std::string> variables;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        bool replaced = false;
        for (const auto& [name, value] : environment) {
            replaced = replaced || variable.rfind(name + "=", 0) == 0;
        }
        if (!replaced) {
            variables.push_back(variable);
        }
    }
    for (const auto& [name, value] : environment) {
        variables.push_back(name + "=" + value);
    }
    std::vector<char*> envp;
    for (std::string& variable : variables) {
        envp.push_back(variable.data());
    }
    envp.push_back(nullptr);
    std::vector<std::string> words{std::string(site::installerName)};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);

    int report[2];
    if (::pipe2(report, O_CLOEXEC) != 0) {
        return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (child == 0) {
        ::close(report[0]);
        // Out of the game's session, so the end of the game or its terminal does not end it.
        ::setsid();
        sigset_t none;
        sigemptyset(&none);
        ::sigprocmask(SIG_SETMASK, &none, nullptr);
        // The descriptor must survive the exec: a script is read back through /dev/fd/N.
        const int flags = ::fcntl(descriptor, F_GETFD);
        if (flags < 0 || ::fcntl(descriptor, F_SETFD, flags & ~FD_CLOEXEC) != 0) {
            failChild(report[1]);
        }
        ::fexecve(descriptor, argv.data(), envp.data());
        failChild(report[1]);
    }
    ::close(report[1]);
    int error = 0;
    ssize_t got = 0;
    do {
        got = ::read(report[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(report[0]);
    if (got == 0) {
        return true; // the pipe closed on exec: the installer runs
    }
    ::waitpid(child, nullptr, 0);
    return false;
}

void InstallerLauncher::exitNow() {
    std::_Exit(0);
}
