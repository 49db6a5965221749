#pragma once

// The installer download as the self-update sees it: Downloader. The outcome it reports and the
// sink that takes the body are the download's own (common/http/DownloadOutcome.h).

#include "common/http/DownloadOutcome.h"

#include <functional>
#include <string>

using DownloadDone = std::function<void(DownloadOutcome)>;

// The file download `getupdate`: one request at a time, finished by one call of done, which
// comes after get has returned. The sink is called from any thread, but never after done.
class Downloader {
public:
    virtual ~Downloader() = default;
    virtual void get(const std::string& url, DownloadSink sink, DownloadDone done) = 0;
};
