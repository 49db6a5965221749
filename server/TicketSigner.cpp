#include "server/TicketSigner.h"

#include "engine/Ticket.h"

#include <sodium.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace server {

namespace {

void needSodium() {
    // Safe to call again and from several threads; only -1 is a failure.
    if (sodium_init() < 0) {
        throw std::runtime_error("the cryptography library libsodium cannot be used");
    }
}

std::string hex(const unsigned char* bytes, std::size_t count) {
    std::string out(count * 2 + 1, '\0');
    sodium_bin2hex(out.data(), out.size(), bytes, count);
    out.pop_back();
    return out;
}

std::optional<std::string> fromHex(std::string_view text, std::size_t bytes) {
    if (text.size() != bytes * 2) {
        return std::nullopt;
    }
    std::string out(bytes, '\0');
    std::size_t length = 0;
    if (sodium_hex2bin(reinterpret_cast<unsigned char*>(out.data()), out.size(), text.data(),
                       text.size(), nullptr, &length, nullptr) != 0 ||
        length != bytes) {
        return std::nullopt;
    }
    return out;
}

std::string readKeyFile(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read the ticket key " + file.string() + ": " +
                                 std::strerror(errno));
    }
    std::ostringstream text;
    text << in.rdbuf();
    std::string content = text.str();
    while (!content.empty() && (content.back() == '\n' || content.back() == '\r' ||
                                content.back() == ' ' || content.back() == '\t')) {
        content.pop_back();
    }
    const auto key = ticketKeyFromText(content);
    if (!key) {
        throw std::runtime_error("the ticket key " + file.string() + " does not hold " +
                                 std::to_string(TicketSigner::keyBytes * 2) + " hex digits");
    }
    return *key;
}

} // namespace

TicketSigner::TicketSigner(std::string key) : m_key(std::move(key)) {
    needSodium();
    if (m_key.size() != keyBytes) {
        throw std::invalid_argument("a ticket key has " + std::to_string(keyBytes) + " bytes");
    }
}

std::string TicketSigner::mac(std::string_view signedPart) const {
    std::array<unsigned char, crypto_auth_hmacsha256_BYTES> out{};
    crypto_auth_hmacsha256_state state;
    crypto_auth_hmacsha256_init(&state, reinterpret_cast<const unsigned char*>(m_key.data()),
                                m_key.size());
    crypto_auth_hmacsha256_update(&state, reinterpret_cast<const unsigned char*>(signedPart.data()),
                                  signedPart.size());
    crypto_auth_hmacsha256_final(&state, out.data());
    sodium_memzero(&state, sizeof state);
    return hex(out.data(), out.size());
}

std::string TicketSigner::issue(std::int64_t issued) const {
    std::array<unsigned char, 16> id{};
    std::array<unsigned char, 8> seed{};
    randombytes_buf(id.data(), id.size());
    randombytes_buf(seed.data(), seed.size());
    const std::string signedPart = "1." + hex(id.data(), id.size()) + "." +
                                   hex(seed.data(), seed.size()) + "." + std::to_string(issued);
    return signedPart + "." + mac(signedPart);
}

std::string TicketSigner::issueDaily(std::int64_t issued) const {
    constexpr std::int64_t secondsADay = 24 * 60 * 60;
    const std::string day = dayText(issued / secondsADay);
    std::array<unsigned char, 16> id{};
    randombytes_buf(id.data(), id.size());
    char seed[17];
    std::snprintf(seed, sizeof seed, "%016llx", static_cast<unsigned long long>(dailySeed(day)));
    const std::string signedPart =
        "2." + hex(id.data(), id.size()) + "." + seed + "." + std::to_string(issued) + "." + day;
    return signedPart + "." + mac(signedPart);
}

std::uint64_t TicketSigner::dailySeed(std::string_view day) const {
    const std::string daily = mac("bloomzap daily " + std::string(day));
    std::uint64_t seed = 0;
    for (std::size_t i = 0; i < 16; ++i) {
        const char ch = daily[i];
        seed = (seed << 4U) | static_cast<std::uint64_t>(ch <= '9' ? ch - '0' : ch - 'a' + 10);
    }
    return seed;
}

bool TicketSigner::verifies(std::string_view signedPart, std::string_view mac) const {
    const std::string expected = this->mac(signedPart);
    return mac.size() == expected.size() &&
           sodium_memcmp(mac.data(), expected.data(), expected.size()) == 0;
}

std::string randomTicketKey() {
    needSodium();
    std::string key(TicketSigner::keyBytes, '\0');
    randombytes_buf(key.data(), key.size());
    return key;
}

std::string ticketKeyText(const std::string& key) {
    return hex(reinterpret_cast<const unsigned char*>(key.data()), key.size());
}

std::optional<std::string> ticketKeyFromText(std::string_view text) {
    return fromHex(text, TicketSigner::keyBytes);
}

std::string loadOrCreateTicketKey(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::exists(file, ec)) {
        return readKeyFile(file);
    }
    const std::string key = randomTicketKey();
    const std::string text = ticketKeyText(key) + "\n";
    // Written whole under a temporary name and linked into place, so a second process starting
    // at the same moment either makes the file or reads the one made first, never half of it.
    std::string temporary = file.string() + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        throw std::runtime_error("cannot make the ticket key " + file.string() + ": " +
                                 std::strerror(errno));
    }
    ::fchmod(fd, S_IRUSR | S_IWUSR);
    const bool written =
        ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
        ::fsync(fd) == 0;
    const int writeError = errno;
    ::close(fd);
    if (!written) {
        ::unlink(temporary.c_str());
        throw std::runtime_error("cannot write the ticket key " + file.string() + ": " +
                                 std::strerror(writeError));
    }
    const bool linked = ::link(temporary.c_str(), file.c_str()) == 0;
    const int linkError = errno;
    ::unlink(temporary.c_str());
    if (!linked) {
        if (linkError == EEXIST) {
            return readKeyFile(file);
        }
        throw std::runtime_error("cannot make the ticket key " + file.string() + ": " +
                                 std::strerror(linkError));
    }
    return key;
}

} // namespace server
