#include "online/HTTPGet.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

// What a component and its worker share. The worker never touches the component directly: it
// hands calls to the component's thread through here, and the component, when destroyed, cuts
// the link so that nothing of the fetch reaches it afterwards.
struct THTTPGetLink {
    std::mutex mutex;
    std::condition_variable handled;
    THTTPGet* owner = nullptr; // null once the component is gone; guarded by mutex
    std::uint64_t posted = 0;  // calls handed to the component's thread; guarded by mutex
    std::uint64_t served = 0;  // the last of them that has run; guarded by mutex
    std::atomic<bool> stop{false};
};

namespace {

// Runs `call` on the component's thread and waits until it has run or the component is gone.
// The component is only reached through the link's owner, read on its own thread, so a call
// still queued when it is destroyed is dropped with it.
void handOff(const std::shared_ptr<THTTPGetLink>& link, std::function<void(THTTPGet&)> call) {
    std::unique_lock lock(link->mutex);
    if (!link->owner) {
        return;
    }
    const std::uint64_t ticket = ++link->posted;
    QMetaObject::invokeMethod(
        link->owner,
        [link, ticket, call = std::move(call)] {
            THTTPGet* owner = nullptr;
            {
                std::lock_guard guard(link->mutex);
                owner = link->owner;
            }
            if (owner) {
                call(*owner);
            }
            {
                std::lock_guard guard(link->mutex);
                link->served = ticket;
            }
            link->handled.notify_all();
        },
        Qt::QueuedConnection);
    link->handled.wait(lock, [&] { return link->served >= ticket || !link->owner; });
}

} // namespace

THTTPGetThread::THTTPGetThread(std::shared_ptr<THTTPGetLink> link, httpfetch::FetchInput input,
                               Progress onProgress)
    : m_link(std::move(link)), m_input(std::move(input)), m_onProgress(std::move(onProgress)) {}

void THTTPGetThread::start(std::unique_ptr<THTTPGetThread> worker) {
    std::thread([self = std::move(worker)] { self->run(); }).detach();
}

void THTTPGetThread::run() {
    // The outcome moves into the call: a handler that destroys its component wakes this worker,
    // which then frees itself while the handler may still be reading the text.
    handOff(m_link, [outcome = httpfetch::fetch(m_input, *this)](THTTPGet& owner) {
        owner.complete(outcome);
    });
}

bool THTTPGetThread::stopAsked() {
    return m_link->stop.load();
}

void THTTPGetThread::progress(std::int64_t totalSize, std::int64_t readed) {
    if (!m_onProgress) {
        return;
    }
    handOff(m_link, [handler = m_onProgress, totalSize, readed](THTTPGet& owner) {
        handler(&owner, totalSize, readed);
    });
}

THTTPGet::THTTPGet(QObject* owner) : QObject(owner) {}

THTTPGet::~THTTPGet() {
    CancelFetch();
    if (m_link) {
        {
            std::lock_guard guard(m_link->mutex);
            m_link->owner = nullptr;
        }
        m_link->handled.notify_all();
    }
}

void THTTPGet::FetchString() {
    if (m_link) {
        return;
    }
    auto link = std::make_shared<THTTPGetLink>();
    link->owner = this;
    httpfetch::FetchInput input{m_acceptTypes, m_agent,     m_url,      m_userName,
                                m_password,    m_postQuery, m_referer,  m_binaryData,
                                m_useCache,    m_postType,  m_deadlines};
    auto worker = std::make_unique<THTTPGetThread>(link, std::move(input), m_onProgress);
    m_link = link;
    try {
        THTTPGetThread::start(std::move(worker));
    } catch (const std::exception&) {
        // The worker thread could not be made (std::system_error) or its state not allocated
        // (std::bad_alloc): no fetch runs, so the component is free for the next one.
        m_link.reset();
        throw;
    }
    if (m_waitThread) {
        QCoreApplication::processEvents();
    }
}

void THTTPGet::CancelFetch() {
    if (m_link) {
        m_link->stop = true;
    }
}

void THTTPGet::complete(const httpfetch::FetchOutcome& outcome) {
    m_success = outcome.success && !m_link->stop;
    m_status = outcome.status;
    // The handler may destroy this component or replace its own handler while it runs.
    QPointer<THTTPGet> self(this);
    if (m_success) {
        if (TOnDoneStringEvent handler = m_onDoneString) {
            handler(this, outcome.body);
        }
    } else if (TNotifyEvent handler = m_onError) {
        handler(this);
    }
    if (self) {
        m_link.reset();
    }
}
