// How long the high-score window's viewer keeps the UI thread busy with a hostile page: serves
// one generated page on 127.0.0.1 to the real window, lets it load and draw it, and prints the
// longest gap between ticks of a 2 ms UI-thread timer. A page that keeps the thread busy longer
// than the give-up time is reported as such and the program ends there.
//   viewer_stalls [PAGE [GIVE-UP-SECONDS]]      (no PAGE: lists the pages)

#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/highscoreform.h"
#include "widgets/FontSubstitutes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>

namespace {

std::string repeated(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i)
        out += piece;
    return out;
}

std::string tableOf(std::size_t bytes) {
    std::string out = "<table border=1>";
    for (int row = 1; out.size() < bytes; ++row)
        out += "<tr><td>" + std::to_string(row) + "</td><td>Player " + std::to_string(row) +
               "</td><td>1/5/07</td><td>" + std::to_string(100000 - row) + "</td></tr>\n";
    return out + "</table>";
}

std::string nestedTables(std::size_t depth) {
    return repeated("<table><tr><td>", depth) + "deep" + repeated("</td></tr></table>", depth);
}

// Much like the page the score server makes for its hundred best.
std::string topHundred() {
    std::string out = "<html><body bgcolor=\"#484848\"><center><font color=\"#FFFFC6\" "
                      "size=\"5\"><b>Bloomzap High Scores</b></font></center><table "
                      "align=\"center\" width=\"90%\" cellpadding=\"4\"><tr bgcolor=\"#800000\">"
                      "<th>Rank</th><th>Name</th><th>Date</th><th>Score</th></tr>\n";
    for (int rank = 1; rank <= 100; ++rank)
        out += "<tr bgcolor=\"" + std::string(rank % 2 ? "#303030" : "#404040") +
               "\"><td align=\"right\"><font color=\"#FFD700\">" + std::to_string(rank) +
               "</font></td><td><font color=\"#FFFF00\">Player " + std::to_string(rank) +
               "</font></td><td align=\"center\"><font color=\"#C0C0C0\">1/5/07</font></td>"
               "<td align=\"right\"><font color=\"#00FF00\"><b>" +
               std::to_string(100000 - rank * 37) + "</b></font></td></tr>\n";
    return out + "</table><p><a href=\"http://example.com/\">Play online</a></p></body></html>";
}

const std::map<std::string, std::function<std::string()>>& pages() {
    static const std::map<std::string, std::function<std::string()>> all = {
        {"top100", [] { return topHundred(); }},
        {"table-1MB", [] { return tableOf(1000000); }},
        {"table-15MB", [] { return tableOf(15000000); }},
        {"nested-tables-200", [] { return nestedTables(200); }},
        {"nested-tables-2000", [] { return nestedTables(2000); }},
        {"unclosed-inline-100000", [] { return repeated("<b><i>", 100000) + "end"; }},
        {"divs-20000", [] { return repeated("<div>line</div>\n", 20000); }},
        {"nested-divs-20000", [] { return repeated("<div>", 20000) + "end"; }},
        // The most the viewer takes: just under its element and byte limits.
        {"limit-table-150-rows",
         [] {
             return "<table border=1 width=\"100%\">" +
                    repeated("<tr><td>100</td><td>Player name</td><td>12/31/26</td>"
                             "<td><b>123456</b></td></tr>\n",
                             150) +
                    "</table>";
         }},
        {"limit-divs-2500", [] { return repeated("<div>a line of text</div>\n", 2500); }},
        {"limit-text-96KB", [] { return repeated("score text ", 8900); }},
        {"limit-pre-96KB", [] { return "<pre>" + repeated("x", 98000) + "</pre>"; }},
        // One line that never offers a place to break it, inside every limit.
        {"limit-word-98KB", [] { return "<p>" + repeated("x", 98000) + "</p>"; }},
        {"limit-nbsp-line-96KiB",
         [] {
             std::string line = "<p>";
             while (line.size() + 11 < 96 * 1024)
                 line += "word&nbsp;";
             return line + "</p>";
         }},
        {"limit-inline-2500", [] { return "<p>" + repeated("<b>x</b>", 2499) + "</p>"; }},
        {"limit-nested-tables",
         [] {
             return repeated("<table border=1><tr><td>a<table border=1><tr><td>b<table "
                             "border=1><tr><td>c</td></tr></table></td></tr></table></td>"
                             "<td>d</td></tr></table>",
                             33);
         }},
    };
    return all;
}

