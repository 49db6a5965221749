#pragma once

// THTTPGet, the background text fetch component, and THTTPGetThread, the worker of one fetch.

#include "common/http/HttpFetch.h"

#include <QObject>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class THTTPGet;
struct THTTPGetLink;

// The worker of one fetch: copies of the component's inputs taken when the fetch starts, run on
// a thread of its own, which frees the worker when the fetch has ended and its outcome has been
// handed to the component (or the component is gone).
class THTTPGetThread : private httpfetch::FetchControl {
public:
    using Progress =
        std::function<void(QObject* Sender, std::int64_t TotalSize, std::int64_t Readed)>;

    THTTPGetThread(std::shared_ptr<THTTPGetLink> link, httpfetch::FetchInput input,
                   Progress onProgress);

    // Starts the thread; the worker owns itself from here on. Throws std::system_error when no
    // thread can be started (the worker is then freed).
    static void start(std::unique_ptr<THTTPGetThread> worker);

private:
    void run();
    bool stopAsked() override;
    void progress(std::int64_t totalSize, std::int64_t readed) override;

    std::shared_ptr<THTTPGetLink> m_link;
    httpfetch::FetchInput m_input;
    Progress m_onProgress;
};

// Fetches one URL over HTTP/1.0 (https over TLS) on a worker thread and hands the whole body, as
// 8-bit text, to the UI thread: OnDoneString when the whole reply came with at least one body
// byte (whatever the status code), OnError otherwise. Events run on the thread that owns the
// component while the worker waits. A fetch that cannot connect within 15 s, or then receives
// nothing for 60 s, fails, so no caller waits for ever. No retries, no messages. Destroying the
// component during a fetch stops the worker without waiting for it; no event of that fetch reaches
// anyone afterwards.
class THTTPGet : public QObject {
    Q_OBJECT

public:
    using TOnProgressEvent = THTTPGetThread::Progress;
    using TOnDoneFileEvent =
        std::function<void(QObject* Sender, const std::string& FileName, std::int64_t FileSize)>;
    using TOnDoneStringEvent = std::function<void(QObject* Sender, const std::string& Result)>;
    using TNotifyEvent = std::function<void(QObject* Sender)>;

    explicit THTTPGet(QObject* owner = nullptr);
    // Cancels a running fetch first.
    ~THTTPGet() override;

    const std::string& AcceptTypes() const { return m_acceptTypes; }
    void setAcceptTypes(const std::string& types) { m_acceptTypes = types; }
    const std::string& Agent() const { return m_agent; }
    void setAgent(const std::string& agent) { m_agent = agent; }
    // On: a reply without Content-Length fails and nothing of it is read.
    bool BinaryData() const { return m_binaryData; }
    void setBinaryData(bool binary) { m_binaryData = binary; }
    // "http://host[:port]/object" or "https://..."; the object goes out as written.
    const std::string& URL() const { return m_url; }
    void setURL(const std::string& url) { m_url = url; }
    bool UseCache() const { return m_useCache; }
    void setUseCache(bool use) { m_useCache = use; }
    // Target of a download-to-file mode that is never started; kept as a setting only.
    const std::string& FileName() const { return m_fileName; }
    void setFileName(const std::string& name) { m_fileName = name; }
    const std::string& UserName() const { return m_userName; }
    void setUserName(const std::string& name) { m_userName = name; }
    const std::string& Password() const { return m_password; }
    void setPassword(const std::string& password) { m_password = password; }
    // Not empty: the request is a POST carrying this form body.
    const std::string& PostQuery() const { return m_postQuery; }
    void setPostQuery(const std::string& query) { m_postQuery = query; }
    // The Content-Type of that body; a form unless set.
    const std::string& postType() const { return m_postType; }
    void setPostType(const std::string& type) { m_postType = type; }
    const std::string& Referer() const { return m_referer; }
    void setReferer(const std::string& referer) { m_referer = referer; }
    // On: FetchString handles the events already waiting on the calling thread before it returns.
    bool WaitThread() const { return m_waitThread; }
    void setWaitThread(bool wait) { m_waitThread = wait; }
    // How long a fetch may wait to connect, and then for anything to arrive. Tests shorten them.
    void setDeadlines(httpexchange::Deadlines deadlines) { m_deadlines = deadlines; }

    void setOnProgress(TOnProgressEvent handler) { m_onProgress = std::move(handler); }
    void setOnDoneFile(TOnDoneFileEvent handler) { m_onDoneFile = std::move(handler); }
    void setOnDoneString(TOnDoneStringEvent handler) { m_onDoneString = std::move(handler); }
    void setOnError(TNotifyEvent handler) { m_onError = std::move(handler); }

    // Starts fetching URL and returns before any network work. Ignored while a fetch of this
    // component runs, including from inside its own event handlers. Throws std::system_error
    // when no worker thread can be made; the component is then free again.
    void FetchString();
    // Asks a running fetch to stop; it ends soon with OnError. Returns at once.
    void CancelFetch();

    // A fetch has started and its events have not all run yet. Public for the tests and the
    // bench, which wait for a fetch to end.
    bool busy() const { return m_link != nullptr; }
    // The HTTP status code of the last completed fetch's reply, 0 when none arrived; already
    // set while its events run.
    long statusCode() const { return m_status; }

private:
    friend class THTTPGetThread;
    // The completion step, run on the component's thread while the worker waits.
    void complete(const httpfetch::FetchOutcome& outcome);

    std::string m_acceptTypes = "*/*";
    std::string m_agent = "Bloomzap HTTPGet";
    bool m_binaryData = false;
    std::string m_url;
    bool m_useCache = false;
    std::string m_fileName;
    std::string m_userName;
    std::string m_password;
    std::string m_postQuery;
    std::string m_postType = std::string(httpfetch::formPostType);
    std::string m_referer;
    bool m_waitThread = false;
    httpexchange::Deadlines m_deadlines;
    TOnProgressEvent m_onProgress;
    TOnDoneFileEvent m_onDoneFile;
    TOnDoneStringEvent m_onDoneString;
    TNotifyEvent m_onError;

    // The running fetch's link to its worker; empty when idle.
    std::shared_ptr<THTTPGetLink> m_link;
    bool m_success = false;
    long m_status = 0;
};
