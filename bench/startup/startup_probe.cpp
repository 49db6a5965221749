// Starts one program and reports how long it took to map its first top-level window on the X
// display, how much processor time all its threads had used by then, and how much memory it holds
// a while later: "<milliseconds> <rss-kilobytes> <cpu-milliseconds>". The processor time hardly
// depends on what else the machine runs, so it compares builds on a busy machine. With --smaps it
// also copies the program's /proc/PID/smaps of that moment to FILE (bench/startup_memory.sh).
//   startup_probe [--smaps FILE] SETTLE-SECONDS PROGRAM [ARGUMENT...]
// Run it without a window manager (Xvfb alone), so the program's own map request is what the
// root window reports.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <fcntl.h>
#include <sys/select.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <string>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// The process id a window's owner put in _NET_WM_PID, or -1.
long windowPid(Display* display, Window window) {
    Atom pidAtom = XInternAtom(display, "_NET_WM_PID", True);
    if (pidAtom == None)
        return -1;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(display, window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                           &count, &after, &data) == Success &&
        data && count == 1 && format == 32)
        pid = static_cast<long>(*reinterpret_cast<unsigned long*>(data));
    if (data)
        XFree(data);
    return pid;
}

long rssKilobytes(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Processor time of all threads of the process so far, from the scheduler's own accounting.
double cpuMilliseconds(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (!dir)
        return -1;
    double nanoseconds = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream schedstat(tasks + "/" + entry->d_name + "/schedstat");
        double onCpu = 0;
        if (schedstat >> onCpu)
            nanoseconds += onCpu;
    }
    closedir(dir);
    return nanoseconds / 1e6;
}

// Copies the process's memory map with each mapping's resident size.
void copySmaps(pid_t pid, const char* file) {
    std::ifstream smaps("/proc/" + std::to_string(pid) + "/smaps");
    std::ofstream copy(file);
    copy << smaps.rdbuf();
}

} // namespace

int main(int argc, char* argv[]) {
    const char* self = argv[0];
    const char* smapsFile = nullptr;
    if (argc >= 3 && std::string(argv[1]) == "--smaps") {
        smapsFile = argv[2];
        argc -= 2;
        argv += 2;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s [--smaps FILE] SETTLE-SECONDS PROGRAM [ARGUMENT...]\n",
                     self);
        return 2;
    }
    const int settleSeconds = std::atoi(argv[1]);
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "startup_probe: no X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, False);

    const Clock::time_point started = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        // The program's own chatter (audio back-end, runtime folder) would drown the figures.
        if (const int quiet = open("/dev/null", O_WRONLY); quiet >= 0) {
            dup2(quiet, STDOUT_FILENO);
            dup2(quiet, STDERR_FILENO);
        }
        execv(argv[2], argv + 2);
        std::perror("startup_probe: exec");
        _exit(127);
    }

    const int fd = ConnectionNumber(display);
    const Clock::time_point deadline = started + std::chrono::seconds(30);
    double mappedMs = -1;
    double cpuMs = -1;
    while (mappedMs < 0 && Clock::now() < deadline) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type != MapNotify || event.xmap.override_redirect)
                continue;
            // The owner sets its pid before mapping; a window of another client is ignored.
            if (windowPid(display, event.xmap.window) != child)
                continue;
            mappedMs = std::chrono::duration<double, std::milli>(Clock::now() - started).count();
            cpuMs = cpuMilliseconds(child);
            break;
        }
        if (mappedMs >= 0)
            break;
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(fd, &readable);
        timeval wait{0, 100000};
        select(fd + 1, &readable, nullptr, nullptr, &wait);
        int status = 0;
        if (waitpid(child, &status, WNOHANG) == child) {
            std::fprintf(stderr, "startup_probe: %s ended before showing a window\n", argv[2]);
            return 1;
        }
    }
    if (mappedMs < 0) {
        std::fprintf(stderr, "startup_probe: %s showed no window in 30 s\n", argv[2]);
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        return 1;
    }
    std::this_thread::sleep_for(std::chrono::seconds(settleSeconds));
    const long rss = rssKilobytes(child);
    if (smapsFile)
        copySmaps(child, smapsFile);
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(display);
    std::printf("%.1f %ld %.1f\n", mappedMs, rss, cpuMs);
    return 0;
}
