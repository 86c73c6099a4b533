#include <gtest/gtest.h>

#include <set>

#include "score_record.h"
#include "score_token.h"

namespace {

const std::string kKey = std::string(32, 'a') + std::string(32, '7');

}  // namespace

TEST(TokenSigner, TokensCarryTheirTimeAndLookLikeTheGameExpects) {
    const TokenSigner signer(kKey);
    std::set<std::string> seen;
    for (const int64_t time : {int64_t{0}, int64_t{1'750'000'000}, int64_t{4'294'967'295}}) {
        for (int i = 0; i < 100; ++i) {
            const std::string token = signer.Issue(time);
            EXPECT_TRUE(IsTokenShaped(token)) << token;
            EXPECT_EQ(signer.IssuedAt(token), time) << token;
            seen.insert(token);
        }
    }
    EXPECT_EQ(seen.size(), 300u);  // each one fresh, even within one second
}

// Any change to a token, anywhere in it, and any token made with another key is not ours.
TEST(TokenSigner, ForgedAndAlteredTokensAreRefused) {
    const TokenSigner signer(kKey);
    const TokenSigner other(NewTokenKey());
    const std::string token = signer.Issue(1'750'000'000);
    for (size_t at = 0; at < token.size(); ++at) {
        std::string altered = token;
        altered[at] = altered[at] == '0' ? '1' : '0';
        EXPECT_FALSE(signer.IssuedAt(altered)) << "digit " << at;
    }
    EXPECT_FALSE(signer.IssuedAt(other.Issue(1'750'000'000)));
    EXPECT_FALSE(other.IssuedAt(token));
    std::string upper = token;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& bad : {std::string(), token.substr(1), token + "0", upper, RandomHex(16)})
        EXPECT_FALSE(signer.IssuedAt(bad)) << bad;
    EXPECT_THROW(TokenSigner("abc"), std::invalid_argument);
    EXPECT_THROW(TokenSigner(std::string(64, 'g')), std::invalid_argument);
}
