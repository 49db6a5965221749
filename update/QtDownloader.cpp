#include "update/QtDownloader.h"

#include <QMetaObject>

QtDownloader::QtDownloader(QObject* parent) : QObject(parent) {}

QtDownloader::~QtDownloader() {
    stop();
}

void QtDownloader::join() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void QtDownloader::get(const std::string& url, DownloadSink sink, DownloadDone done) {
    join();
    // std::thread throws when no thread can be made; the caller reports that.
    m_worker = std::thread([this, url, sink = std::move(sink), done = std::move(done)] {
        const DownloadOutcome outcome = m_download.run(url, sink);
        // Queued to this object's thread; an object destroyed meanwhile drops the call.
        QMetaObject::invokeMethod(
            this,
            [this, done, outcome] {
                join();
                m_busy = false;
                if (!m_stopped) {
                    done(outcome);
                }
            },
            Qt::QueuedConnection);
    });
    m_busy = true;
}

void QtDownloader::stop() {
    m_stopped = true;
    m_download.abort();
    join();
    m_busy = false;
}
