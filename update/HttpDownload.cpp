#include "update/HttpDownload.h"

#include <curl/curl.h>

#include <cstring>
#include <memory>
#include <mutex>

namespace {

void initCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// One request: the reply's state as the callbacks see it.
struct Transfer {
    CURL* easy = nullptr;
    const DownloadSink* sink = nullptr;
    bool location = false; // the current reply carries a Location header
    bool sinkRefused = false;
};

bool startsWithNoCase(const char* text, std::size_t size, const char* prefix) {
    const std::size_t length = std::strlen(prefix);
    return size >= length && strncasecmp(text, prefix, length) == 0;
}

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    if (startsWithNoCase(data, bytes, "HTTP/")) {
        transfer->location = false; // a new reply begins
    } else if (startsWithNoCase(data, bytes, "Location:")) {
        transfer->location = true;
    }
    return bytes;
}

bool isRedirect(long status, bool location) {
    return status >= 300 && status < 400 && location;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const std::size_t bytes = size * count;
    long status = 0;
    curl_easy_getinfo(transfer->easy, CURLINFO_RESPONSE_CODE, &status);
    if (isRedirect(status, transfer->location)) {
        return bytes; // the page of a redirect is not the installer
    }
    if (!(*transfer->sink)(data, bytes)) {
        transfer->sinkRefused = true;
        return 0;
    }
    return bytes;
}

// "Host: name[:port]", the port only when the address names one.
std::string hostHeader(const std::string& url) {
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parts(curl_url(), curl_url_cleanup);
    char* host = nullptr;
    char* port = nullptr;
    std::string header = "Host: ";
    if (parts && curl_url_set(parts.get(), CURLUPART_URL, url.c_str(), 0) == CURLUE_OK &&
        curl_url_get(parts.get(), CURLUPART_HOST, &host, 0) == CURLUE_OK) {
        header += host;
        if (curl_url_get(parts.get(), CURLUPART_PORT, &port, 0) == CURLUE_OK) {
            header += ':';
            header += port;
        }
    }
    curl_free(host);
    curl_free(port);
    return header;
}

} // namespace

HttpDownload::HttpDownload() {
    initCurl();
    m_multi = curl_multi_init();
}

HttpDownload::~HttpDownload() {
    curl_multi_cleanup(static_cast<CURLM*>(m_multi));
}

void HttpDownload::abort() {
    m_aborted = true;
    curl_multi_wakeup(static_cast<CURLM*>(m_multi));
}

DownloadOutcome HttpDownload::run(const std::string& firstUrl, const DownloadSink& sink) {
    auto* multi = static_cast<CURLM*>(m_multi);
    std::string url = firstUrl;
    // Redirects are followed here rather than by libcurl, so that every request, also one to
    // another host, carries the three headers in their order.
    for (int redirects = 0; redirects <= mostRedirects && !m_aborted; ++redirects) {
        std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(),
                                                                 curl_easy_cleanup);
        if (!easy) {
            return DownloadOutcome::HttpFailure;
        }
        const std::string host = hostHeader(url);
        // libcurl puts a Host header of its own, or a given one, first; the empty "Host:"
        // switches that off, so the Host line goes out last, as written.
        curl_slist* headers = curl_slist_append(nullptr, "Host:");
        headers = curl_slist_append(headers, accept);
        headers = curl_slist_append(headers, userAgent);
        headers = curl_slist_append(headers, host.c_str());
        std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)> headerList(headers,
                                                                               curl_slist_free_all);

        Transfer transfer{easy.get(), &sink};
        CURL* handle = easy.get();
        curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
        curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_0));
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(handle, CURLOPT_NOPROXY, "*");
        curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, stallSeconds);
        curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, onHeader);
        curl_easy_setopt(handle, CURLOPT_HEADERDATA, &transfer);
        curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, onBody);
        curl_easy_setopt(handle, CURLOPT_WRITEDATA, &transfer);

        curl_multi_add_handle(multi, handle);
        CURLcode result = CURLE_OK;
        for (;;) {
            int running = 0;
            curl_multi_perform(multi, &running);
            if (running == 0 || m_aborted) {
                break;
            }
            curl_multi_poll(multi, nullptr, 0, 1000, nullptr);
        }
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi, &queued)) {
            if (message->msg == CURLMSG_DONE && message->easy_handle == handle) {
                result = message->data.result;
            }
        }
        curl_multi_remove_handle(multi, handle);

        if (m_aborted) {
            return DownloadOutcome::HttpFailure;
        }
        if (transfer.sinkRefused) {
            return DownloadOutcome::WriteFailure;
        }
        long status = 0;
        curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &status);
        if (result != CURLE_OK || status >= 400 || status == 0) {
            return DownloadOutcome::HttpFailure;
        }
        char* next = nullptr;
        if (!isRedirect(status, transfer.location)) {
            return DownloadOutcome::Received;
        }
        if (curl_easy_getinfo(handle, CURLINFO_REDIRECT_URL, &next) != CURLE_OK || !next) {
            return DownloadOutcome::HttpFailure; // a Location that names no address
        }
        url = next;
    }
    return DownloadOutcome::HttpFailure;
}
