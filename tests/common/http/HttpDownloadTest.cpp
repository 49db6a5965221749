// The installer download against scripted servers: the request as a server sees it,
// redirects (on any status, never from https to http), the outcomes, the body of an error reply,
// replies cut short, a refusing sink, a stalled server, a deadline, an abort, the proxy the
// environment names, and https through nginx with a test authority.

#include "common/http/HttpDownload.h"
#include "tests/support/ConnectProxy.h"
#include "tests/support/DripServer.h"
#include "tests/support/Fakes.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/ScriptedHttpServer.h"
#include "tests/support/TlsFront.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace testsupport;
using testsupport::ConnectProxy;
using testsupport::httpReply;
using testsupport::ScopedEnv;
using testsupport::ScriptedHttpServer;
using testsupport::TlsFront;

std::string request(const std::string& host) {
    return "GET /bloomzap/bzpsetup.exe HTTP/1.0\r\n"
           "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           "User-Agent: Mozilla/3.0 (compatible)\r\n"
           "Host: " +
           host + "\r\n\r\n";
}

struct Result {
    DownloadOutcome outcome;
    std::string body;
};

Result download(const std::string& url) {
    HttpDownload http;
    std::string body;
    const DownloadOutcome outcome = http.run(url, [&](const char* data, std::size_t size) {
        body.append(data, size);
        return true;
    });
    return {outcome, body};
}

TEST(IntegrationHttpDownload, ARedirectIsFollowedWithTheSameThreeHeaders) {
    ScriptedHttpServer target(httpReply("installer bytes", "200 OK"));
    ScriptedHttpServer moved(
        httpReply("<html>moved</html>", "302 Found", true,
                  "Location: http://localhost:" + std::to_string(target.port()) +
                      "/bloomzap/bzpsetup.exe\r\n"));
    const Result result = download(moved.url("/bloomzap/bzpsetup.exe"));
    EXPECT_EQ(result.outcome, DownloadOutcome::Received);
    EXPECT_EQ(result.body, "installer bytes") << "the redirect's own page is not kept";
    EXPECT_EQ(moved.requests(),
              std::vector<std::string>{request("127.0.0.1:" + std::to_string(moved.port()))});
    EXPECT_EQ(target.requests(),
              std::vector<std::string>{request("localhost:" + std::to_string(target.port()))});
}

TEST(IntegrationHttpDownload, ALocationIsFollowedWhateverTheStatusButOnlyToHttpOrHttps) {
    ScriptedHttpServer target(httpReply("installer bytes", "200 OK"));
    const std::string there = target.url("/bloomzap/bzpsetup.exe");
    ScriptedHttpServer onOk(
        httpReply("not the installer", "200 OK", true, "Location: " + there + "\r\n"));
    ScriptedHttpServer onNotFound(
        httpReply("gone", "404 Not Found", true, "Location: " + there + "\r\n"));
    // A plain server spoken to in TLS: the handshake fails.
    ScriptedHttpServer plainOnly(httpReply("not TLS"));
    ScriptedHttpServer toHttps(
        httpReply("", "302 Found", true,
                  "Location: https://127.0.0.1:" + std::to_string(plainOnly.port()) + "/x\r\n"));
    ScriptedHttpServer toFile(httpReply("", "302 Found", true, "Location: file:///etc/passwd\r\n"));
    const struct {
        const char* name;
        std::string url;
        DownloadOutcome outcome;
        std::string body;
    } cases[] = {
        {"200 with Location", onOk.url("/x"), DownloadOutcome::Received, "installer bytes"},
        {"404 with Location", onNotFound.url("/x"), DownloadOutcome::Received, "installer bytes"},
        {"to https", toHttps.url("/x"), DownloadOutcome::HttpFailure, ""},
        {"to a file", toFile.url("/x"), DownloadOutcome::HttpFailure, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = download(c.url);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.body, c.body);
    }
    EXPECT_EQ(target.requestCount(), 2u);
}

TEST(IntegrationHttpDownload, ARedirectIsFollowedWithoutWaitingForItsPageToEnd) {
    // The page of the reply that sends us on never ends, at well above the stall rule's pace.
    DripServer server({{"/bloomzap/bzpsetup.exe", "installer bytes"}}, "/moved", 1,
                      "Location: /bloomzap/bzpsetup.exe\r\n");
    const Result result = download(server.root() + "moved");
    EXPECT_TRUE(server.dripping());
    EXPECT_EQ(result.outcome, DownloadOutcome::Received);
    EXPECT_EQ(result.body, "installer bytes");
}

