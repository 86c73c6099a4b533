#include "engine/name_hash.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

TEST(NameHash, BucketFollowsTheLengthAndTwoCharacters) {
    // (length * 16 + first + second-to-last) mod 256, on the lower-cased name.
    EXPECT_EQ(NameHash::Bucket("boom"), (4 * 16 + 'b' + 'o') % 256);
    EXPECT_EQ(NameHash::Bucket("BOOM"), NameHash::Bucket("boom"));
    EXPECT_EQ(NameHash::Bucket("Start Game_n"), (12 * 16 + 's' + '_') % 256);
    EXPECT_EQ(NameHash::Bucket("x"), 16);  // one character: the length alone
    EXPECT_EQ(NameHash::Bucket(""), 0);
}

TEST(NameHash, FindsIgnoringCaseAndOnlyWholeNames) {
    NameHash hash;
    const std::vector<std::string> names = {"boom", "Start Game_n", "car1_down", "fura", "boo"};
    for (size_t i = 0; i < names.size(); ++i) hash.Add(names[i], static_cast<int>(i));
    EXPECT_EQ(hash.Find("BOOM"), 0);
    EXPECT_EQ(hash.Find("start game_N"), 1);
    EXPECT_EQ(hash.Find("car1_down"), 2);
    EXPECT_EQ(hash.Find("boo"), 4);
    EXPECT_EQ(hash.Find("boomx"), -1);
    EXPECT_EQ(hash.Find("Start Game"), -1);
    EXPECT_EQ(hash.Find(""), -1);
}

TEST(NameHash, TheLastOfSeveralEqualNamesWins) {
    NameHash hash;
    hash.Add("boom", 0);
    hash.Add("rocks", 1);
    hash.Add("Boom", 2);
    EXPECT_EQ(hash.Find("boom"), 2);
    hash.Clear();
    EXPECT_EQ(hash.Find("boom"), -1);
}

TEST(NameHash, NamesSharingABucketStayApart) {
    // Same length, same first and second-to-last letters: same bucket, different names.
    ASSERT_EQ(NameHash::Bucket("abcd"), NameHash::Bucket("axcz"));
    NameHash hash;
    hash.Add("abcd", 0);
    hash.Add("axcz", 1);
    EXPECT_EQ(hash.Find("ABCD"), 0);
    EXPECT_EQ(hash.Find("axcz"), 1);
}

TEST(NameHash, RenamingMovesAnItemToTheHeadOfItsNewChain) {
    NameHash hash;
    hash.Add("boom", 0);
    hash.Add("rock", 1);
    hash.Add("boom", 2);
    // Item 0 renamed "boom" again goes to the head: now it is the one found.
    hash.Rename("boom", "boom", 0);
    EXPECT_EQ(hash.Find("boom"), 0);
    hash.Rename("rock", "stone", 1);
    EXPECT_EQ(hash.Find("rock"), -1);
    EXPECT_EQ(hash.Find("Stone"), 1);
    EXPECT_TRUE(hash.Remove("boom", 0));
    EXPECT_EQ(hash.Find("boom"), 2);
    EXPECT_FALSE(hash.Remove("boom", 0));
}

}  // namespace
