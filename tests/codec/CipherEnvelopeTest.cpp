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
    holder.SetSaveKey(name, key);
    return *holder.Wrap(doc);
}

Result<Bytes, EnvelopeError> Open(std::string_view text, std::string_view key, std::string* name = nullptr)
{
    CCipherEnvelope holder;
    const auto envelope = holder.ReadEnvelope(text);
    if (name)
        *name = holder.LastKeyName();
    if (!envelope)
        return Fail(envelope.error());
    holder.SetOpenKey(key);
    return holder.OpenEnvelope(*envelope);
}

Bytes Envelope(std::string_view magic, std::size_t size)
{
    Bytes bytes(magic.begin(), magic.end());
    bytes.resize(size, 0);
    return bytes;
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
    EXPECT_TRUE(Open(*holder.Wrap(kDocument), "k", &name));
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
    const auto opened = Open(text, "wrong", &name);
    ASSERT_FALSE(opened);
    EXPECT_EQ(opened.error(), EnvelopeError::WrongKey);
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
    EXPECT_EQ(Open(joined, "k").value(), kDocument);
    EXPECT_EQ(Open(crlf, "k").value(), kDocument);
}

TEST(CipherEnvelope, WrapIsDeterministic)
{
    EXPECT_EQ(WrapWith("n", "k"), WrapWith("n", "k"));
    EXPECT_NE(WrapWith("n", "k"), WrapWith("m", "k"));
}

TEST(CipherEnvelope, ReadingAcceptsExactlyMoreThanTheFortyPrefixBytes)
{
    CCipherEnvelope holder;
    EXPECT_FALSE(holder.ReadEnvelope(EncodeBase64(Envelope("PLV4", 40))));
    EXPECT_TRUE(holder.ReadEnvelope(EncodeBase64(Envelope("PLV4", 41))));
}

TEST(CipherEnvelope, EachFailureNamesItsCause)
{
    const std::string good = WrapWith("n", "right");
    const Bytes raw = DecodeBase64(good);
    auto changed = [&](std::size_t at, std::uint8_t value) {
        Bytes bad = raw;
        bad[at] = value;
        return EncodeBase64(bad, 72);
    };
    const struct {
        const char* name;
        std::string text;
        std::string_view key;
        EnvelopeError expected;
    } rows[] = {
        {"an error page", "<html><body>502 Bad Gateway</body></html>", "right", EnvelopeError::NotText},
        {"a server error line", "ERROR: The file is locked.", "right", EnvelopeError::NotText},
        {"nothing", "", "right", EnvelopeError::TooShort},
        {"forty bytes", EncodeBase64(Envelope("PLV4", 40)), "right", EnvelopeError::TooShort},
        {"a few Base64 characters", "bm90ZQ", "right", EnvelopeError::TooShort},
        {"other magic", EncodeBase64(Envelope("PLV3", 100)), "right", EnvelopeError::BadMagic},
        {"magic in other case", EncodeBase64(Envelope("plv4", 100)), "right", EnvelopeError::BadMagic},
        {"wrong key", good, "wrong", EnvelopeError::WrongKey},
        {"key length byte", changed(40 + 5, 4), "right", EnvelopeError::WrongKey},
        {"block length byte", changed(40 + 4, 7), "right", EnvelopeError::Damaged},
        {"length field", changed(40 + 3, 200), "right", EnvelopeError::Damaged},
        {"body cut short", EncodeBase64(Bytes(raw.begin(), raw.end() - 1), 72), "right", EnvelopeError::Damaged},
        {"sealed part missing but one byte", EncodeBase64(Bytes(raw.begin(), raw.begin() + 41), 72), "right",
         EnvelopeError::Damaged},
    };
    for (const auto& row : rows) {
        const auto opened = Open(row.text, row.key);
        ASSERT_FALSE(opened) << row.name;
        EXPECT_EQ(opened.error(), row.expected) << row.name;
    }

    CCipherEnvelope empty;
    const auto wrapped = empty.Wrap(kDocument);
    ASSERT_FALSE(wrapped);
    EXPECT_EQ(wrapped.error(), EnvelopeError::NoSaveKey);
    const auto envelope = empty.ReadEnvelope(good);
    ASSERT_TRUE(envelope);
    const auto noKey = empty.OpenEnvelope(*envelope);
    ASSERT_FALSE(noKey);
    EXPECT_EQ(noKey.error(), EnvelopeError::NoOpenKey);
    empty.SetOpenKey("right");
    const auto prefixOnly = empty.OpenEnvelope(ByteView(raw.data(), 40));
    ASSERT_FALSE(prefixOnly);
    EXPECT_EQ(prefixOnly.error(), EnvelopeError::TooShort);
}

TEST(CipherEnvelope, DecodeEnvelopeNeedsNoKeyHolder)
{
    const std::string text = WrapWith("Shopping list", "k");
    const auto decoded = DecodeEnvelope(text);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->keyName, "Shopping list");
    EXPECT_EQ(decoded->bytes, DecodeBase64(text));
    // Foreign characters around a real envelope are skipped as before, not refused.
    const auto decorated = DecodeEnvelope("  " + text + "\r\n");
    ASSERT_TRUE(decorated);
    EXPECT_EQ(decorated->keyName, "Shopping list");
}