TEST(IntegrationHttpDownload, AServerThatDripsTooSlowlyFailsLikeAStall) {
    // One byte every 20 ms is far below 1 KiB/s; the rule's span is shortened to one second.
    DripServer drip({}, "/bloomzap/bzpsetup.exe", 20);
    HttpDownload http(HttpDownload::StallRule{1, 1024});
    std::size_t received = 0;
    const DownloadOutcome outcome =
        http.run(drip.root() + "bloomzap/bzpsetup.exe", [&](const char*, std::size_t size) {
            received += size;
            return true;
        });
    EXPECT_EQ(outcome, DownloadOutcome::HttpFailure);
    EXPECT_TRUE(drip.dripping());
    EXPECT_GT(received, 0u) << "bytes were arriving, only too slowly";

    // A server that takes the request and never answers stalls the same way.
    ScriptedHttpServer silent(httpReply("never sent"), ScriptedHttpServer::Start::held);
    EXPECT_EQ(http.run(silent.url("/x"), [](const char*, std::size_t) { return true; }),
              DownloadOutcome::HttpFailure);
    EXPECT_EQ(silent.requestCount(), 1u);
}

TEST(IntegrationHttpDownload, OutcomesOfTheReplies) {
    ScriptedHttpServer notFound(httpReply("<html>gone</html>", "404 Not Found"));
    ScriptedHttpServer failing(httpReply("oops", "500 Internal Server Error"));
    ScriptedHttpServer noLength(httpReply("to the end", "200 OK", false));
    ScriptedHttpServer shortOfLength("HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\n2.0.0");
    ScriptedHttpServer reset(httpReply("2.0.0", "200 OK", false));
    reset.endWithReset();
    ScriptedHttpServer hugeLength(
        "HTTP/1.0 200 OK\r\nContent-Length: 999999999999999999\r\n\r\n2.0.0");
    ScriptedHttpServer noLastChunk(
        "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\n2.0.0\r\n");
    ScriptedHttpServer loop(
        httpReply("", "301 Moved", true, "Location: /bloomzap/bzpsetup.exe\r\n"));
    int closedPort = 0;
    {
        ScriptedHttpServer closed(httpReply(""));
        closedPort = closed.port();
    }
    const struct {
        const char* name;
        std::string url;
        DownloadOutcome outcome;
        std::string body;
    } cases[] = {
        {"404 keeps its body", notFound.url("/bloomzap/bzpsetup.exe"), DownloadOutcome::HttpFailure,
         "<html>gone</html>"},
        {"500", failing.url("/x"), DownloadOutcome::HttpFailure, "oops"},
        {"short of its length", shortOfLength.url("/x"), DownloadOutcome::HttpFailure, "2.0.0"},
        {"an 18-digit length", hugeLength.url("/x"), DownloadOutcome::HttpFailure, "2.0.0"},
        {"no last chunk", noLastChunk.url("/x"), DownloadOutcome::HttpFailure, "2.0.0"},
        {"no length", noLength.url("/x"), DownloadOutcome::Received, "to the end"},
        {"endless redirects", loop.url("/bloomzap/bzpsetup.exe"), DownloadOutcome::HttpFailure, ""},
        {"refused", "http://127.0.0.1:" + std::to_string(closedPort) + "/x",
         DownloadOutcome::HttpFailure, ""},
        {"unknown host", "http://bloomzap-update.invalid/bloomzap/bzpsetup.exe",
         DownloadOutcome::HttpFailure, ""},
        {"malformed address", "http://[::1/bloomzap/bzpsetup.exe", DownloadOutcome::HttpFailure,
         ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Result result = download(c.url);
        EXPECT_EQ(result.outcome, c.outcome);
        EXPECT_EQ(result.body, c.body);
    }
    EXPECT_EQ(loop.requestCount(), std::size_t(HttpDownload::mostRedirects + 1));
    // Whatever of the body came before the reset, the download failed.
    EXPECT_EQ(download(reset.url("/x")).outcome, DownloadOutcome::HttpFailure);
}

TEST(IntegrationHttpDownload, ARefusingSinkOrAnAbortEndTheDownload) {
    ScriptedHttpServer server(httpReply("installer bytes"));
    EXPECT_EQ(HttpDownload().run(server.url("/x"), [](const char*, std::size_t) { return false; }),
              DownloadOutcome::WriteFailure);
    // An error page that the sink cannot take is still the server's failure.
    ScriptedHttpServer notFound(httpReply(std::string(100000, '#'), "404 Not Found"));
    EXPECT_EQ(
        HttpDownload().run(notFound.url("/x"), [](const char*, std::size_t) { return false; }),
        DownloadOutcome::HttpFailure);

    ScriptedHttpServer silent(httpReply("never sent"), ScriptedHttpServer::Start::held);
    HttpDownload http;
    DownloadOutcome outcome = DownloadOutcome::Received;
    std::thread worker([&] {
        outcome = http.run(silent.url("/x"), [](const char*, std::size_t) { return true; });
    });
    for (int tries = 0; tries < 3000 && silent.requestCount() == 0; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(silent.requestCount(), 1u);
    http.abort();
    worker.join();
    EXPECT_EQ(outcome, DownloadOutcome::HttpFailure);

    // A server that hears the request and says nothing fails at the deadline, no abort needed.
    httpexchange::Deadlines shortWait;
    shortWait.idle = std::chrono::milliseconds(300);
    ScriptedHttpServer mute(httpReply("never sent"), ScriptedHttpServer::Start::held);
    HttpDownload patient(HttpDownload::StallRule{}, shortWait);
    EXPECT_EQ(patient.run(mute.url("/y"), [](const char*, std::size_t) { return true; }),
              DownloadOutcome::HttpFailure);
    EXPECT_EQ(mute.requestCount(), 1u);
}

TEST(IntegrationHttpDownload, TheProxyOfTheEnvironmentIsUsedAsByTheTextFetch) {
    ScriptedHttpServer proxy(httpReply("installer bytes"));
    const ScopedEnv viaProxy("http_proxy", "http://ann:pw@" + proxy.url("/").substr(7));
    const ScopedEnv noBypass("no_proxy", std::nullopt);
    const Result result = download("http://update.example:8080/bloomzap/bzpsetup.exe");
    EXPECT_EQ(result.outcome, DownloadOutcome::Received);
    EXPECT_EQ(result.body, "installer bytes");
    ASSERT_EQ(proxy.requestCount(), 1u);
    // The whole address on the request line, the three headers, then the proxy's credentials.
    EXPECT_EQ(proxy.requests().front(),
              "GET http://update.example:8080/bloomzap/bzpsetup.exe HTTP/1.0\r\n"
              "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
              "User-Agent: Mozilla/3.0 (compatible)\r\n"
              "Host: update.example:8080\r\n"
              "Proxy-Authorization: Basic YW5uOnB3\r\n\r\n");

    // A host the environment exempts is reached directly.
    ScriptedHttpServer direct(httpReply("direct bytes"));
    const ScopedEnv bypass("no_proxy", "127.0.0.1");
    EXPECT_EQ(download(direct.url("/bloomzap/bzpsetup.exe")).body, "direct bytes");
    EXPECT_EQ(proxy.requestCount(), 1u);
}

TEST(IntegrationHttpDownload, OverHttpsTheServerIsVerifiedAndTheDownloadStaysOnHttps) {
    ScriptedHttpServer upstream(httpReply("installer bytes"));
    TlsFront front(upstream.port());
    ASSERT_TRUE(front.running()) << front.log();
    const ScopedEnv trust("SSL_CERT_FILE", front.authorityFile());
    const ScopedEnv noBypass("no_proxy", std::nullopt);

    Result result = download(front.root() + "bloomzap/bzpsetup.exe");
    EXPECT_EQ(result.outcome, DownloadOutcome::Received);
    EXPECT_EQ(result.body, "installer bytes");
    ASSERT_EQ(upstream.requestCount(), 1u);

    // A redirect to plain http is not followed: the http server hears nothing.
    result = download(front.redirectRoot() + "bloomzap/bzpsetup.exe");
    EXPECT_EQ(result.outcome, DownloadOutcome::HttpFailure);
    for (const auto certificate :
         {TlsFront::Certificate::untrusted, TlsFront::Certificate::otherName,
          TlsFront::Certificate::expired}) {
        SCOPED_TRACE(front.root(certificate));
        EXPECT_EQ(download(front.root(certificate) + "bloomzap/bzpsetup.exe").outcome,
                  DownloadOutcome::HttpFailure);
    }
    EXPECT_EQ(upstream.requestCount(), 1u);

    // Through the proxy of the environment, by CONNECT.
    ConnectProxy proxy;
    const ScopedEnv viaProxy("https_proxy", proxy.url());
    result = download(front.root() + "bloomzap/bzpsetup.exe");
    EXPECT_EQ(result.outcome, DownloadOutcome::Received);
    ASSERT_EQ(proxy.heads().size(), 1u);
    EXPECT_TRUE(proxy.heads().front().starts_with("CONNECT 127.0.0.1:"));
    EXPECT_EQ(upstream.requestCount(), 2u);
}

} // namespace
