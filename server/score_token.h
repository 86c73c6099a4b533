#pragma once
// The tokens of the version query: the server can tell its own tokens from any other text without
// having stored them. A token is 16 bytes written as 32 lowercase hex digits: the time it was
// issued (seconds since 1970, 4 bytes), a random nonce (5 bytes), and the first 7 bytes of an
// HMAC-SHA256 of those nine under the server's key. Servers sharing a database share the key, so
// a token from one is good at all; the database keeps only tokens that were used, to refuse them
// a second time.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

class TokenSigner {
public:
    // key: 64 hex digits (32 bytes), as NewTokenKey makes. Throws std::invalid_argument otherwise.
    explicit TokenSigner(std::string_view keyHex);

    // A fresh token issued at the given time.
    std::string Issue(int64_t issuedAt) const;

    // When a token of ours was issued; nullopt for anything not signed with this key.
    std::optional<int64_t> IssuedAt(std::string_view token) const;

private:
    unsigned char key_[32];
};

// A new random key, 64 hex digits.
std::string NewTokenKey();

// count random bytes from the kernel's generator, as lowercase hex.
std::string RandomHex(size_t count);
