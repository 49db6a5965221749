// libFuzzer target: any bytes as a signed release statement, checked against the tests' key.
// Reading never throws; a statement is accepted only in the one form the maker writes for it;
// a statement written from the fuzzer's fields reads back the same and is refused once any of
// its bytes changes; the version order is a strict order.
#include "update/ReleaseStatement.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <string_view>

namespace {

const UpdatePublicKey& publicKey() {
    static const UpdatePublicKey key =
        InstallerSignature::publicKeyFromHex(BLOOMZAP_FUZZ_PUBLIC_KEY).value();
    return key;
}

const UpdateSecretKey& secretKey() {
    static const UpdateSecretKey key =
        InstallerSignature::secretKeyFromHex(BLOOMZAP_FUZZ_SECRET_KEY).value();
    return key;
}

bool sameStatement(const ReleaseStatement& a, const ReleaseStatement& b) {
    return a.product == b.product && a.version == b.version && a.size == b.size &&
           a.sha256 == b.sha256;
}

ReleaseStatementReading readNoThrow(std::string_view bytes) {
    try {
        return ReleaseStatementText::read(bytes, publicKey());
    } catch (...) {
        std::abort(); // reading refuses by its result and throws nothing: any throw is a finding
    }
}

// A statement made of the fuzzer's bytes: product and version up to the first two zero bytes,
// then the size and the digest from whatever follows.
ReleaseStatement statementFrom(std::string_view bytes) {
    ReleaseStatement statement;
    const std::size_t first = bytes.find('\0');
    statement.product = std::string(bytes.substr(0, first));
    bytes = first == std::string_view::npos ? std::string_view() : bytes.substr(first + 1);
    const std::size_t second = bytes.find('\0');
    statement.version = std::string(bytes.substr(0, second));
    bytes = second == std::string_view::npos ? std::string_view() : bytes.substr(second + 1);
    for (std::size_t i = 0; i < 8 && i < bytes.size(); ++i)
        statement.size = (statement.size << 8) | static_cast<unsigned char>(bytes[i]);
    for (std::size_t i = 0; i < statement.sha256.size() && 8 + i < bytes.size(); ++i)
        statement.sha256[i] = static_cast<unsigned char>(bytes[8 + i]);
    return statement;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    // Any bytes: accepted only in the form the maker writes, but for the letter case of the
    // signature's hexadecimal digits, which no signature can cover.
    const ReleaseStatementReading reading = readNoThrow(bytes);
    if (reading.statement) {
        std::string canonical;
        try {
            canonical = ReleaseStatementText::write(*reading.statement, secretKey());
        } catch (...) {
            std::abort(); // read accepted what the maker cannot write
        }
        const std::size_t signature = canonical.rfind("\nsignature ");
        if (canonical.size() != bytes.size() || signature == std::string::npos ||
            bytes.substr(0, signature) != std::string_view(canonical).substr(0, signature))
            std::abort();
        for (std::size_t i = signature; i < bytes.size(); ++i)
            if (std::tolower(static_cast<unsigned char>(bytes[i])) != canonical[i])
                std::abort();
    } else if (reading.error.empty()) {
        std::abort();
    }

    // The bytes as fields: what the maker can write reads back, and no changed byte passes.
    const ReleaseStatement made = statementFrom(bytes);
    std::string text;
    try {
        text = ReleaseStatementText::write(made, secretKey());
    } catch (const std::invalid_argument&) {
        text.clear();
    }
    if (!text.empty()) {
        const ReleaseStatementReading back = readNoThrow(text);
        if (!back.statement || !sameStatement(*back.statement, made))
            std::abort();
        const std::size_t at = size == 0 ? 0 : data[0] % text.size();
        std::string changed = text;
        changed[at] = static_cast<char>(changed[at] ^ (size > 1 && data[1] ? data[1] : 1));
        const bool caseOnly = std::tolower(static_cast<unsigned char>(changed[at])) == text[at] &&
                              at > text.rfind("\nsignature ");
        if (!caseOnly && readNoThrow(changed).statement)
            std::abort();
    }

    // Newer is a strict order: never both ways, never a version over itself.
    const std::size_t half = bytes.find('\0');
    const std::string_view a = bytes.substr(0, half);
    const std::string_view b = half == std::string_view::npos ? a : bytes.substr(half + 1);
    if (ReleaseStatementText::isNewerVersion(a, a) ||
        (ReleaseStatementText::isNewerVersion(a, b) && ReleaseStatementText::isNewerVersion(b, a)))
        std::abort();
    return 0;
}
