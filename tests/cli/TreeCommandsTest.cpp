#include "CliServerFixture.h"

#include "cli/LocalFiles.h"
#include "cli/Progress.h"
#include "codec/Note.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sstream>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

using namespace qb::testing;
namespace fs = std::filesystem;

namespace {

// Local files that a killed writer may leave: they must never remain after a run.
int Temporaries(const fs::path& root)
{
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root))
        count += qb::cli::IsTemporaryName(entry.path().filename().string()) ? 1 : 0;
    return count;
}

} // namespace

class CliTree : public CliServerTest {
protected:
    // Folders and notes with pictures and non-Latin text, all under the key "home".
    void SeedTree()
    {
        ASSERT_EQ(Cli({"mkdir", "-p", "/Tree/Recipes/Старые", "/Tree/空のフォルダ"}).status, 0);
        SeedRtf("/Tree/top.rtf", DocumentRtf("Top note, top note", false), "s3cret", "home");
        SeedRtf("/Tree/Recipes/soup.rtf", DocumentRtf("Soupe à l'oignon — oignons, beurre", true), "s3cret", "home");
        SeedRtf("/Tree/Recipes/Старые/борщ.rtf", DocumentRtf("Борщ: свёкла, капуста, картофель", true), "s3cret",
                "home");
        SeedRtf("/Tree/Recipes/Старые/no extension", DocumentRtf("中文笔记，中文笔记", false), "s3cret", "home");
    }
};

TEST_F(CliTree, ExportImportExportGivesIdenticalFiles)
{
    SeedTree();
    const std::string key = KeyFile("s3cret");
    const CliRun first = Cli({"export", "/Tree", Local("first").string(), "-k", key});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "");
    const auto files = FilesUnder(Local("first"));
    EXPECT_EQ(files.size(), 4u);
    EXPECT_EQ(files.at("Recipes/soup.rtf"), DocumentRtf("Soupe à l'oignon — oignons, beurre", true));
    EXPECT_NE(files.at("Recipes/soup.rtf").find("\\pngblip"), std::string::npos) << "the picture is in the file";
    EXPECT_EQ(files.count("Recipes/Старые/no extension.rtf"), 1u);
    EXPECT_TRUE(fs::is_directory(Local("first") / "空のフォルダ")) << "an empty folder is exported too";

    const CliRun imported = Cli({"import", Local("first").string(), "/Restored/Here", "--name", "home", "-k", key});
    ASSERT_EQ(imported.status, 0) << imported.err;
    EXPECT_EQ(imported.err, "");
    EXPECT_EQ(ServerNames("/Restored/Here"), (std::vector<std::string>{"Recipes", "空のフォルダ", "top.rtf"}));

    const CliRun second = Cli({"export", "/Restored/Here", Local("second").string(), "-k", key});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(FilesUnder(Local("second")), files);
    EXPECT_TRUE(fs::is_directory(Local("second") / "空のフォルダ"));
}

TEST_F(CliTree, RawExportHoldsEnvelopesThatUnwrapOpens)
{
    SeedTree();
    const CliRun exported = Cli({"export", "/Tree", Local("raw").string(), "--raw"});
    ASSERT_EQ(exported.status, 0) << exported.err;
    const auto files = FilesUnder(Local("raw"));
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files.at("Recipes/Старые/борщ.rtf.qbx"), Stored("/Tree/Recipes/Старые/борщ.rtf"));
    for (const auto& [name, text] : files) {
        const CliRun opened = Cli({"unwrap", "-k", KeyFile("s3cret"), (Local("raw") / name).string()});
        EXPECT_EQ(opened.status, 0) << name << ": " << opened.err;
        EXPECT_TRUE(opened.out.starts_with("{\\rtf1")) << name;
    }
    // The envelopes restore without a key, under the notes' own names.
    const CliRun restored = Cli({"import", Local("raw").string(), "/Back"});
    ASSERT_EQ(restored.status, 0) << restored.err;
    EXPECT_EQ(Stored("/Back/Recipes/Старые/борщ.rtf"), Stored("/Tree/Recipes/Старые/борщ.rtf"));
}

TEST_F(CliTree, ANoteUnderAnUnknownKeyIsKeptAsItsEnvelopeWithAWarning)
{
    SeedRtf("/Mixed/known.rtf", DocumentRtf("known known known", false), "s3cret", "home");
    SeedRtf("/Mixed/other.rtf", DocumentRtf("other other other", false), "elsewhere", "work");
    const auto out = Local("mixed");
    const CliRun run = Cli({"export", "/Mixed", out.string(), "-k", KeyFile("s3cret")});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "quillbox-cli: warning: /Mixed/other.rtf: wrong key for this note, or its encrypted body is "
                       "damaged (its key is named \"work\"); kept encrypted as "
                           + (out / "other.rtf.qbx").string() + "\n");
    const auto files = FilesUnder(out);
    EXPECT_EQ(files.size(), 2u);
    EXPECT_EQ(files.at("other.rtf.qbx"), Stored("/Mixed/other.rtf"));
    EXPECT_EQ(files.at("known.rtf"), DocumentRtf("known known known", false));

    // With its key a second run opens it and the envelope gives way to the RTF.
    const CliRun again = Cli({"export", "/Mixed", out.string(), "-k", KeyFile("s3cret"), "-k", KeyFile("elsewhere")});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_EQ(FilesUnder(out).count("other.rtf.qbx"), 0u);
    EXPECT_EQ(FilesUnder(out).at("other.rtf"), DocumentRtf("other other other", false));
}

