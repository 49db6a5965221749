#pragma once

// nginx on 127.0.0.1 terminating TLS in front of a plain http server on 127.0.0.1 (the real
// bloomzap-server or a scripted one), with certificates of a test authority made for this run
// (make_test_certificates.sh): one port per certificate, good and bad, and one port whose every
// reply sends the client on to plain http.

#include "tests/support/TempDir.h"

#include <sys/types.h>

#include <string>

namespace testsupport {

class TlsFront {
public:
    enum class Certificate { good, untrusted, otherName, expired };

    // Starts nginx in front of 127.0.0.1:upstreamPort and waits until every port accepts.
    explicit TlsFront(int upstreamPort);
    ~TlsFront();
    TlsFront(const TlsFront&) = delete;
    TlsFront& operator=(const TlsFront&) = delete;

    bool running() const { return m_running; }
    // "https://127.0.0.1:PORT/" of the port serving with that certificate.
    std::string root(Certificate certificate = Certificate::good) const;
    // "https://127.0.0.1:PORT/" of the port that answers every request with a 302 to the same
    // path on http://127.0.0.1:upstreamPort.
    std::string redirectRoot() const;
    // The test authority's certificate, for SSL_CERT_FILE.
    std::string authorityFile() const;
    // nginx's error log, for a failing test's message.
    std::string log() const;

private:
    TempDir m_folder;
    int m_ports[5] = {};
    pid_t m_pid = 0;
    bool m_running = false;
};

} // namespace testsupport
