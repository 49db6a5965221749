#include "update/ReleaseStatement.h"

#include <sodium.h>

#include <algorithm>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace {

constexpr std::string_view signatureKey = "signature ";

// Splits text into lines that each ended in "\n"; nothing when a line lacks one or holds a CR.
std::optional<std::vector<std::string_view>> lines(std::string_view text) {
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const auto end = text.find('\n');
        if (end == std::string_view::npos) {
            return std::nullopt;
        }
        const std::string_view line = text.substr(0, end);
        if (line.find('\r') != std::string_view::npos) {
            return std::nullopt;
        }
        result.push_back(line);
        text.remove_prefix(end + 1);
    }
    return result;
}

// The value of "key value", when line starts with key.
std::optional<std::string_view> field(std::string_view line, std::string_view key) {
    if (line.substr(0, key.size()) != key || line.size() == key.size()) {
        return std::nullopt;
    }
    return line.substr(key.size());
}

// A word of printable characters without blanks.
bool isWord(std::string_view text, std::size_t longest) {
    if (text.empty() || text.size() > longest) {
        return false;
    }
    for (const char c : text) {
        if (c <= ' ' || c > '~') {
            return false;
        }
    }
    return true;
}

bool isDigits(std::string_view text) {
    if (text.empty()) {
        return false;
    }
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// Any 64-bit size the writer can put down reads back; anything larger is refused.
std::optional<std::uint64_t> decimal(std::string_view text) {
    if (!isDigits(text) || text.size() > 20 || (text.size() > 1 && text[0] == '0')) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (const char c : text) {
        const auto digit = static_cast<std::uint64_t>(c - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            return std::nullopt;
        }
        value = value * 10 + digit;
    }
    return value;
}

template <std::size_t N>
std::optional<std::array<unsigned char, N>> hexBytes(std::string_view hex) {
    std::array<unsigned char, N> bytes{};
    std::size_t length = 0;
    if (hex.size() != 2 * N ||
        sodium_hex2bin(bytes.data(), N, hex.data(), hex.size(), nullptr, &length, nullptr) != 0 ||
        length != N) {
        return std::nullopt;
    }
    return bytes;
}

ReleaseStatementReading refused(std::string reason) {
    return {std::nullopt, std::move(reason)};
}

// A decimal number without its leading zeros ("007" is "7", "0" stays "0").
std::string_view significant(std::string_view digits) {
    while (digits.size() > 1 && digits[0] == '0') {
        digits.remove_prefix(1);
    }
    return digits;
}

std::vector<std::string_view> parts(std::string_view version) {
    std::vector<std::string_view> result;
    for (;;) {
        const auto dot = version.find('.');
        result.push_back(version.substr(0, dot));
        if (dot == std::string_view::npos) {
            return result;
        }
        version.remove_prefix(dot + 1);
    }
}

} // namespace

bool ReleaseStatementText::isDottedNumber(std::string_view version) {
    if (version.empty() || version.size() > longestVersion) {
        return false;
    }
    for (const std::string_view part : parts(version)) {
        if (!isDigits(part)) {
            return false;
        }
    }
    return true;
}

bool ReleaseStatementText::isNewerVersion(std::string_view offered, std::string_view own) {
    if (!isDottedNumber(offered) || !isDottedNumber(own)) {
        return false;
    }
    const auto mine = parts(own);
    const auto theirs = parts(offered);
    for (std::size_t i = 0; i < std::max(mine.size(), theirs.size()); ++i) {
        // Compared as numbers of any length: fewer significant digits is smaller.
        const std::string_view a = significant(i < theirs.size() ? theirs[i] : "0");
        const std::string_view b = significant(i < mine.size() ? mine[i] : "0");
        if (a.size() != b.size()) {
            return a.size() > b.size();
        }
        if (a != b) {
            return a > b;
        }
    }
    return false;
}

ReleaseStatementReading ReleaseStatementText::read(std::string_view bytes,
                                                   const UpdatePublicKey& key) {
    if (bytes.size() > largest) {
        return refused("the release statement is too long");
    }
    const auto all = lines(bytes);
    if (!all || all->size() != 6 || (*all)[0] != heading) {
        return refused("not a release statement");
    }
    const auto signatureHex = field((*all)[5], signatureKey);
    const auto signature =
        signatureHex ? hexBytes<InstallerSignature::size>(*signatureHex) : std::nullopt;
    if (!signature) {
        return refused("the release statement has no signature");
    }
    const std::string_view signedPart = bytes.substr(0, bytes.size() - (*all)[5].size() - 1);
    try {
        if (!InstallerSignature::verify(
                signedPart,
                std::string_view(reinterpret_cast<const char*>(signature->data()),
                                 signature->size()),
                key)) {
            return refused("the release statement is not signed by the maker");
        }
    } catch (const std::exception& error) {
        return refused(error.what());
    }

    const auto product = field((*all)[1], "product ");
    const auto version = field((*all)[2], "version ");
    const auto sizeText = field((*all)[3], "size ");
    const auto sha256Text = field((*all)[4], "sha256 ");
    const auto size = sizeText ? decimal(*sizeText) : std::nullopt;
    const auto sha256 = sha256Text ? hexBytes<32>(*sha256Text) : std::nullopt;
    if (!product || !isWord(*product, longestVersion) || !version ||
        !isWord(*version, longestVersion) || !size || !sha256) {
        return refused("the release statement is malformed");
    }
    return {ReleaseStatement{std::string(*product), std::string(*version), *size, *sha256}, {}};
}

std::string ReleaseStatementText::write(const ReleaseStatement& statement,
                                        const UpdateSecretKey& key) {
    if (!isWord(statement.product, longestVersion)) {
        throw std::invalid_argument("the product must be one word");
    }
    if (!isDottedNumber(statement.version)) {
        throw std::invalid_argument("the version must be decimal numbers with dots, as 1.0.1");
    }
    std::string text = std::string(heading) + "\n";
    text += "product " + statement.product + "\n";
    text += "version " + statement.version + "\n";
    text += "size " + std::to_string(statement.size) + "\n";
    text += "sha256 " +
            InstallerSignature::toHex(statement.sha256.data(), statement.sha256.size()) + "\n";
    const std::string signature = InstallerSignature::sign(text, key);
    text += std::string(signatureKey) +
            InstallerSignature::toHex(reinterpret_cast<const unsigned char*>(signature.data()),
                                      signature.size()) +
            "\n";
    return text;
}
