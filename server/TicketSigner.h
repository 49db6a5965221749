#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace server {

// Issues and checks the game tickets of one server: a ticket line is
// "1.<id: 32 hex>.<seed: 16 hex>.<issued: unix seconds>.<mac: 64 hex>", or for the day's game
// "2.<id>.<seed>.<issued>.<day: YYYY-MM-DD>.<mac>", the mac being HMAC-SHA256 under the server's
// secret key of everything before the last ".". Another key (another server) makes other macs, so
// its tickets do not verify here. Safe to use from many threads.
class TicketSigner {
public:
    static constexpr std::size_t keyBytes = 32;

    // Throws std::invalid_argument unless `key` is keyBytes long.
    explicit TicketSigner(std::string key);

    // A new ticket line (no line break) issued at `issued`, with a random id and seed.
    std::string issue(std::int64_t issued) const;
    // A new daily ticket line issued at `issued` (unix seconds), for the UTC day that falls on,
    // with a random id and that day's seed.
    std::string issueDaily(std::int64_t issued) const;
    // The seed of the daily game of `day` ("YYYY-MM-DD"): the first 8 bytes, big-endian, of this
    // key's mac of "bloomzap daily " + day; the same in every process that shares the key.
    std::uint64_t dailySeed(std::string_view day) const;
    // Whether `mac` (64 lowercase hex digits) is this key's mac of `signedPart`; the comparison
    // takes the same time wherever the two differ.
    bool verifies(std::string_view signedPart, std::string_view mac) const;

    // The mac of `signedPart` in lowercase hex.
    std::string mac(std::string_view signedPart) const;

private:
    std::string m_key;
};

// Reads the key kept in `file`; when the file does not exist, makes a new random key and writes
// it there, readable by the owner only. Throws std::runtime_error (with the file's name) when the
// file cannot be read or made or does not hold a key.
std::string loadOrCreateTicketKey(const std::filesystem::path& file);

// A fresh random key of TicketSigner::keyBytes.
std::string randomTicketKey();

// A key as it is kept: lowercase hex. The reverse gives nullopt for anything but a key's
// 2 * keyBytes hex digits.
std::string ticketKeyText(const std::string& key);
std::optional<std::string> ticketKeyFromText(std::string_view text);

} // namespace server
