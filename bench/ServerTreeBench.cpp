// The longest a tree request may hold the write lock: the worst copy, delete and move
// within the service's bounds (nodes and bytes per copy, names per request, tree depth),
// each timed as the whole request against a real SQLite store (synchronous FULL).
// Then saving with and without versions, and listing a note's versions.
//   server_tree_bench [--benchmark_filter=...]

#include "codec/SessionToken.h"
#include "server/NotesService.h"
#include "server/SqliteStore.h"
#include "server/TreeRules.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <unistd.h>

using namespace qb;
using namespace qb::server;

namespace {

std::string Token()
{
    return CTokenSealer().Seal(FormatTokenText(std::time(nullptr), "bench"));
}

// A fresh store in a folder of its own, removed afterwards.
class Fixture {
public:
    explicit Fixture(ServiceOptions options = {})
        : m_dir(std::filesystem::temp_directory_path() / ("quillbox-tree-bench-" + std::to_string(::getpid()))),
          m_token(Token()), m_options(std::move(options))
    {
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_store = std::make_unique<SqliteStore>((m_dir / "notes.db").string(), 2);
        m_service = std::make_unique<NotesService>(*m_store, m_options);
    }
    ~Fixture()
    {
        m_service.reset();
        m_store.reset();
        std::filesystem::remove_all(m_dir);
    }
    Fixture(const Fixture&) = delete;
    Fixture& operator=(const Fixture&) = delete;

    void Request(const char* script, const std::string& rest, benchmark::State* state = nullptr)
    {
        const Reply reply = m_service->Handle(*FindScript(script), "ID=" + m_token + rest);
        if (reply.text.rfind("OK", 0) != 0) {
            if (state)
                state->SkipWithError(reply.text.c_str());
            else
                throw std::runtime_error(reply.text + reply.failure);
        }
    }

    // A folder at the top holding exactly nodes nodes (itself included) and bytes of
    // text: sub-folders of 100 notes each, written straight into the store.
    void BuildFolder(const std::string& name, std::int64_t nodes, std::int64_t bytes)
    {
        m_store->Transact(true, [&](IStoreTransaction& tx) {
            const NodeId root = *tx.Root("bench", true);
            Node folder;
            folder.isFolder = true;
            folder.name = name;
            const NodeId top = tx.Insert("bench", root, folder, NameKey(name), {});
            const std::int64_t notes = nodes - 1 - (nodes - 1) / 101;
            const std::string text(static_cast<std::size_t>(bytes / notes), 'Q');
            NodeId sub = top;
            std::int64_t made = 1;
            for (int i = 0; made < nodes; ++i) {
                if (i % 100 == 0 && nodes - made > 1) {
                    folder.name = "sub " + std::to_string(i / 100);
                    sub = tx.Insert("bench", top, folder, NameKey(folder.name), {});
                    ++made;
                }
                Node note;
                note.name = "note " + std::to_string(i);
                tx.Insert("bench", sub, note, NameKey(note.name), text);
                ++made;
            }
            return std::string();
        });
    }

    // A chain of folders depth levels deep at the top.
    void BuildChain(const std::string& name, int depth)
    {
        m_store->Transact(true, [&](IStoreTransaction& tx) {
            NodeId id = *tx.Root("bench", true);
            Node folder;
            folder.isFolder = true;
            folder.name = name;
            for (int i = 0; i < depth; ++i) {
                id = tx.Insert("bench", id, folder, NameKey(folder.name), {});
                folder.name = "c";
            }
            return std::string();
        });
    }