TEST_F(CliTree, ImportSkipsExistingNamesUnlessOverwrite)
{
    const std::string key = KeyFile("k");
    WriteLocal(Local("in/a.txt"), "new text new text\n");
    WriteLocal(Local("in/picture.png"), "not a note");
    SeedRtf("/Dest/a.rtf", DocumentRtf("old text old text", false), "k", "k");
    const CliRun skipped = Cli({"import", Local("in").string(), "/Dest", "--name", "k", "-k", key});
    EXPECT_EQ(skipped.status, 0);
    EXPECT_EQ(skipped.err, "skipped " + Local("in/a.txt").string() + ": /Dest/a.rtf exists\nskipped "
                               + Local("in/picture.png").string() + ": neither RTF nor text\n");
    EXPECT_EQ(PlainText(Stored("/Dest/a.rtf"), "k"), "old text old text\n");

    const CliRun replaced = Cli({"import", Local("in").string(), "/Dest", "--name", "k", "-k", key, "--overwrite"});
    EXPECT_EQ(replaced.status, 0) << replaced.err;
    EXPECT_EQ(PlainText(Stored("/Dest/a.rtf"), "k"), "new text new text\n");
}

TEST_F(CliTree, AnExportKilledHalfWayThenRunAgainIsComplete)
{
    constexpr int kNotes = 400;
    std::map<std::string, std::string> expected;
    for (int i = 0; i < kNotes; ++i) {
        const std::string name = "note" + std::to_string(i) + ".rtf";
        const std::string rtf = DocumentRtf("Note " + std::to_string(i) + VariedText(3000, static_cast<unsigned>(i)), false);
        SeedRtf("/Many/" + name, rtf, "s3cret", "home");
        expected[name] = rtf;
    }
    const fs::path out = Local("killed");
    const std::string key = KeyFile("s3cret");
    const std::string server = "127.0.0.1:" + std::to_string(m_port);
    std::vector<std::string> words = {QUILLBOX_CLI_BINARY, "export", "/Many", out.string(), "-k", key,
                                      "--server", server, "-q"};
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    ASSERT_EQ(posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ), 0);
    // Killed as soon as the first notes are written, long before it could finish.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::size_t seen = 0;
    while (std::chrono::steady_clock::now() < deadline) {
        seen = fs::exists(out) ? FilesUnder(out).size() : 0;
        if (seen >= 5)
            break;
        std::this_thread::yield();
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the export ended by itself before it was killed";
    const std::size_t before = FilesUnder(out).size();
    ASSERT_LT(before, static_cast<std::size_t>(kNotes));
    for (const auto& [name, bytes] : FilesUnder(out)) {
        if (!qb::cli::IsTemporaryName(name)) {
            EXPECT_EQ(bytes, expected.at(name)) << name << " is not whole";
        }
    }

    const CliRun rerun = Cli({"export", "/Many", out.string(), "-k", key});
    ASSERT_EQ(rerun.status, 0) << rerun.err;
    EXPECT_EQ(FilesUnder(out), expected);
    EXPECT_EQ(Temporaries(out), 0);
}

TEST(CliProgress, TheLineShowsItemsBytesAndRate)
{
    EXPECT_EQ(qb::cli::CProgress::Format(25, 100, 250000, 1000000, 0.5, "notes"),
              "[######------------------]  25/100 notes  250.0 KB of 1.0 MB  50 notes/s  500.0 KB/s");
    EXPECT_EQ(qb::cli::CProgress::Format(0, 0, 0, 0, 0, "files"),
              "[########################]  0/0 files  0.0 KB of 0.0 KB");
}

TEST(CliProgress, MessagesGoAboveTheBarAndTheBarEndsWithItsLine)
{
    std::ostringstream err;
    {
        qb::cli::CProgress progress(err, true, "notes", 2, 300);
        progress.Step(100);
        progress.Line("quillbox-cli: warning: /a.rtf: kept encrypted as a.rtf.qbx");
        progress.Step(200);
    }
    const std::string text = err.str();
    // The message starts on a cleared line of its own; the last drawing is the finished bar.
    EXPECT_NE(text.find("\r\033[Kquillbox-cli: warning: /a.rtf: kept encrypted as a.rtf.qbx\n"), std::string::npos)
        << text;
    const std::string last = text.substr(text.rfind("\r\033[K") + 4);
    EXPECT_TRUE(last.starts_with("[########################]  2/2 notes  0.3 KB of 0.3 KB")) << last;
    EXPECT_TRUE(last.ends_with("\n")) << last;

    std::ostringstream quiet;
    {
        qb::cli::CProgress progress(quiet, false, "files", 1, 10);
        progress.Line("skipped a.txt: /a.rtf exists");
        progress.Step(10);
    }
    EXPECT_EQ(quiet.str(), "skipped a.txt: /a.rtf exists\n");
}
