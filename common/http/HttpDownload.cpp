#include "common/http/HttpDownload.h"

#include "common/HttpText.h"
#include "common/http/HttpAddress.h"

#include <chrono>
#include <deque>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

// Whether a transfer has averaged too little over the last span of the stall rule.
class StallWatch {
public:
    explicit StallWatch(HttpDownload::StallRule rule) : m_rule(rule) {}

    // The transfer has received `total` bytes by now; true when it has stalled.
    bool stalled(std::int64_t total) {
        const auto now = Clock::now();
        const auto span = std::chrono::seconds(m_rule.seconds);
        // One sample a second at most: a server sending tiny pieces cannot make the list grow.
        if (m_samples.empty() || now - m_samples.back().first >= std::chrono::seconds(1)) {
            m_samples.push_back({now, total});
        }
        // Keep the newest sample that is at least one span old, and everything after it.
        while (m_samples.size() > 1 && now - m_samples[1].first >= span) {
            m_samples.pop_front();
        }
        const auto& [since, then] = m_samples.front();
        return now - since >= span && total - then < m_rule.bytesPerSecond * m_rule.seconds;
    }

private:
    HttpDownload::StallRule m_rule;
    std::deque<std::pair<Clock::time_point, std::int64_t>> m_samples;
};

// One request: its reply as the exchange hands it over.
class Transfer : public httpexchange::ReplyHandler {
public:
    Transfer(const DownloadSink& sink, HttpDownload::StallRule stall,
             const std::atomic<bool>& aborted)
        : m_sink(sink), m_stall(stall), m_aborted(aborted) {}

    bool headLine(std::string_view line) override {
        constexpr std::string_view location = "Location:";
        if (m_atHeadStart) {
            m_location.clear(); // a new reply begins
        } else if (httptext::startsWithNoCase(line, location)) {
            m_location = httptext::trimmed(line.substr(location.size()));
        }
        m_atHeadStart = line.empty();
        return true;
    }

    bool bodyBytes(std::string_view bytes) override {
        if (!m_location.empty()) {
            // The page of a reply that sends us on is not the installer, and need not end.
            m_leftForLocation = true;
            return false;
        }
        if (!m_sink(bytes.data(), bytes.size())) {
            m_sinkRefused = true;
            return false;
        }
        return true;
    }

    bool carryOn(std::int64_t received) override {
        if (m_stall.stalled(received)) {
            m_hasStalled = true;
        }
        return !m_hasStalled && !m_aborted;
    }

    const std::string& location() const { return m_location; }
    bool sinkRefused() const { return m_sinkRefused; }
    bool leftForLocation() const { return m_leftForLocation; }
    bool hasStalled() const { return m_hasStalled; }

private:
    const DownloadSink& m_sink;
    StallWatch m_stall;
    const std::atomic<bool>& m_aborted;
    std::string m_location; // of the current reply
    bool m_atHeadStart = true;
    bool m_sinkRefused = false;
    bool m_leftForLocation = false; // the reply's page was left unread to follow its Location
    bool m_hasStalled = false;
};

} // namespace

HttpDownload::HttpDownload() : HttpDownload(StallRule{}) {}

HttpDownload::HttpDownload(StallRule stall, httpexchange::Deadlines deadlines,
                           httpproxy::EnvLookup env)
    : m_stall(stall), m_deadlines(deadlines), m_env(std::move(env)) {}

void HttpDownload::abort() {
    m_aborted = true;
    m_wakeup.wake();
}

DownloadOutcome HttpDownload::run(const std::string& firstUrl, const DownloadSink& sink) {
    std::string url = firstUrl;
    // Every request, also one to another host after a redirect, carries the three headers in
    // their order, and a Location is followed whatever the status.
    for (int redirects = 0; redirects <= mostRedirects && !m_aborted; ++redirects) {
        const auto address = httpaddress::parse(url);
        if (!address) {
            return DownloadOutcome::HttpFailure;
        }
        const std::string host = address->host + httpaddress::withPort(address->port);
        const int port = address->port.value_or(address->tls ? httpexchange::defaultTlsPort
                                                             : httpexchange::defaultPort);
        const auto way = httpproxy::wayTo(address->host, port, address->tls, m_env);
        if (!way) {
            return DownloadOutcome::HttpFailure;
        }
        const std::string target =
            way->wholeAddress ? httpaddress::text(*address) : address->target;
        const std::string request = "GET " + target + " HTTP/1.0\r\n" + accept + "\r\n" +
                                    userAgent + "\r\nHost: " + host + "\r\n" +
                                    way->proxyAuthorization + "\r\n";

        Transfer transfer(sink, m_stall, m_aborted);
        const httpexchange::Result result =
            httpexchange::exchangeVia(way->route, request, transfer, &m_wakeup, m_deadlines);

        if (m_aborted || transfer.hasStalled()) {
            return DownloadOutcome::HttpFailure;
        }
        if (transfer.sinkRefused()) {
            // An error page that does not fit is still the server's failure, not ours.
            return result.status >= 400 ? DownloadOutcome::HttpFailure
                                        : DownloadOutcome::WriteFailure;
        }
        if (!transfer.leftForLocation() &&
            (result.ending != httpexchange::Ending::Complete || result.status == 0)) {
            return DownloadOutcome::HttpFailure;
        }
        if (transfer.location().empty()) {
            return result.status >= 400 ? DownloadOutcome::HttpFailure : DownloadOutcome::Received;
        }
        const auto next = httpaddress::resolve(url, transfer.location());
        if (!next) {
            return DownloadOutcome::HttpFailure; // a Location that names no http address
        }
        url = *next;
    }
    return DownloadOutcome::HttpFailure;
}
