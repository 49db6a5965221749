#pragma once

// `getupdate`: the installer download run on a worker thread, its end reported on the thread
// that owns this object, so the window keeps handling events while it waits.

#include "common/http/HttpDownload.h"
#include "update/Downloader.h"

#include <QObject>

#include <memory>
#include <thread>

class QtDownloader : public QObject, public Downloader {
public:
    explicit QtDownloader(QObject* parent = nullptr);
    // Stops a running download first.
    ~QtDownloader() override;

    void get(const std::string& url, DownloadSink sink, DownloadDone done) override;

    // Aborts a running download and waits for its worker; its done is never called. Later
    // downloads fail at once.
    void stop();
    bool busy() const { return m_busy; }

private:
    void join();

    HttpDownload m_download;
    std::thread m_worker;
    bool m_busy = false;
    bool m_stopped = false;
};