// Serves `body` to every connection until the program ends.
int serve(std::string body) {
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listener, 4) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("listen");
        std::exit(1);
    }
    const std::string reply = "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\n\r\n" + body;
    std::thread([listener, reply] {
        for (;;) {
            const int client = ::accept(listener, nullptr, nullptr);
            if (client < 0)
                continue;
            std::string head;
            char buffer[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                const ssize_t got = ::read(client, buffer, sizeof buffer);
                if (got <= 0)
                    break;
                head.append(buffer, static_cast<std::size_t>(got));
            }
            for (std::size_t sent = 0; sent < reply.size();) {
                const ssize_t put = ::write(client, reply.data() + sent, reply.size() - sent);
                if (put <= 0)
                    break;
                sent += static_cast<std::size_t>(put);
            }
            ::close(client);
        }
    }).detach();
    return ntohs(address.sin_port);
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) {
        for (const auto& [name, make] : pages())
            std::printf("%s\n", name.c_str());
        return 0;
    }
    const std::string name = argv[1];
    const auto page = pages().find(name);
    if (page == pages().end()) {
        std::fprintf(stderr, "no page named %s\n", name.c_str());
        return 2;
    }
    const int giveUpSeconds = argc > 2 ? std::atoi(argv[2]) : 60;
    const std::string body = page->second();

    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    installFontSubstitutes();
    const int port = serve(body);
    Thighscore window(nullptr, "http://127.0.0.1:" + std::to_string(port) + "/");
    window.show();

    // A UI-thread tick every 2 ms; the longest gap between two ticks is the longest stall.
    using Clock = std::chrono::steady_clock;
    std::atomic<std::int64_t> lastTick{Clock::now().time_since_epoch().count()};
    std::int64_t longest = 0;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(2);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const std::int64_t now = Clock::now().time_since_epoch().count();
        longest = std::max(longest, now - lastTick.load());
        lastTick = now;
    });
    std::thread([&, giveUpSeconds] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            const auto stalled = Clock::now().time_since_epoch().count() - lastTick.load();
            if (stalled > std::chrono::nanoseconds(std::chrono::seconds(giveUpSeconds)).count()) {
                std::printf("%-24s %10zu bytes  longest stall > %d s (gave up)\n", name.c_str(),
                            body.size(), giveUpSeconds);
                std::fflush(stdout);
                std::_Exit(0);
            }
        }
    }).detach();

    QTimer::singleShot(300, [&] {
        lastTick = Clock::now().time_since_epoch().count();
        longest = 0;
        ticker.start();
        window.loadit();
    });
    QElapsedTimer sinceIdle;
    QTimer watch;
    watch.setInterval(50);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!ticker.isActive() || window.getit->busy()) {
            sinceIdle.invalidate();
            return;
        }
        if (!sinceIdle.isValid())
            sinceIdle.start();
        // Some time after the page arrived, for drawing and any layout done in steps.
        if (sinceIdle.elapsed() > 1500) {
            const bool shown = !window.displayhtml->toPlainText().isEmpty();
            std::printf("%-24s %10zu bytes  longest stall %8.1f ms  (%s)\n", name.c_str(),
                        body.size(), double(longest) / 1e6,
                        shown ? "shown" : "refused, window unchanged");
            application.quit();
        }
    });
    watch.start();
    return application.exec();
}
