#pragma once

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace server {

// The server's certificate chain and private key for TLS, read from two PEM files and read again
// on request, so that a renewed certificate is taken without a restart. New handshakes get the
// copy last read; one that fails to read leaves the one in use. Copies once handed out stay valid
// for the life of this object, since a handshake under way may still use one. One per process:
// the engine asks for the certificate through a plain function (retrieve()).
class TlsCredentials {
public:
    TlsCredentials(std::filesystem::path certificate, std::filesystem::path key);
    ~TlsCredentials();
    TlsCredentials(const TlsCredentials&) = delete;
    TlsCredentials& operator=(const TlsCredentials&) = delete;

    // Reads both files; on failure returns false with `error` set to one line and keeps what was
    // in use. A key file open to group or others is refused.
    bool load(std::string& error);

    // The engine's certificate callback: gnutls_certificate_retrieve_function2.
    static void* retrieveFunction();

    // One reading of the files; public for that callback.
    struct Copy;

private:
    std::filesystem::path m_certificate;
    std::filesystem::path m_key;
    std::mutex m_mutex;
    std::vector<std::unique_ptr<Copy>> m_copies; // every copy ever read, the last in use
};

} // namespace server
