// Decoders meet arbitrary bytes from the network and from disk: random and mutated inputs
// must be refused or decoded, never crash, hang or allocate without bound. Run under the
// asan preset as well.

#include "codec/Base64.h"
#include "codec/CipherEnvelope.h"
#include "codec/PackedBlock.h"

#include <gtest/gtest.h>

#include <random>

using namespace qb;

namespace {

Bytes RandomBytes(std::mt19937& random, std::size_t maxSize)
{
    Bytes out(random() % (maxSize + 1));
    for (auto& b : out)
        b = static_cast<std::uint8_t>(random());
    return out;
}

Bytes Mutate(Bytes data, std::mt19937& random)
{
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < edits && !data.empty(); ++i) {
        const std::size_t at = random() % data.size();
        switch (random() % 4) {
        case 0: data[at] ^= static_cast<std::uint8_t>(1u << (random() % 8)); break;
        case 1: data[at] = static_cast<std::uint8_t>(random()); break;
        case 2: data.resize(at); break;
        default: data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random())); break;
        }
    }
    return data;
}

Bytes SampleNote()
{
    std::string rtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}";
    for (int i = 0; i < 200; ++i)
        rtf += "\\par line " + std::to_string(i) + " {\\b of} text";
    rtf += "}";
    return *PackBlock(AsBytes(rtf));
}

} // namespace

TEST(HostileInput, RandomBytesEverywhere)
{
    std::mt19937 random(20261210);
    CCipherEnvelope holder;
    holder.SetOpenKey("key");
    CAesCipher cipher;
    cipher.SetKey(AsBytes("key"));
    CBlockSealer sealer;
    sealer.SetCipher(&cipher);
    for (int i = 0; i < 3000; ++i) {
        const Bytes data = RandomBytes(random, 300);
        const std::string text = AsText(data);
        const Bytes decoded = DecodeBase64(text);
        EXPECT_LE(decoded.size(), text.size());
        static_cast<void>(sealer.Unseal(data));
        static_cast<void>(UnpackBlock(data));
        if (const auto envelope = holder.ReadEnvelope(text))
            static_cast<void>(holder.OpenEnvelope(*envelope));
        static_cast<void>(holder.OpenEnvelope(data));
    }
}

TEST(HostileInput, MutatedPackedBlocks)
{
    std::mt19937 random(11);
    const Bytes good = SampleNote();
    for (int i = 0; i < 3000; ++i) {
        const Bytes bad = Mutate(good, random);
        if (const auto out = UnpackBlock(bad)) {
            EXPECT_EQ(out->size(), GetBigEndian32(bad.data() + 4));
        }
    }
}

TEST(HostileInput, MutatedSealedBuffersAndEnvelopes)
{
    std::mt19937 random(12);
    CCipherEnvelope writer;
    writer.SetSaveKey("name", "key");
    const std::string text = *writer.Wrap(SampleNote());
    const Bytes raw = DecodeBase64(text);

    CCipherEnvelope reader;
    reader.SetOpenKey("key");
    int opened = 0;
    for (int i = 0; i < 2000; ++i) {
        const Bytes bad = Mutate(raw, random);
        const auto envelope = reader.ReadEnvelope(EncodeBase64(bad, 72));
        if (!envelope)
            continue;
        if (const auto doc = reader.OpenEnvelope(*envelope)) {
            ++opened;
            static_cast<void>(UnpackBlock(*doc));
        }
    }
    // Most mutations land in the body and must be caught by the trailer or length tests.
    EXPECT_LT(opened, 2000);
}
