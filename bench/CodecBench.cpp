// Throughput of the note codecs: the cipher with a document key (192-bit blocks, 256-bit
// key, 14 rounds), the text codec, packing, and a whole note's wrap and read.

#include "codec/Base64.h"
#include "codec/Note.h"
#include "codec/PackedBlock.h"
#include "codec/SessionToken.h"

#include <benchmark/benchmark.h>

#include <random>

using namespace qb;

namespace {

constexpr std::size_t kMiB = 1 << 20;

Bytes RandomBytes(std::size_t n)
{
    std::mt19937 random(1);
    Bytes out(n);
    for (auto& b : out)
        b = static_cast<std::uint8_t>(random());
    return out;
}

Bytes RtfLike(std::size_t n)
{
    std::mt19937 random(2);
    const char* words[] = {"note ", "{\\b bold} ", "\\par\n", "server ", "\\f1\\fs24 folder ", "quill ",
                           "\\i text\\i0 ", "\\'e9t\\'e9 "};
    std::string text = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}";
    while (text.size() < n)
        text += words[random() % 8];
    text.resize(n);
    return {text.begin(), text.end()};
}

struct DocumentKey {
    DocumentKey()
    {
        cipher.SetKey(AsBytes("benchmark key text"));
        static_cast<void>(cipher.Expand(6));
        sealer.SetCipher(&cipher);
    }
    CAesCipher cipher;
    CBlockSealer sealer;
};

void BM_Seal(benchmark::State& state)
{
    DocumentKey key;
    const Bytes data = RandomBytes(kMiB);
    for (auto _ : state)
        benchmark::DoNotOptimize(key.sealer.Seal(data));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void BM_Unseal(benchmark::State& state)
{
    DocumentKey key;
    const Bytes sealed = *key.sealer.Seal(RandomBytes(kMiB));
    for (auto _ : state)
        benchmark::DoNotOptimize(key.sealer.Unseal(sealed));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMiB));
}

// The block cipher alone over a 16 KiB buffer in place, the way `openssl speed` measures:
// no allocation, so it compares the round functions and nothing else.
void BM_CipherInPlace16K(benchmark::State& state)
{
    DocumentKey key;
    Bytes buffer = RandomBytes(16 * 1024 - 16 * 1024 % 24);
    for (auto _ : state) {
        for (std::size_t at = 0; at < buffer.size(); at += 24)
            aes::EncryptBlock(key.cipher, buffer.data() + at);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buffer.size()));
}

void BM_EncodeBase64(benchmark::State& state)
{
    const Bytes data = RandomBytes(kMiB);
    for (auto _ : state)
        benchmark::DoNotOptimize(EncodeBase64(data, 72));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * data.size()));
}

void BM_DecodeBase64(benchmark::State& state)
{
    const std::string text = EncodeBase64(RandomBytes(kMiB), 72);
    for (auto _ : state)
        benchmark::DoNotOptimize(DecodeBase64(text));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMiB));
}

void BM_PackBlock(benchmark::State& state)
{
    const Bytes rtf = RtfLike(kMiB);
    for (auto _ : state)
        benchmark::DoNotOptimize(PackBlock(rtf));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}

void BM_UnpackBlock(benchmark::State& state)
{
    const Bytes block = *PackBlock(RtfLike(kMiB));
    for (auto _ : state)
        benchmark::DoNotOptimize(UnpackBlock(block));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kMiB));
}

void BM_WholeNote100K(benchmark::State& state)
{
    const Bytes block = *PackBlock(RtfLike(100 * 1000));
    CCipherEnvelope writer;
    writer.SetSaveKey("bench", "benchmark key text");
    CCipherEnvelope reader;
    reader.SetOpenKey("benchmark key text");
    for (auto _ : state) {
        const auto text = writer.Wrap(block);
        const auto envelope = reader.ReadEnvelope(*text);
        benchmark::DoNotOptimize(reader.OpenEnvelope(*envelope));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * block.size()));
}

// The editor's whole path: pack, seal and encode, then read, open and unpack.
void BM_NotePipeline100K(benchmark::State& state)
{
    const Bytes rtf = RtfLike(100 * 1000);
    CCipherEnvelope holder;
    holder.SetSaveKey("bench", "benchmark key text");
    holder.SetOpenKey("benchmark key text");
    for (auto _ : state) {
        const auto text = WrapNote(rtf, holder);
        const auto note = ReadNote(*text);
        benchmark::DoNotOptimize(OpenNote(*note, holder));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}

// What the server does first with every request.
void BM_TokenUnseal(benchmark::State& state)
{
    const CTokenSealer sealer;
    const std::string token = sealer.Seal(FormatTokenText(1700000042, "kiwi"));
    for (auto _ : state)
        benchmark::DoNotOptimize(sealer.Unseal(token));
}

} // namespace

BENCHMARK(BM_Seal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Unseal)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CipherInPlace16K)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeBase64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeBase64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PackBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnpackBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeNote100K)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NotePipeline100K)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TokenUnseal)->Unit(benchmark::kNanosecond);
