#pragma once

// The installer download as the self-update sees it: Downloader, with the outcome it reports
// and the sink that takes the body.

#include <cstddef>
#include <functional>
#include <string>

enum class DownloadOutcome {
    Received,    // the whole body of a reply with a status below 400
    HttpFailure, // status 400 or above, host not found, connection refused, aborted
    WriteFailure // the sink refused the body (too long, or it could not be stored)
};

// Receives the body in pieces; returns false when it cannot take them.
using DownloadSink = std::function<bool(const char* data, std::size_t size)>;
using DownloadDone = std::function<void(DownloadOutcome)>;

// The file download `getupdate`: one request at a time, finished by one call of done, which
// comes after get has returned. The sink is called from any thread, but never after done.
class Downloader {
public:
    virtual ~Downloader() = default;
    virtual void get(const std::string& url, DownloadSink sink, DownloadDone done) = 0;
};
