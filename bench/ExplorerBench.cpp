// From a listing reply received to the sorted list painted: parse, sort and display of
// 1,000 / 10,000 / 100,000 entries (the reply is already in memory, as after the request).

#include "explorer/RemoteListCtrl.h"

#include "app/ClientApp.h"
#include "app/Reply.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>

namespace {

std::string MakeReply(int entries)
{
    std::mt19937 random(5);
    std::string reply;
    reply.reserve(static_cast<std::size_t>(entries) * 40);
    for (int i = 0; i < entries; ++i) {
        const bool folder = random() % 5 == 0;
        reply += std::to_string(folder ? 1 : 0) + "|" + std::to_string(folder ? 0 : random() % 100000) + "|"
            + std::to_string(1100000000 + random() % 700000000) + "|" + (folder ? "Folder " : "Note ")
            + std::to_string(random()) + (folder ? "" : ".rtf") + "\n";
    }
    return reply;
}

void BM_ListingToScreen(benchmark::State& state)
{
    qb::CClientApp app;
    qb::CRemoteListCtrl list(app);
    list.InitView();
    list.resize(636, 400);
    list.show();
    const std::string reply = MakeReply(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        qb::ReplyReader reader(reply);
        list.ShowListing("/Bench", reader);
        list.viewport()->repaint();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.SetComplexityN(state.range(0));
}

void BM_SortByColumn(benchmark::State& state)
{
    qb::CClientApp app;
    qb::CRemoteListCtrl list(app);
    list.InitView();
    qb::ReplyReader reader(MakeReply(static_cast<int>(state.range(0))));
    list.ShowListing("/Bench", reader);
    int column = 0;
    for (auto _ : state)
        list.SortByColumn(column++ % 3);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

} // namespace

BENCHMARK(BM_ListingToScreen)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SortByColumn)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
