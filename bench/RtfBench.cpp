// Reading RTF into a QTextDocument and writing it back, for 1 MB and 10 MB documents,
// text-heavy or with pictures. `rtf_bench --write-samples DIR` saves the four files for the
// comparison with other converters (bench/rtf_compare.sh).

#include "RtfSamples.h"

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>

namespace {

constexpr std::size_t kMB = 1000 * 1000;

const std::string& Sample(bool pictures, std::size_t size)
{
    static std::string cache[2][2];
    std::string& slot = cache[pictures ? 1 : 0][size > kMB ? 1 : 0];
    if (slot.empty())
        slot = pictures ? qb::bench::PictureRtf(size) : qb::bench::TextHeavyRtf(size);
    return slot;
}

void BM_Read(benchmark::State& state)
{
    const std::string& rtf = Sample(state.range(1) != 0, static_cast<std::size_t>(state.range(0)) * kMB);
    for (auto _ : state) {
        QTextDocument doc;
        benchmark::DoNotOptimize(qb::rtf::ReadRtf(rtf, doc));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * rtf.size()));
}

void BM_Write(benchmark::State& state)
{
    const std::string& rtf = Sample(state.range(1) != 0, static_cast<std::size_t>(state.range(0)) * kMB);
    QTextDocument doc;
    qb::rtf::ReadRtf(rtf, doc);
    std::size_t written = 0;
    for (auto _ : state) {
        written = 0;
        const auto result = qb::rtf::WriteRtf(doc, [&](std::string_view piece) {
            written += piece.size();
            return true;
        });
        if (!result.Complete()) {
            state.SkipWithError("the writer left pictures out");
            break;
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * written));
}

} // namespace

// Arguments: size in MB, pictures (0 or 1).
BENCHMARK(BM_Read)->Args({1, 0})->Args({10, 0})->Args({1, 1})->Args({10, 1})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Write)->Args({1, 0})->Args({10, 0})->Args({1, 1})->Args({10, 1})->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--write-samples") == 0) {
        const std::string dir = argv[2];
        for (bool pictures : {false, true}) {
            for (std::size_t mb : {1u, 10u}) {
                const std::string name = dir + "/" + (pictures ? "pictures" : "text") + std::to_string(mb) + "mb.rtf";
                std::ofstream(name, std::ios::binary) << Sample(pictures, mb * kMB);
            }
        }
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
