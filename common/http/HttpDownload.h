#pragma once

// The installer download over HTTP/1.0 (common/http/HttpExchange), over TLS for an https address.
// One request line and exactly three headers, "Accept", "User-Agent" and "Host" in that order
// (through a plain http proxy the request line carries the whole address and a
// Proxy-Authorization may follow); a "Location" header in any reply is followed (http or https,
// never from https back to http, at most mostRedirects times); a status of 400 or above, a host
// that cannot be found, a refused connection, a TLS failure, a stall, a deadline passed, a reply
// that breaks off or an abort is a failure. The body of the final reply, also of an error reply,
// goes to the sink. The environment's proxies are honoured exactly as the text fetch honours
// them (common/http/HttpProxy).

#include "common/http/DownloadOutcome.h"
#include "common/http/HttpExchange.h"
#include "common/http/HttpProxy.h"

#include <atomic>
#include <string>

class HttpDownload {
public:
    static constexpr const char* accept =
        "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*";
    static constexpr const char* userAgent = "User-Agent: Mozilla/3.0 (compatible)";
    static constexpr int mostRedirects = 10;

    // A transfer that, over any span of `seconds`, averages fewer than `bytesPerSecond` has
    // stalled and fails, so a dead or dripping server cannot hold the update for ever.
    struct StallRule {
        long seconds = 60;
        long bytesPerSecond = 1024;
    };

    HttpDownload();
    explicit HttpDownload(StallRule stall, httpexchange::Deadlines deadlines = {},
                          httpproxy::EnvLookup env = httpproxy::systemEnvironment());
    HttpDownload(const HttpDownload&) = delete;
    HttpDownload& operator=(const HttpDownload&) = delete;

    // Fetches url and blocks until the reply has ended, failed or been aborted.
    DownloadOutcome run(const std::string& url, const DownloadSink& sink);

    // From any thread: the running or next run ends at once as a failure.
    void abort();

private:
    httpexchange::Wakeup m_wakeup;
    StallRule m_stall;
    httpexchange::Deadlines m_deadlines;
    httpproxy::EnvLookup m_env;
    std::atomic<bool> m_aborted{false};
};
