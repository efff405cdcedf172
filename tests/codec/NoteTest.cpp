#include "codec/Base64.h"
#include "codec/Note.h"
#include "codec/PackedBlock.h"

#include <gtest/gtest.h>

#include <set>

using namespace qb;

namespace {

const std::string kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Hello hello hello hello \\b world\\b0\\par}";

// kRtf wrapped as "home" with the key text "s3cret" by an earlier build: stored notes look
// like this, and every later build must open them and write them byte for byte the same.
const std::string kStoredNote = "UExWNCotG7Pb8SEXBS7jrIFXvaRPg0aszuAnatMbIEHuJyfdAAAAAAAAAEQGCAA0BCBqB5kl\n"
                                "eJVj_XRQNkO6V5eZjpqopPvUvHI1YocxALcg33OBuR95fpwkg8oNdB9P_XZR4YkQPNwVN6tn\n"
                                "m4atxP4lhivlKDrn=";

} // namespace

TEST(Note, StoredNoteOpensAndIsWrittenTheSameWay)
{
    const auto note = ReadNote(kStoredNote);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->keyName, "home");
    const auto document = OpenNote(kStoredNote, "s3cret");
    ASSERT_TRUE(document);
    EXPECT_EQ(AsText(*document), kRtf);

    // The envelope around the stored packed block is byte-identical (the packed block
    // itself depends on the zlib build, so it is taken from the stored note).
    CCipherEnvelope holder;
    holder.SetSaveKey("home", "s3cret");
    holder.SetOpenKey("s3cret");
    const auto block = holder.OpenEnvelope(note->bytes);
    ASSERT_TRUE(block);
    EXPECT_EQ(*holder.Wrap(*block), kStoredNote);
}

TEST(Note, WrapThenOpenRestoresTheDocument)
{
    const auto text = WrapNote(AsBytes(kRtf), "s3cret", "home");
    ASSERT_TRUE(text);
    const auto note = ReadNote(*text);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->keyName, "home");
    const auto document = OpenNote(*text, "s3cret");
    ASSERT_TRUE(document);
    EXPECT_EQ(AsText(*document), kRtf);
}

TEST(Note, EditorFlowWithTheKeyHolder)
{
    CCipherEnvelope writer;
    writer.SetSaveKey("Diary", "correct horse");
    const auto text = WrapNote(AsBytes(kRtf), writer);
    ASSERT_TRUE(text);

    // Read the name, try the held key, ask for the named key, open.
    CCipherEnvelope holder;
    const auto note = ReadNote(*text);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->keyName, "Diary");
    EXPECT_EQ(OpenNote(*note, holder).error(), NoteError::NoKey);
    holder.SetOpenKey("held from another note");
    EXPECT_EQ(OpenNote(*note, holder).error(), NoteError::WrongKey);
    holder.SetOpenKey("correct horse");
    const auto document = OpenNote(*note, holder);
    ASSERT_TRUE(document);
    EXPECT_EQ(AsText(*document), kRtf);
}

TEST(Note, EachFailureNamesItsCause)
{
    const std::string good = *WrapNote(AsBytes(kRtf), "right", "n");
    const Bytes raw = DecodeBase64(good);
    auto changed = [&](std::size_t at, std::uint8_t value) {
        Bytes bad = raw;
        bad[at] = value;
        return EncodeBase64(bad, 72);
    };
    // An envelope whose sealed content is not a packed block.
    CCipherEnvelope plainWriter;
    plainWriter.SetSaveKey("n", "right");
    const std::string notPacked = *plainWriter.Wrap(AsBytes(kRtf));

    const struct {
        const char* name;
        std::string text;
        NoteError expected;
    } readRows[] = {
        {"an error page", "<html>502 Bad Gateway</html>", NoteError::NotText},
        {"an empty reply", "", NoteError::Truncated},
        {"the header cut off", good.substr(0, 40), NoteError::Truncated},
        {"another format", EncodeBase64(AsBytes(std::string(60, 'x'))), NoteError::BadMagic},
        {"key length byte", changed(45, 4), NoteError::WrongKey},
        {"last block damaged", EncodeBase64([&] {
             Bytes bad = raw;
             bad.back() ^= 0x55;
             return bad;
         }()),
         NoteError::WrongKey},
        {"block length byte", changed(44, 7), NoteError::DamagedBody},
        {"length field", changed(43, 250), NoteError::DamagedBody},
        {"body cut short", EncodeBase64(Bytes(raw.begin(), raw.end() - 5), 72), NoteError::DamagedBody},
        {"content not packed", notPacked, NoteError::BadPackedBlock},
    };
    for (const auto& row : readRows) {
        const auto document = OpenNote(row.text, "right");
        ASSERT_FALSE(document) << row.name;
        EXPECT_EQ(document.error(), row.expected) << row.name;
    }
    EXPECT_EQ(OpenNote(good, "wrong").error(), NoteError::WrongKey);

    const Bytes rtf(kRtf.begin(), kRtf.end());
    // The size test comes before any byte is read: a view of that size never touches memory.
    const ByteView huge(rtf.data(), std::size_t{0xFFFFFFFFu} + 1);
    const struct {
        const char* name;
        ByteView document;
        std::string_view key;
        NoteError expected;
    } wrapRows[] = {
        {"empty document", {}, "k", NoteError::EmptyDocument},
        {"does not compress", AsBytes("xyz"), "k", NoteError::DoesNotCompress},
        {"over 4 GiB", huge, "k", NoteError::TooLarge},
        {"empty key", rtf, "", NoteError::EmptyKey},
    };
    for (const auto& row : wrapRows) {
        const auto text = WrapNote(row.document, row.key, "n");
        ASSERT_FALSE(text) << row.name;
        EXPECT_EQ(text.error(), row.expected) << row.name;
    }
    const CCipherEnvelope noKeys;
    EXPECT_EQ(WrapNote(rtf, noKeys).error(), NoteError::NoKey);
}

TEST(Note, EveryFailureHasItsOwnText)
{
    const NoteError all[] = {
        NoteError::EmptyDocument, NoteError::DoesNotCompress, NoteError::TooLarge, NoteError::PackFailed,
        NoteError::EmptyKey,      NoteError::NotText,         NoteError::Truncated, NoteError::BadMagic,
        NoteError::NoKey,         NoteError::WrongKey,        NoteError::DamagedBody, NoteError::BadPackedBlock,
    };
    std::set<std::string_view> texts;
    for (const NoteError error : all) {
        const std::string_view text = Describe(error);
        EXPECT_NE(text, "unknown note failure");
        texts.insert(text);
    }
    EXPECT_EQ(texts.size(), std::size(all));
}
