// The high-score page over https beside the same page over http: the real bloomzap-server with a
// hundred postings, nginx terminating TLS in front of it with a test authority, and the real
// high-score window (offscreen) asking for the page again and again, taking the sites in turn.
// Prints the median time from asking to the page shown for each, the first https page (which
// loads GnuTLS and reads the trust file) apart, and their ratio.
//   https_page [ROUNDS]

#include "online/HTTPGet.h"
#include "online/HtmlViewer.h"
#include "online/highscoreform.h"
#include "tests/support/LoopbackHttp.h"
#include "tests/support/ServerProcess.h"
#include "tests/support/TlsFront.h"
#include "widgets/FontSubstitutes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

// Milliseconds from loadit to the page shown in the window.
double shownAfter(Thighscore& window) {
    window.displayhtml->clear();
    QElapsedTimer timer;
    timer.start();
    window.loadit();
    if (!QTest::qWaitFor([&] { return !window.getit->busy(); }, 20000) ||
        window.displayhtml->toPlainText().isEmpty()) {
        std::fprintf(stderr, "the page did not come\n");
        std::exit(1);
    }
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char* argv[]) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 41;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    installFontSubstitutes();

    testsupport::LocalServer server({"--post-limit", "0"});
    if (!server.serving())
        return 1;
    for (int rank = 1; rank <= 100; ++rank)
        testsupport::exchange(server.port(),
                              "GET /cgi-bin/bloomzap.cgi?name=Player" + std::to_string(rank) +
                                  "&date=1/5/07&score=" + std::to_string(100000 - rank * 37) +
                                  " HTTP/1.0\r\nHost: 127.0.0.1\r\n\r\n");
    testsupport::TlsFront front(server.port());
    if (!front.running()) {
        std::fprintf(stderr, "%s", front.log().c_str());
        return 1;
    }
    ::setenv("SSL_CERT_FILE", front.authorityFile().c_str(), 1);

    Thighscore plain(nullptr, server.root());
    Thighscore secure(nullptr, front.root());
    plain.show();
    secure.show();
    shownAfter(plain); // the viewer's first layout, for both
    const double first = shownAfter(secure);
    std::vector<double> overHttp, overHttps;
    for (int round = 0; round < rounds; ++round) {
        overHttp.push_back(shownAfter(plain));
        overHttps.push_back(shownAfter(secure));
    }
    const double http = median(overHttp), https = median(overHttps);
    std::printf("page of %lld bytes, medians of %d rounds taken in turn\n",
                static_cast<long long>(plain.displayhtml->toHtml().size()), rounds);
    std::printf("http  %7.2f ms\nhttps %7.2f ms  (first https page %.2f ms)\nratio https/http "
                "%.2fx\n",
                http, https, first, https / http);
    return 0;
}