    const ServiceOptions& Options() const { return m_options; }

private:
    std::filesystem::path m_dir;
    std::string m_token;
    ServiceOptions m_options;
    std::unique_ptr<SqliteStore> m_store;
    std::unique_ptr<NotesService> m_service;
};

// The largest copy allowed: as many nodes and as many bytes as one copy may create.
void BM_CopyLargestAllowed(benchmark::State& state)
{
    Fixture f;
    f.BuildFolder("big", state.range(0), state.range(1));
    for (auto _ : state) {
        f.Request("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=big\n", &state);
        state.PauseTiming();
        f.Request("qbdelete.pl", "&DIR=&LIST=Copy of big\n");
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CopyLargestAllowed)
    ->Args({ServiceOptions{}.maxCopyNodes, ServiceOptions{}.maxCopyBytes})
    ->Args({ServiceOptions{}.maxCopyNodes, 1 << 20})
    ->Args({200, ServiceOptions{}.maxCopyBytes})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The same note copied as often as one name list allows into a folder that already
// holds a thousand copies: "Copy (n) of" naming at its worst.
void BM_CopyMostNames(benchmark::State& state)
{
    Fixture f;
    f.Request("qbsave.pl", "&DIR=&FILE=x.rtf&LOCK=0&DATA=QUJD=");
    std::string list;
    for (std::size_t i = 0; i < kMaxListNames; ++i)
        list += "x.rtf\n";
    f.Request("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=" + list);
    for (auto _ : state)
        f.Request("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=" + list, &state);
}
BENCHMARK(BM_CopyMostNames)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Deleting what the largest copy made.
void BM_DeleteLargestCopy(benchmark::State& state)
{
    Fixture f;
    f.BuildFolder("big", f.Options().maxCopyNodes, f.Options().maxCopyBytes);
    for (auto _ : state) {
        state.PauseTiming();
        f.Request("qbcopy.pl", "&DIR=&FROMDIR=&FILELIST=big\n");
        state.ResumeTiming();
        f.Request("qbdelete.pl", "&DIR=&LIST=Copy of big\n", &state);
    }
}
BENCHMARK(BM_DeleteLargestCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Deleting a chain far deeper than the bound, as an older server may have stored it.
void BM_DeleteDeepChain(benchmark::State& state)
{
    Fixture f;
    for (auto _ : state) {
        state.PauseTiming();
        f.BuildChain("deep", static_cast<int>(state.range(0)));
        state.ResumeTiming();
        f.Request("qbdelete.pl", "&DIR=&LIST=deep\n", &state);
    }
}
BENCHMARK(BM_DeleteDeepChain)->Arg(50000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Moving the largest copy there and back: the depth and lock walks over its folders.
void BM_MoveLargestCopy(benchmark::State& state)
{
    Fixture f;
    f.BuildFolder("big", f.Options().maxCopyNodes, f.Options().maxCopyBytes);
    f.BuildChain("chain", kMaxFolderDepth - 2); // the deepest place big still fits
    std::string deepest = "/chain";
    for (int i = 1; i < kMaxFolderDepth - 2; ++i)
        deepest += "/c";
    for (auto _ : state) {
        f.Request("qbmove.pl", "&DIR=" + deepest + "&FROMDIR=&FILELIST=big\n", &state);
        f.Request("qbmove.pl", "&DIR=&FROMDIR=" + deepest + "&FILELIST=big\n", &state);
    }
}
BENCHMARK(BM_MoveLargestCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Saving a 10 KB note over itself, keeping what it replaced (1) or not (0): the version is
// written in the save's transaction.
void BM_SaveOverNote(benchmark::State& state)
{
    ServiceOptions options;
    if (state.range(0) == 0)
        options.retention.maxAgeSeconds = 0;
    Fixture f(options);
    // Texts that differ: SQLite writes no page of an update that changes nothing.
    const std::string saves[2] = {"&DIR=&FILE=n.rtf&LOCK=0&DATA=" + std::string(10240, 'Q'),
                                  "&DIR=&FILE=n.rtf&LOCK=0&DATA=" + std::string(10240, 'R')};
    std::size_t turn = 0;
    for (; turn < 60; ++turn) // past the 50 versions kept: each save also drops one
        f.Request("qbsave.pl", saves[turn % 2]);
    for (auto _ : state)
        f.Request("qbsave.pl", saves[++turn % 2], &state);
}
BENCHMARK(BM_SaveOverNote)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2);

// Listing a note's 50 versions.
void BM_ListVersions(benchmark::State& state)
{
    Fixture f;
    const std::string save = "&DIR=&FILE=n.rtf&LOCK=0&DATA=" + std::string(10240, 'Q');
    for (int i = 0; i < 51; ++i)
        f.Request("qbsave.pl", save);
    for (auto _ : state)
        f.Request("qbversions.pl", "&FILE=/n.rtf", &state);
}
BENCHMARK(BM_ListVersions)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
