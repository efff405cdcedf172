#include "codec/SessionToken.h"

#include <gtest/gtest.h>

using namespace qb;

TEST(SessionToken, SealsAndOpensWithTheTokenCipher)
{
    CAesCipher cipher;
    PrepareTokenCipher(cipher);
    EXPECT_EQ(cipher.KeyLength(), 4);
    EXPECT_EQ(cipher.BlockLength(), 6);
    EXPECT_EQ(cipher.Rounds(), 12);
    CBlockSealer sealer;
    sealer.SetCipher(&cipher);

    const std::string text = FormatTokenText(1700000042, "kiwi");
    EXPECT_EQ(text, "0042|kiwi");
    const std::string token = SealSessionToken(sealer, text);
    EXPECT_EQ(token.find('\n'), std::string::npos);
    EXPECT_EQ(token.size(), 4u * 11 + 1); // 8 + 24 sealed bytes

    const auto opened = OpenSessionToken(sealer, token);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->stamp, "0042");
    EXPECT_EQ(opened->account, "kiwi");

    EXPECT_FALSE(OpenSessionToken(sealer, "garbage"));
    EXPECT_FALSE(OpenSessionToken(sealer, SealSessionToken(sealer, "12|kiwi")));
    EXPECT_FALSE(OpenSessionToken(sealer, SealSessionToken(sealer, "12a4|kiwi")));
}
