#include "codec/Base64.h"
#include "codec/SessionToken.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

using namespace qb;

TEST(SessionToken, SealsAndOpensWithTheTokenCipher)
{
    const CTokenSealer sealer;
    EXPECT_EQ(sealer.Cipher().KeyLength(), 4);
    EXPECT_EQ(sealer.Cipher().BlockLength(), 6);
    EXPECT_EQ(sealer.Cipher().Rounds(), 12);

    const std::string text = FormatTokenText(1700000042, "kiwi");
    EXPECT_EQ(text, "0042|kiwi");
    const std::string token = sealer.Seal(text);
    EXPECT_EQ(token.find('\n'), std::string::npos);
    EXPECT_EQ(token.size(), 4u * 11 + 1); // 8 + 24 sealed bytes

    const auto opened = sealer.Unseal(token);
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->stamp, "0042");
    EXPECT_EQ(opened->account, "kiwi");
    EXPECT_EQ(CTokenSealer().Unseal(token)->account, "kiwi") << "every token sealer is the same cipher";
}

TEST(SessionToken, EachFailureNamesItsCause)
{
    const CTokenSealer sealer;
    CAesCipher otherCipher;
    otherCipher.SetKeyText("Quillbox2");
    ASSERT_TRUE(otherCipher.Expand(6));
    const std::string foreign = EncodeBase64(*CBlockSealer(&otherCipher).Seal(AsBytes("0042|kiwi")));
    const struct {
        const char* name;
        std::string token;
        TokenError expected;
    } rows[] = {
        {"empty", "", TokenError::DoesNotOpen},
        {"garbage", "garbage", TokenError::DoesNotOpen},
        {"another cipher", foreign, TokenError::DoesNotOpen},
        {"two digits", sealer.Seal("12|kiwi"), TokenError::BadForm},
        {"a letter in the stamp", sealer.Seal("12a4|kiwi"), TokenError::BadForm},
        {"no bar", sealer.Seal("1234kiwi"), TokenError::BadForm},
        {"stamp only", sealer.Seal("1234"), TokenError::BadForm},
        {"no account", sealer.Seal("1234|"), TokenError::NoAccount},
    };
    for (const auto& row : rows) {
        const auto opened = sealer.Unseal(row.token);
        ASSERT_FALSE(opened) << row.name;
        EXPECT_EQ(opened.error(), row.expected) << row.name;
    }
}

TEST(SessionToken, OneSealerServesManyThreads)
{
    // Tokens forged with other block lengths used to re-expand the shared cipher under
    // the other threads' feet; they are now opened with a schedule of their own.
    const CTokenSealer sealer;
    std::vector<std::string> forged;
    for (int nb : {4, 8}) {
        CAesCipher cipher = sealer.Cipher();
        ASSERT_TRUE(cipher.Expand(nb));
        forged.push_back(EncodeBase64(*CBlockSealer(&cipher).Seal(AsBytes("0001|mallory"))));
    }
    std::vector<int> wrong(4, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            const std::string account = "user" + std::to_string(t);
            for (int i = 0; i < 300; ++i) {
                const auto mine = sealer.Unseal(sealer.Seal(FormatTokenText(i, account)));
                const auto other = sealer.Unseal(forged[static_cast<std::size_t>(i % 2)]);
                if (!mine || mine->account != account || !other || other->account != "mallory")
                    ++wrong[static_cast<std::size_t>(t)];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(wrong, std::vector<int>(4, 0));
    EXPECT_EQ(sealer.Cipher().BlockLength(), 6);
}
