// The note editor's open and save against a real quillbox-server (started on a free
// loopback port over a database in a temporary folder), for a note of 10000 characters of
// formatted text and a 1 MB note with pictures. A key is held, so no dialog is asked; a
// dialog that is asked anyway cancels and fails the benchmark.
//   editor_bench [--benchmark_filter=...]
//   editor_bench --write-samples DIR   the RTF inside the two notes, for bench/rtf_compare.sh
// QUILLBOX_SERVER=path runs another build of the server.

#include "RtfSamples.h"

#include "app/ClientApp.h"
#include "editor/NoteRichEdit.h"
#include "note/NoteDocument.h"
#include "note/NoteHost.h"
#include "note/NoteOpener.h"
#include "note/NoteSaver.h"
#include "note/NoteWindow.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace {

constexpr int kEditorWidth = 640, kEditorHeight = 480; // the editor window's default size
constexpr const char* kKey = "editor bench key";

// Every question is cancelled: with the key held, none should come.
class QuietWindow : public qb::INoteWindow {
public:
    std::optional<qb::SecretText> AskOpenKey(const std::string&) override { return std::nullopt; }
    std::optional<qb::TypedKey> AskNewKey() override { return std::nullopt; }
    std::optional<std::string> AskNewName(bool) override { return std::nullopt; }
    void ShowDecryptFailure(const QString&) override {}
    void SetStatus(const QString&) override {}
    void ShowProgress(int, int) override {}
    void HideProgress() override {}
};

class QuietHost : public qb::INoteHost {
public:
    bool NameExists(const std::string&) const override { return false; }
    void RefreshListing() override {}
    void ShowProgress(int, int) override {}
    void HideProgress() override {}
};

// The server binary as a child process; stopped with SIGTERM as an operator would.
class LocalServer {
public:
    explicit LocalServer(const QString& program)
    {
        if (!m_dir.isValid())
            throw std::runtime_error("no temporary folder for the server's database");
        m_process.setProgram(program);
        m_process.setArguments({"--listen", "127.0.0.1:0", "--db", m_dir.filePath("notes.db"), "--quiet"});
        m_process.setStandardOutputFile(QProcess::nullDevice());
        m_process.setReadChannel(QProcess::StandardError);
        m_process.start();
        if (!m_process.waitForStarted())
            throw std::runtime_error("cannot start " + program.toStdString());
        // The one line a quiet server writes names the port it bound.
        static const QRegularExpression listening(QStringLiteral("listening on http://[^ ]+:(\\d+) "));
        QString said;
        while (m_port <= 0 && m_process.waitForReadyRead(10000)) {
            said += QString::fromLocal8Bit(m_process.readAllStandardError());
            if (const auto match = listening.match(said); match.hasMatch())
                m_port = match.captured(1).toInt();
        }
        if (m_port <= 0)
            throw std::runtime_error("the server did not start: " + said.toStdString());
    }
    ~LocalServer()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(10000)) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    int Port() const { return m_port; }

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    int m_port = -1;
};

struct Sample {
    const char* name; // on the server and as a file
    const char* label;
};
const Sample kSamples[] = {
    {"note10kchars.rtf", "10000 characters, formatted"},
    {"note1mbpictures.rtf", "1 MB RTF with pictures"},
};
constexpr std::size_t kNoteChars = 10000;
constexpr std::size_t kPictureNoteBytes = 1000 * 1000;

// The document as a save writes it.
std::string Written(const QTextDocument& document)
{
    qb::rtf::RtfText text = qb::rtf::ToRtf(document);
    if (!text.droppedPictures.empty())
        throw std::runtime_error("the writer left pictures out of a sample");
    return std::move(text.rtf);
}

// The text-heavy sample cut to its first 10000 characters.
std::string FormattedNoteRtf()
{
    QTextDocument document;
    qb::rtf::ReadRtf(qb::bench::TextHeavyRtf(64 * 1000), document);
    if (static_cast<std::size_t>(document.characterCount() - 1) < kNoteChars)
        throw std::runtime_error("the text sample is shorter than a note of 10000 characters");
    QTextCursor cut(&document);
    cut.setPosition(static_cast<int>(kNoteChars));
    cut.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cut.removeSelectedText();
    return Written(document);
}

// The sample with pictures, sized so that what the writer makes of it is 1 MB (to a
// paragraph or a picture): the writer's RTF is not the sample's size.
std::string PictureNoteRtf()
{
    const auto written = [](std::size_t sampleBytes) {
        QTextDocument document;
        qb::rtf::ReadRtf(qb::bench::PictureRtf(sampleBytes), document);
        return Written(document);
    };
    return written(kPictureNoteBytes * kPictureNoteBytes / written(kPictureNoteBytes).size());
}

// The RTF the note holds.
const std::string& SampleRtf(int which)
{
    static const std::string rtf[2] = {FormattedNoteRtf(), PictureNoteRtf()};
    return rtf[which];
}

