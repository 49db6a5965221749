#include "common/http/HttpTls.h"

// Only the types and constants come from the header; every function is looked up in the library
// once it is loaded.
#include <gnutls/gnutls.h>

#include <dlfcn.h>

#include <cstdlib>
#include <mutex>

namespace httptls {

namespace {

// The GnuTLS functions a session uses, resolved once.
struct Library {
    decltype(&gnutls_certificate_allocate_credentials) allocateCredentials = nullptr;
    decltype(&gnutls_certificate_free_credentials) freeCredentials = nullptr;
    decltype(&gnutls_certificate_set_x509_system_trust) systemTrust = nullptr;
    decltype(&gnutls_certificate_set_x509_trust_file) trustFile = nullptr;
    decltype(&gnutls_init) init = nullptr;
    decltype(&gnutls_deinit) deinit = nullptr;
    decltype(&gnutls_priority_set_direct) prioritySetDirect = nullptr;
    decltype(&gnutls_credentials_set) credentialsSet = nullptr;
    decltype(&gnutls_server_name_set) serverNameSet = nullptr;
    decltype(&gnutls_session_set_verify_cert) setVerifyCert = nullptr;
    decltype(&gnutls_transport_set_int2) transportSetInt2 = nullptr;
    decltype(&gnutls_handshake) handshake = nullptr;
    decltype(&gnutls_record_send) recordSend = nullptr;
    decltype(&gnutls_record_recv) recordRecv = nullptr;
    decltype(&gnutls_record_get_direction) recordGetDirection = nullptr;
};

std::once_flag loadOnce;
const Library* library = nullptr; // set once, never freed: the library stays loaded

template <class Function> bool resolve(void* handle, const char* name, Function& function) {
    function = reinterpret_cast<Function>(::dlsym(handle, name));
    return function != nullptr;
}

void load() {
    void* handle = ::dlopen("libgnutls.so.30", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        return;
    }
    static Library found;
    const bool complete =
        resolve(handle, "gnutls_certificate_allocate_credentials", found.allocateCredentials) &&
        resolve(handle, "gnutls_certificate_free_credentials", found.freeCredentials) &&
        resolve(handle, "gnutls_certificate_set_x509_system_trust", found.systemTrust) &&
        resolve(handle, "gnutls_certificate_set_x509_trust_file", found.trustFile) &&
        resolve(handle, "gnutls_init", found.init) &&
        resolve(handle, "gnutls_deinit", found.deinit) &&
        resolve(handle, "gnutls_priority_set_direct", found.prioritySetDirect) &&
        resolve(handle, "gnutls_credentials_set", found.credentialsSet) &&
        resolve(handle, "gnutls_server_name_set", found.serverNameSet) &&
        resolve(handle, "gnutls_session_set_verify_cert", found.setVerifyCert) &&
        resolve(handle, "gnutls_transport_set_int2", found.transportSetInt2) &&
        resolve(handle, "gnutls_handshake", found.handshake) &&
        resolve(handle, "gnutls_record_send", found.recordSend) &&
        resolve(handle, "gnutls_record_recv", found.recordRecv) &&
        resolve(handle, "gnutls_record_get_direction", found.recordGetDirection);
    if (complete) {
        library = &found;
    }
}

const Library* gnutls() {
    std::call_once(loadOnce, load);
    return library;
}

// The trust store as one set of credentials, read again only when SSL_CERT_FILE changes.
struct Credentials {
    gnutls_certificate_credentials_t handle = nullptr;
    ~Credentials() {
        if (handle) {
            library->freeCredentials(handle);
        }
    }
};

std::shared_ptr<Credentials> credentials() {
    static std::mutex mutex;
    static std::shared_ptr<Credentials> held;
    static std::string heldFor;
    const char* named = std::getenv("SSL_CERT_FILE");
    const std::string file = named ? named : "";
    const std::lock_guard lock(mutex);
    if (held && heldFor == file) {
        return held;
    }
    auto made = std::make_shared<Credentials>();
    if (library->allocateCredentials(&made->handle) < 0) {
        made->handle = nullptr;
        return nullptr;
    }
    // A named file that holds no certificate trusts nothing, rather than falling back.
    const int count = file.empty()
                          ? library->systemTrust(made->handle)
                          : library->trustFile(made->handle, file.c_str(), GNUTLS_X509_FMT_PEM);
    if (count <= 0) {
        return nullptr;
    }
    held = made;
    heldFor = file;
    return held;
}

bool numeric(const std::string& host) {
    return host.find_first_not_of("0123456789.") == std::string::npos ||
           host.find(':') != std::string::npos;
}

} // namespace

struct Session::State {
    std::shared_ptr<Credentials> credentials;
    gnutls_session_t session = nullptr;
    std::string host; // verified against; must outlive the session
    ~State() {
        if (session) {
            library->deinit(session);
        }
    }

    Io wanting(int code) const {
        if (code == GNUTLS_E_AGAIN || code == GNUTLS_E_INTERRUPTED) {
            return library->recordGetDirection(session) == 0 ? Io::WantRead : Io::WantWrite;
        }
        if (code == GNUTLS_E_PREMATURE_TERMINATION) {
            return Io::Cut;
        }
        return Io::Failed;
    }
};

Session::Session(std::unique_ptr<State> state) : m_state(std::move(state)) {}

Session::~Session() = default;

bool loaded() {
    return library != nullptr;
}

std::unique_ptr<Session> Session::open(int fd, const std::string& host) {
    const Library* tls = gnutls();
    if (!tls) {
        return nullptr;
    }
    auto state = std::make_unique<State>();
    state->credentials = credentials();
    if (!state->credentials) {
        return nullptr;
    }
    state->host = host;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        state->host = host.substr(1, host.size() - 2);
    }
    if (tls->init(&state->session, GNUTLS_CLIENT | GNUTLS_NONBLOCK) < 0) {
        state->session = nullptr;
        return nullptr;
    }
    if (tls->prioritySetDirect(state->session, "NORMAL:-VERS-ALL:+VERS-TLS1.3:+VERS-TLS1.2",
                               nullptr) < 0 ||
        tls->credentialsSet(state->session, GNUTLS_CRD_CERTIFICATE, state->credentials->handle) <
            0) {
        return nullptr;
    }
    // A name goes to the server as SNI; an address may not.
    if (!numeric(state->host) && tls->serverNameSet(state->session, GNUTLS_NAME_DNS,
                                                    state->host.data(), state->host.size()) < 0) {
        return nullptr;
    }
    tls->setVerifyCert(state->session, state->host.c_str(), 0);
    tls->transportSetInt2(state->session, fd, fd);
    return std::unique_ptr<Session>(new Session(std::move(state)));
}

Io Session::handshake() {
    const int code = library->handshake(m_state->session);
    return code == GNUTLS_E_SUCCESS ? Io::Done : m_state->wanting(code);
}

Io Session::send(const char* data, std::size_t size, std::size_t& count) {
    const ssize_t sent = library->recordSend(m_state->session, data, size);
    if (sent >= 0) {
        count = static_cast<std::size_t>(sent);
        return Io::Done;
    }
    return m_state->wanting(static_cast<int>(sent));
}

Io Session::receive(char* data, std::size_t size, std::size_t& count) {
    const ssize_t got = library->recordRecv(m_state->session, data, size);
    if (got > 0) {
        count = static_cast<std::size_t>(got);
        return Io::Done;
    }
    if (got == 0) {
        return Io::Closed;
    }
    return m_state->wanting(static_cast<int>(got));
}

} // namespace httptls
