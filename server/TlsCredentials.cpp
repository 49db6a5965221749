#include "server/TlsCredentials.h"

#include "server/PrivateFile.h"

#include <gnutls/abstract.h>
#include <gnutls/gnutls.h>
#include <gnutls/x509.h>

#include <atomic>
#include <cassert>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace server {

namespace {

// The longest certificate chain taken.
constexpr unsigned maxChain = 16;

std::string readFile(const std::filesystem::path& file, const std::string& what) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + what + " " + file.string());
    }
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

gnutls_datum_t datum(const std::string& text) {
    return gnutls_datum_t{reinterpret_cast<unsigned char*>(const_cast<char*>(text.data())),
                          static_cast<unsigned>(text.size())};
}

} // namespace

struct TlsCredentials::Copy {
    gnutls_pcert_st chain[maxChain];
    unsigned length = 0;
    gnutls_privkey_t key = nullptr;
    ~Copy() {
        for (unsigned i = 0; i < length; ++i) {
            gnutls_pcert_deinit(&chain[i]);
        }
        if (key != nullptr) {
            gnutls_privkey_deinit(key);
        }
    }
};

namespace {

// The copy new handshakes get.
std::atomic<const TlsCredentials::Copy*> current{nullptr};

} // namespace

TlsCredentials::TlsCredentials(std::filesystem::path certificate, std::filesystem::path key)
    : m_certificate(std::move(certificate)), m_key(std::move(key)) {}

TlsCredentials::~TlsCredentials() {
    current.store(nullptr);
}

bool TlsCredentials::load(std::string& error) {
    auto copy = std::make_unique<Copy>();
    try {
        requireOwnerOnly(m_key, "the TLS key");
        const std::string certificate = readFile(m_certificate, "the TLS certificate");
        const std::string key = readFile(m_key, "the TLS key");
        const gnutls_datum_t certificateData = datum(certificate);
        const gnutls_datum_t keyData = datum(key);
        // Checks that the key belongs to the certificate.
        gnutls_certificate_credentials_t check = nullptr;
        gnutls_certificate_allocate_credentials(&check);
        const int matched = gnutls_certificate_set_x509_key_mem2(check, &certificateData, &keyData,
                                                                 GNUTLS_X509_FMT_PEM, nullptr, 0);
        gnutls_certificate_free_credentials(check);
        if (matched < 0) {
            throw std::runtime_error("the TLS certificate " + m_certificate.string() + " and key " +
                                     m_key.string() +
                                     " are not usable together: " + gnutls_strerror(matched));
        }
        copy->length = maxChain;
        int rc = gnutls_pcert_list_import_x509_raw(copy->chain, &copy->length, &certificateData,
                                                   GNUTLS_X509_FMT_PEM, 0);
        if (rc < 0) {
            copy->length = 0;
            throw std::runtime_error("the TLS certificate " + m_certificate.string() +
                                     " is not usable: " + gnutls_strerror(rc));
        }
        rc = gnutls_privkey_init(&copy->key);
        if (rc >= 0) {
            rc = gnutls_privkey_import_x509_raw(copy->key, &keyData, GNUTLS_X509_FMT_PEM, nullptr,
                                                0);
        }
        if (rc < 0) {
            throw std::runtime_error("the TLS key " + m_key.string() +
                                     " is not usable: " + gnutls_strerror(rc));
        }
    } catch (const std::runtime_error& e) {
        error = e.what();
        return false;
    }
    const std::lock_guard lock(m_mutex);
    current.store(copy.get());
    m_copies.push_back(std::move(copy));
    return true;
}

namespace {

int retrieve(gnutls_session_t, const gnutls_datum_t*, int, const gnutls_pk_algorithm_t*, int,
             gnutls_pcert_st** chain, unsigned* length, gnutls_privkey_t* key) {
    const TlsCredentials::Copy* copy = current.load();
    if (copy == nullptr) {
        return -1;
    }
    // The engine only reads them; the copy stays until this object goes.
    *chain = const_cast<gnutls_pcert_st*>(copy->chain);
    *length = copy->length;
    *key = copy->key;
    return 0;
}

} // namespace

void* TlsCredentials::retrieveFunction() {
    gnutls_certificate_retrieve_function2* function = &retrieve;
    return reinterpret_cast<void*>(function);
}

} // namespace server