// One server and one client session for the whole run, with both notes stored.
class Bench {
public:
    explicit Bench(const QString& serverProgram) : m_server(serverProgram)
    {
        // An account of its own: the shared one refuses notes this long.
        m_app.SetAccount("bench");
        if (!m_app.CreateSession(qb::ServerAddress{"127.0.0.1", m_server.Port()}))
            throw std::runtime_error("no session with the local server");
        m_app.KeyHolder().SetOpenKey(kKey);
        m_app.KeyHolder().SetSaveKey("bench", kKey);
        for (int which : {0, 1}) {
            qb::CNoteDocument note;
            qb::rtf::ReadRtf(SampleRtf(which), note.Document());
            note.SetRemotePath("", kSamples[which].name);
            if (!qb::SaveNote(m_app, note, false, m_window, m_host))
                throw std::runtime_error(std::string("cannot store ") + kSamples[which].name);
        }
    }

    qb::NoteOutcome Open(int which, qb::CNoteDocument& note)
    {
        return qb::OpenRemoteNote(m_app, note, std::string("/") + kSamples[which].name, "", m_window, m_host);
    }
    qb::NoteOutcome Save(qb::CNoteDocument& note) { return qb::SaveNote(m_app, note, false, m_window, m_host); }

private:
    LocalServer m_server;
    qb::CClientApp m_app;
    QuietWindow m_window;
    QuietHost m_host;
};

Bench* g_bench = nullptr;

// Notes the first paint of a widget.
class PaintWatch : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return QObject::eventFilter(watched, event);
    }
};

// "Shown" is: the edit is shown and its viewport has had the paint that the window system's
// expose asks for, so the first screen of the note is laid out and drawn, as the user first
// sees it. Qt lays the rest of a long document out afterwards in idle steps, which is not
// waited for. False when no paint came within 10 s.
bool ShowAndPaint(qb::CNoteRichEdit& edit)
{
    PaintWatch watch;
    edit.viewport()->installEventFilter(&watch);
    edit.show();
    QElapsedTimer waited;
    waited.start();
    while (!watch.painted && waited.elapsed() < 10000)
        QCoreApplication::processEvents();
    edit.viewport()->removeEventFilter(&watch);
    return watch.painted;
}

// From the request for the note to its first screen painted in a shown note edit, whose
// construction is not counted; the reply's round trip on loopback is. setBefore: the edit
// holds the note's document during the open (so the edit lays the text out while it is
// read); else the document is set on the edit once it is loaded, as the editor window does.
void Open(benchmark::State& state, bool setBefore)
{
    const int which = static_cast<int>(state.range(0));
    state.SetLabel(kSamples[which].label);
    for (auto _ : state) {
        state.PauseTiming();
        auto note = std::make_unique<qb::CNoteDocument>();
        auto edit = std::make_unique<qb::CNoteRichEdit>();
        edit->resize(kEditorWidth, kEditorHeight);
        if (setBefore)
            edit->setDocument(&note->Document());
        state.ResumeTiming();

        const qb::NoteOutcome opened = g_bench->Open(which, *note);
        if (!opened) {
            state.SkipWithError(("the open failed: " + opened.error().message.toStdString()).c_str());
            break;
        }
        if (!setBefore)
            edit->setDocument(&note->Document());
        if (!ShowAndPaint(*edit)) {
            state.SkipWithError("the note edit was not painted");
            break;
        }

        state.PauseTiming();
        edit.reset();
        note.reset();
        state.ResumeTiming();
    }
}

void BM_OpenIntoShownDocument(benchmark::State& state)
{
    Open(state, true);
}

void BM_OpenAsEditorWindow(benchmark::State& state)
{
    Open(state, false);
}

// From the document as opened to the server's reply to the save read: write RTF,
// compress, seal, post in pieces.
void BM_Save(benchmark::State& state)
{
    const int which = static_cast<int>(state.range(0));
    state.SetLabel(kSamples[which].label);
    qb::CNoteDocument note;
    if (!g_bench->Open(which, note)) {
        state.SkipWithError("the open before the save failed");
        return;
    }
    for (auto _ : state) {
        const qb::NoteOutcome saved = g_bench->Save(note);
        if (!saved) {
            state.SkipWithError(("the save failed: " + saved.error().message.toStdString()).c_str());
            break;
        }
    }
}

} // namespace

// Argument: 0 the 10000-character note, 1 the 1 MB note with pictures.
BENCHMARK(BM_OpenIntoShownDocument)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_OpenAsEditorWindow)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Save)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--write-samples") == 0) {
        for (int which : {0, 1})
            std::ofstream(std::string(argv[2]) + "/" + kSamples[which].name, std::ios::binary) << SampleRtf(which);
        return 0;
    }
    const char* server = std::getenv("QUILLBOX_SERVER");
    Bench bench(server ? QString::fromLocal8Bit(server)
                       : QCoreApplication::applicationDirPath() + QStringLiteral("/../server/quillbox-server"));
    g_bench = &bench;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_bench = nullptr;
    return 0;
}
