#include "codec/Base64.h"
#include "codec/CipherEnvelope.h"

#include <gtest/gtest.h>

using namespace qb;

namespace {

const Bytes kDocument = [] {
    const std::string_view text("pLvZ\x00\x00\x01\x00 any opaque packed bytes \xFF\x01", 35);
    return Bytes(text.begin(), text.end());
}();

std::string WrapWith(std::string_view name, std::string_view key, const Bytes& doc = kDocument)
{
    CCipherEnvelope holder;
    EXPECT_EQ(holder.SetSaveKey(name, key), 1);
    return *holder.Wrap(doc);
}

std::optional<Bytes> Open(std::string_view text, std::string_view key, std::string* name = nullptr)
{
    CCipherEnvelope holder;
    const auto envelope = holder.ReadEnvelope(text);
    if (name)
        *name = holder.LastKeyName();
    if (!envelope)
        return std::nullopt;
    holder.SetOpenKey(key);
    return holder.OpenEnvelope(*envelope);
}

} // namespace

TEST(CipherEnvelope, WrapThenOpenGivesTheDocumentAndKeyName)
{
    const std::string text = WrapWith("Work notes", "correct horse battery");
    EXPECT_EQ(text.substr(0, 72).find('\n'), std::string::npos);
    EXPECT_EQ(text[72], '\n');
    EXPECT_EQ(text.back(), '=');
    const Bytes raw = DecodeBase64(text);
    EXPECT_EQ(std::string(raw.begin(), raw.begin() + 4), "PLV4");
    EXPECT_EQ(raw.size(), 40u + 8u + 48u);
    for (int i = 36; i < 40; ++i)
        EXPECT_EQ(raw[i], 0) << "header bytes 32-35 stay zero";

    std::string name;
    const auto doc = Open(text, "correct horse battery", &name);
    ASSERT_TRUE(doc);
    EXPECT_EQ(*doc, kDocument);
    EXPECT_EQ(name, "Work notes");
}

TEST(CipherEnvelope, KeyNameIsCutToFifteenCharacters)
{
    CCipherEnvelope holder;
    EXPECT_EQ(holder.SaveKeyName(), "");
    EXPECT_FALSE(holder.HasSaveKey());
    holder.SetSaveKey("abcdefghijklmnopqrst", "k");
    EXPECT_EQ(holder.SaveKeyName(), "abcdefghijklmno");
    std::string name;
    Open(*holder.Wrap(kDocument), "k", &name);
    EXPECT_EQ(name, "abcdefghijklmno");
}

TEST(CipherEnvelope, KeyTextsEqualInTheirFirst32CharactersAreOneKey)
{
    const std::string base(32, 'q');
    const std::string text = WrapWith("n", base + "tail one");
    EXPECT_TRUE(Open(text, base + "another tail"));
    EXPECT_TRUE(Open(text, base));
    EXPECT_FALSE(Open(text, base.substr(0, 31)));
    EXPECT_FALSE(Open(text, "Q" + base.substr(1))); // case-sensitive
}

TEST(CipherEnvelope, WrongKeyStillReportsTheKeyName)
{
    const std::string text = WrapWith("Diary", "right");
    std::string name;
    EXPECT_FALSE(Open(text, "wrong", &name));
    EXPECT_EQ(name, "Diary");
}

TEST(CipherEnvelope, LineEndsDoNotMatter)
{
    const std::string text = WrapWith("n", "k");
    std::string joined, crlf;
    for (char c : text) {
        if (c != '\n')
            joined += c;
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    EXPECT_EQ(Open(joined, "k"), kDocument);
    EXPECT_EQ(Open(crlf, "k"), kDocument);
}

TEST(CipherEnvelope, WrapIsDeterministicAndNeedsASaveKey)
{
    EXPECT_EQ(WrapWith("n", "k"), WrapWith("n", "k"));
    EXPECT_NE(WrapWith("n", "k"), WrapWith("m", "k"));
    CCipherEnvelope holder;
    EXPECT_FALSE(holder.Wrap(kDocument));
    EXPECT_FALSE(holder.HasOpenKey());
    const auto envelope = holder.ReadEnvelope(WrapWith("n", "k"));
    ASSERT_TRUE(envelope);
    EXPECT_FALSE(holder.OpenEnvelope(*envelope)); // no open key yet
}

TEST(CipherEnvelope, ShortOrForeignEnvelopesAreRefused)
{
    CCipherEnvelope holder;
    Bytes forty = {'P', 'L', 'V', '4'};
    forty.resize(40, 0);
    EXPECT_FALSE(holder.ReadEnvelope(EncodeBase64(forty)));
    forty.push_back(0);
    EXPECT_TRUE(holder.ReadEnvelope(EncodeBase64(forty)));
    Bytes wrongMagic = forty;
    wrongMagic[3] = '3';
    EXPECT_FALSE(holder.ReadEnvelope(EncodeBase64(wrongMagic)));
    EXPECT_FALSE(holder.ReadEnvelope(""));
}
