#include "score_token.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <sys/random.h>

#include <cerrno>
#include <stdexcept>

namespace {

constexpr size_t kTimeBytes = 4;
constexpr size_t kNonceBytes = 5;
constexpr size_t kMacBytes = 7;
constexpr size_t kTokenBytes = kTimeBytes + kNonceBytes + kMacBytes;
constexpr char kHex[] = "0123456789abcdef";

void RandomBytes(unsigned char* bytes, size_t count) {
    size_t got = 0;
    while (got < count) {
        const ssize_t n = getrandom(bytes + got, count - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw std::runtime_error("no random bytes from the kernel");
        }
        got += static_cast<size_t>(n);
    }
}

std::string ToHex(const unsigned char* bytes, size_t count) {
    std::string text;
    text.reserve(count * 2);
    for (size_t i = 0; i < count; ++i) {
        text.push_back(kHex[bytes[i] >> 4]);
        text.push_back(kHex[bytes[i] & 15]);
    }
    return text;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Lowercase hex only, exactly 2 × count digits.
bool FromHex(std::string_view text, unsigned char* bytes, size_t count) {
    if (text.size() != count * 2) return false;
    for (size_t i = 0; i < count; ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) return false;
        bytes[i] = static_cast<unsigned char>(high * 16 + low);
    }
    return true;
}

void Sign(const unsigned char* key, const unsigned char* token, unsigned char* mac) {
    unsigned char full[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!HMAC(EVP_sha256(), key, 32, token, kTimeBytes + kNonceBytes, full, &length) || length < kMacBytes)
        throw std::runtime_error("HMAC-SHA256 failed");
    for (size_t i = 0; i < kMacBytes; ++i) mac[i] = full[i];
}

}  // namespace

TokenSigner::TokenSigner(std::string_view keyHex) {
    if (!FromHex(keyHex, key_, sizeof key_)) throw std::invalid_argument("a token key is 64 hex digits");
}

std::string TokenSigner::Issue(int64_t issuedAt) const {
    unsigned char token[kTokenBytes];
    const auto time = static_cast<uint32_t>(issuedAt);
    for (size_t i = 0; i < kTimeBytes; ++i) token[i] = static_cast<unsigned char>(time >> (8 * (3 - i)));
    RandomBytes(token + kTimeBytes, kNonceBytes);
    Sign(key_, token, token + kTimeBytes + kNonceBytes);
    return ToHex(token, kTokenBytes);
}

std::optional<int64_t> TokenSigner::IssuedAt(std::string_view text) const {
    unsigned char token[kTokenBytes];
    if (!FromHex(text, token, kTokenBytes)) return std::nullopt;
    unsigned char mac[kMacBytes];
    Sign(key_, token, mac);
    // Compared in constant time, so the answer's timing says nothing about how close a guess was.
    if (CRYPTO_memcmp(mac, token + kTimeBytes + kNonceBytes, kMacBytes) != 0) return std::nullopt;
    uint32_t time = 0;
    for (size_t i = 0; i < kTimeBytes; ++i) time = (time << 8) | token[i];
    return static_cast<int64_t>(time);
}

std::string NewTokenKey() {
    return RandomHex(32);
}

std::string RandomHex(size_t count) {
    std::string bytes(count, '\0');
    RandomBytes(reinterpret_cast<unsigned char*>(bytes.data()), count);
    return ToHex(reinterpret_cast<const unsigned char*>(bytes.data()), count);
}
