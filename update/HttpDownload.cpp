#include "update/HttpDownload.h"

#include "common/HttpText.h"

#include <chrono>
#include <deque>
#include <optional>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;

// Whether a transfer has averaged too little over the last span of the stall rule.
class StallWatch {
public:
    explicit StallWatch(HttpDownload::StallRule rule) : m_rule(rule) {}

    // The transfer has received `total` bytes by now; true when it has stalled.
    bool stalled(curl_off_t total) {
        const auto now = Clock::now();
        const auto span = std::chrono::seconds(m_rule.seconds);
        m_samples.push_back({now, total});
        // Keep the newest sample that is at least one span old, and everything after it.
        while (m_samples.size() > 1 && now - m_samples[1].first >= span) {
            m_samples.pop_front();
        }
        const auto& [since, then] = m_samples.front();
        return now - since >= span && total - then < m_rule.bytesPerSecond * m_rule.seconds;
    }

private:
    HttpDownload::StallRule m_rule;
    std::deque<std::pair<Clock::time_point, curl_off_t>> m_samples;
};

// One request: the reply's state as the callbacks see it.
struct Transfer {
    const DownloadSink* sink = nullptr;
    StallWatch stall;
    std::string location; // of the current reply
    bool sinkRefused = false;
    bool hasStalled = false;
};

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    constexpr std::string_view location = "Location:";
    const std::string_view line(data, bytes);
    if (httptext::startsWithNoCase(line, "HTTP/")) {
        transfer->location.clear(); // a new reply begins
    } else if (httptext::startsWithNoCase(line, location)) {
        transfer->location = httptext::trimmed(line.substr(location.size()));
    }
    return bytes;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (!transfer->location.empty()) {
        return bytes; // the page of a reply that sends us on is not the installer
    }
    if (!(*transfer->sink)(data, bytes)) {
        transfer->sinkRefused = true;
        return 0;
    }
    return bytes;
}

int onProgress(void* user, curl_off_t, curl_off_t received, curl_off_t, curl_off_t) {
    auto* transfer = static_cast<Transfer*>(user);
    if (transfer->stall.stalled(received)) {
        transfer->hasStalled = true;
        return 1; // aborts the transfer
    }
    return 0;
}

using UrlParts = curlhandles::Url;

UrlParts parsed(const std::string& url) {
    UrlParts parts(curlhandles::started() ? curl_url() : nullptr);
    if (!parts || curl_url_set(parts.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK) {
        parts.reset();
    }
    return parts;
}

std::optional<std::string> part(CURLU* parts, CURLUPart which) {
    char* text = nullptr;
    if (curl_url_get(parts, which, &text, 0) != CURLUE_OK || !text) {
        return std::nullopt;
    }
    std::string value = text;
    curl_free(text);
    return value;
}

// "Host: name[:port]", the port only when the address names one; nothing for a bad address.
std::optional<std::string> hostHeader(const std::string& url) {
    const UrlParts parts = parsed(url);
    const auto host = parts ? part(parts.get(), CURLUPART_HOST) : std::nullopt;
    if (!host) {
        return std::nullopt;
    }
    const auto port = part(parts.get(), CURLUPART_PORT);
    return "Host: " + *host + (port ? ":" + *port : "");
}

// Where location, read against the address it came from, leads; nothing when that is not a
// plain http address.
std::optional<std::string> nextAddress(const std::string& from, const std::string& location) {
    const UrlParts parts = parsed(from);
    if (!parts || curl_url_set(parts.get(), CURLUPART_URL, location.c_str(), 0) != CURLUE_OK) {
        return std::nullopt;
    }
    const auto scheme = part(parts.get(), CURLUPART_SCHEME);
    if (!scheme || *scheme != "http") {
        return std::nullopt;
    }
    return part(parts.get(), CURLUPART_URL);
}

} // namespace

HttpDownload::HttpDownload() : HttpDownload(StallRule{}) {}

HttpDownload::HttpDownload(StallRule stall) : m_multi(curlhandles::newMulti()), m_stall(stall) {}

void HttpDownload::abort() {
    m_aborted = true;
    if (m_multi) {
        // Should the wake-up fail, the transfer loop still sees the flag within its poll
        // interval.
        [[maybe_unused]] const CURLMcode woken = curl_multi_wakeup(m_multi.get());
    }
}

DownloadOutcome HttpDownload::run(const std::string& firstUrl, const DownloadSink& sink) {
    CURLM* multi = m_multi.get();
    if (!multi) {
        return DownloadOutcome::HttpFailure;
    }
    std::string url = firstUrl;
    // Redirects are followed here rather than by libcurl, so that every request, also one to
    // another host, carries the three headers in their order, and a Location is followed
    // whatever the status.
    for (int redirects = 0; redirects <= mostRedirects && !m_aborted; ++redirects) {
        const curlhandles::Easy easy = curlhandles::newEasy();
        const auto host = hostHeader(url);
        if (!easy || !host) {
            return DownloadOutcome::HttpFailure;
        }
        // libcurl puts a Host header of its own, or a given one, first; the empty "Host:"
        // switches that off, so the Host line goes out last, as written.
        curlhandles::HeaderList headers;
        if (!headers.append("Host:") || !headers.append(accept) || !headers.append(userAgent) ||
            !headers.append(*host)) {
            return DownloadOutcome::HttpFailure;
        }

        Transfer transfer{&sink, StallWatch(m_stall), {}, false, false};
        CURL* handle = easy.get();
        const bool ready =
            curl_easy_setopt(handle, CURLOPT_URL, url.c_str()) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http") == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0)) ==
                CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers.get()) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_NOPROXY, "*") == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, onHeader) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, onBody) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, onProgress) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &transfer) == CURLE_OK &&
            curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
        if (!ready || curl_multi_add_handle(multi, handle) != CURLM_OK) {
            return DownloadOutcome::HttpFailure;
        }
        CURLcode result = CURLE_OK;
        bool driven = true;
        for (;;) {
            int running = 0;
            if (curl_multi_perform(multi, &running) != CURLM_OK) {
                driven = false;
                break;
            }
            if (running == 0 || m_aborted) {
                break;
            }
            if (curl_multi_poll(multi, nullptr, 0, 1000, nullptr) != CURLM_OK) {
                driven = false;
                break;
            }
        }
        bool finished = false;
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == handle) {
                result = message->data.result;
                finished = true;
            }
        }
        const bool removed = curl_multi_remove_handle(multi, handle) == CURLM_OK;

        if (m_aborted || !driven || !removed || transfer.hasStalled) {
            return DownloadOutcome::HttpFailure;
        }
        long status = 0;
        const bool answered =
            curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK && status != 0;
        if (transfer.sinkRefused) {
            // An error page that does not fit is still the server's failure, not ours.
            return answered && status >= 400 ? DownloadOutcome::HttpFailure
                                             : DownloadOutcome::WriteFailure;
        }
        if (!finished || result != CURLE_OK || !answered) {
            return DownloadOutcome::HttpFailure;
        }
        if (transfer.location.empty()) {
            return status >= 400 ? DownloadOutcome::HttpFailure : DownloadOutcome::Received;
        }
        const auto next = nextAddress(url, transfer.location);
        if (!next) {
            return DownloadOutcome::HttpFailure; // a Location that names no http address
        }
        url = *next;
    }
    return DownloadOutcome::HttpFailure;
}
