#pragma once

// The maker's signed statement of one release: which product, which version, and the size and
// SHA-256 of its installer. It is published beside the installer as "bzpsetup.exe.sig":
//
//   Bloomzap release statement
//   product bloomzap
//   version 1.0.1
//   size 1234567
//   sha256 <64 hexadecimal digits>
//   signature <128 hexadecimal digits: Ed25519 over every byte before this line>
//
// Lines end in a single line feed; nothing else is accepted. Reading is pure (no Qt, no
// files), so it can be driven with arbitrary bytes.

#include "update/InstallerSignature.h"
#include "update/Sha256Stream.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct ReleaseStatement {
    std::string product;
    std::string version;
    std::uint64_t size = 0;
    Sha256Digest sha256{};
};

// A statement that verified, or why it did not.
struct ReleaseStatementReading {
    std::optional<ReleaseStatement> statement;
    std::string error;
};

class ReleaseStatementText {
public:
    static constexpr std::string_view heading = "Bloomzap release statement";
    // A reply longer than this is no statement.
    static constexpr std::size_t largest = 4096;
    static constexpr std::size_t longestVersion = 64;

    // The statement in bytes when they are well formed and signed by key; never throws.
    static ReleaseStatementReading read(std::string_view bytes, const UpdatePublicKey& key);

    // The signed text of statement. Throws std::invalid_argument when a field cannot be
    // written (a version that is not dotted decimal numbers, a product with blanks).
    static std::string write(const ReleaseStatement& statement, const UpdateSecretKey& key);

    // True when both are dotted decimal numbers ("1.0.10") and offered is greater, part by
    // part as numbers (missing parts count as 0). Anything else is false.
    static bool isNewerVersion(std::string_view offered, std::string_view own);
    static bool isDottedNumber(std::string_view version);
};
