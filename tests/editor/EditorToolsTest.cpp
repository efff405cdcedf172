// The editor window's local copy, print and find commands and the keys of its menus,
// against a real notes server.

#include "EditorWindowFixture.h"
#include "DialogFixture.h"
#include "ModalAnswer.h"

#include "ExternalTools.h"

#include "note/NoteDocument.h"

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <csignal>
#include <sys/resource.h>

namespace qb::testing {
namespace {

constexpr const char* kKey = "secret";
constexpr const char* kKeyName = "kn";

QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

class LocalCopyTest : public EditorWindowTest {
protected:
    // The remote note "/june.rtf" open exclusively in an editor, its text replaced by
    // every format the editor writes.
    std::unique_ptr<ScriptedEditor> OpenFormattedNote()
    {
        Seed("/june.rtf", NoteText("old words", kKey, kKeyName));
        m_seeded = Stored("/june.rtf");
        auto editor = MakeEditor();
        editor->SetRemoteNote("/june.rtf", true);
        editor->script.openKeys = {std::string(kKey)};
        EXPECT_TRUE(editor->Start());
        editor->TextControl().selectAll();
        editor->TextControl().textCursor().removeSelectedText();
        WriteFormattedNote(editor->Note().Document());
        return editor;
    }
    QString Path(const char* name) const { return m_dir.filePath(name); }
    QStringList Files() const { return QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir m_dir;
    std::string m_seeded;
};

TEST_F(LocalCopyTest, CopyReadsBackAsTheSameNoteAndLeavesTheNoteAsItWas)
{
    auto editor = OpenFormattedNote();
    ASSERT_TRUE(editor->Note().IsModified());
    editor->localCopyPath = Path("june.rtf");
    editor->LocalCopyAction().trigger();

    EXPECT_EQ(editor->offeredNames, std::vector<QString>{"june.rtf"});
    EXPECT_TRUE(m_prompts.shown.empty());
    EXPECT_FALSE(editor->Progress().isVisible());
    EXPECT_EQ(Files(), QStringList{"june.rtf"});

    // Plain RTF, neither packed nor sealed, that our reader reads to the same note.
    const QByteArray bytes = ReadBytes(Path("june.rtf"));
    ASSERT_TRUE(bytes.startsWith("{\\rtf1"));
    QTextDocument read;
    ASSERT_EQ(rtf::ReadRtf(bytes.toStdString(), read), rtf::ReadStatus::Ok);
    EXPECT_EQ(read.toPlainText(), editor->Note().Document().toPlainText());
    ExpectFormattedNote(read);
    EXPECT_EQ(rtf::ToRtf(read).rtf, rtf::ToRtf(editor->Note().Document()).rtf);

    // The note stays the server's, held, modified and unsaved.
    EXPECT_EQ(editor->windowTitle(), "/june.rtf");
    EXPECT_TRUE(editor->Note().IsModified());
    EXPECT_TRUE(editor->Note().Locked());
    EXPECT_FALSE(editor->Note().IsLocal());
    EXPECT_EQ(Stored("/june.rtf"), m_seeded);
}

TEST_F(LocalCopyTest, OfferedNameIsTheNoteNameAfterItsLastSlash)
{
    auto editor = MakeEditor();
    editor->SetNewNote("/plans");
    ASSERT_TRUE(editor->Start());
    editor->LocalCopyAction().trigger(); // cancelled: nothing is written, nothing said
    EXPECT_EQ(editor->offeredNames, std::vector<QString>{""});
    EXPECT_TRUE(m_prompts.shown.empty());
    EXPECT_TRUE(Files().empty());
    EXPECT_FALSE(editor->Progress().isVisible());
}

TEST_F(LocalCopyTest, FailedWriteSaysSoAndLeavesTheOldFileWhole)
{
    ASSERT_TRUE(WriteBytes(Path("old.rtf"), "{\\rtf1 old}"));
    ASSERT_TRUE(WriteBytes(Path("plain.txt"), "a file, not a folder"));
    struct Case {
        const char* name;
        QString path;
        bool diskFull; // files may not grow beyond 64 KiB, whoever writes them
    };
    const Case cases[] = {
        {"folder that is a file", Path("plain.txt") + "/copy.rtf", false},
        {"folder that does not exist", Path("nowhere") + "/copy.rtf", false},
        {"disk full over an old file", Path("old.rtf"), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_prompts = ScriptedPrompts();
        auto editor = MakeEditor();
        editor->SetNewNote("");
        ASSERT_TRUE(editor->Start());
        editor->TextControl().setPlainText(QStringLiteral("a line of the note\n").repeated(5000)); // RTF past 64 KiB
        editor->localCopyPath = c.path;

        rlimit old{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
        const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        if (c.diskFull) {
            rlimit small = old;
            small.rlim_cur = 64 * 1024;
            ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        }
        editor->SaveLocalCopy();
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);

        EXPECT_EQ(m_prompts.shown, std::vector<std::string>{"Error in saving file."});
        EXPECT_EQ(m_prompts.boxes, std::vector<ScriptedPrompts::Box>{ScriptedPrompts::Box::Information});
        EXPECT_FALSE(editor->Progress().isVisible());
        EXPECT_EQ(ReadBytes(Path("old.rtf")), "{\\rtf1 old}");
        EXPECT_EQ(ReadBytes(Path("plain.txt")), "a file, not a folder");
        EXPECT_EQ(Files(), (QStringList{"old.rtf", "plain.txt"}));
    }
}

TEST_F(LocalCopyTest, OtherProgramsReadTheCopysText)
{
    const bool pandoc = Installed("pandoc");
    const bool office = Installed("soffice");
    if (!pandoc && !office)
        GTEST_SKIP() << "neither pandoc nor LibreOffice is installed";

    auto editor = MakeEditor();
    editor->SetNewNote("");
    ASSERT_TRUE(editor->Start());
    WriteFormattedNote(editor->Note().Document());
    TypeAtEnd(*editor, QStringLiteral("\nПривет, 日本語 and the end."));
    editor->localCopyPath = Path("note.rtf");
    editor->SaveLocalCopy();
    ASSERT_TRUE(m_prompts.shown.empty());
    const std::string expected[] = {"Heading slanted under red serif", "centred line", "one", "two",
                                    "Привет, 日本語 and the end."};

    const std::string folder = m_dir.path().toStdString();
    if (pandoc) {
        const auto text = CommandOutput("pandoc -f rtf -t plain --wrap=none '" + folder + "/note.rtf'");
        ASSERT_TRUE(text);
        for (const std::string& part : expected)
            EXPECT_NE(Squeeze(*text).find(part), std::string::npos) << part << " in " << *text;
    }
    if (office) {
        const std::string command = "cd '" + folder + "' && HOME='" + folder
            + "' timeout 120 soffice --headless --convert-to 'txt:Text (encoded):UTF8' note.rtf >/dev/null 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0);
        const QByteArray text = ReadBytes(Path("note.txt"));
        for (const std::string& part : expected)
            EXPECT_NE(Squeeze(text.toStdString()).find(part), std::string::npos) << part << " in " << text.toStdString();
    }
}

// The keys the menus name, pressed in the shown editor: each acts once.
class EditorKeysTest : public EditorWindowTest {
protected:
    std::unique_ptr<ScriptedEditor> ShowNewNote()
    {
        auto editor = MakeEditor();
        editor->SetNewNote("");
        EXPECT_TRUE(editor->Start());
        editor->show();
        editor->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(editor.get()));
        editor->TextControl().setFocus();
        return editor;
    }
    // Offscreen, no window manager makes the editor active again once a dialog over it is
    // gone; its window keys need it active.
    static void Reactivate(ScriptedEditor& editor)
    {
        editor.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&editor));
    }
    static QString Selected(const ScriptedEditor& editor) { return editor.TextControl().textCursor().selectedText(); }
};

TEST_F(EditorKeysTest, EditKeysActOnceWithTheFocusInTheText)
{
    auto editor = ShowNewNote();
    CNoteRichEdit& text = editor->TextControl();
    ASSERT_EQ(QApplication::focusWidget(), &text);
    Type(text, "abc");

    QTest::keyClick(&text, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(Selected(*editor), "abc");
    QTest::keyClick(&text, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");
    QTest::keyClick(&text, Qt::Key_End);
    QTest::keyClick(&text, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text.toPlainText(), "abcabc");
    QTest::keyClick(&text, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text.toPlainText(), "abc");
    QTest::keyClick(&text, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&text, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text.toPlainText(), "");
    EXPECT_EQ(QApplication::clipboard()->text(), "abc");
    QTest::keyClick(&text, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(text.toPlainText(), "abc");
    QTest::keyClick(&text, Qt::Key_Home);
    QTest::keyClick(&text, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&text, Qt::Key_Delete);
    EXPECT_EQ(text.toPlainText(), "bc");
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(EditorKeysTest, FindKeysOpenOneDialogWhereverTheFocusIs)
{
    auto editor = ShowNewNote();
    CNoteRichEdit& text = editor->TextControl();
    Type(text, "cab cab");
    {
        FindDialogAnswer answer;
        answer.typed = "AB";
        answer.Arm();
        QTest::keyClick(&text, Qt::Key_F, Qt::ControlModifier);
        EXPECT_EQ(answer.Shown(), 1);
        EXPECT_EQ(text.textCursor().selectionStart(), 1); // wrapped from the end to the first
        EXPECT_EQ(Selected(*editor), "ab");
        QTest::keyClick(&text, Qt::Key_F3);
        EXPECT_EQ(answer.Shown(), 1);
        EXPECT_EQ(text.textCursor().selectionStart(), 5);
    }
    {
        // From the Change button the window's keys do the same.
        Reactivate(*editor);
        editor->ChangeButton().setFocus();
        FindDialogAnswer answer;
        answer.action = FindDialogAnswer::Action::Escape;
        answer.Arm();
        QTest::keyClick(&editor->ChangeButton(), Qt::Key_F, Qt::ControlModifier);
        EXPECT_EQ(answer.Shown(), 1);
        EXPECT_EQ(text.textCursor().selectionStart(), 1);
        Reactivate(*editor);
        QTest::keyClick(&editor->ChangeButton(), Qt::Key_F3);
        EXPECT_EQ(answer.Shown(), 1);
        EXPECT_EQ(text.textCursor().selectionStart(), 5);
    }
    {
        // The Edit menu's Find, as the right-click menu's.
        text.setFocus();
        FindDialogAnswer answer;
        answer.Arm();
        emit text.findRequested();
        EXPECT_EQ(answer.Shown(), 1);
        EXPECT_EQ(answer.preset, "ab");
        EXPECT_EQ(text.textCursor().selectionStart(), 1);
    }
}

TEST_F(EditorKeysTest, CtrlSSavesOnceAndCtrlPOpensThePrintDialogOnce)
{
    auto editor = ShowNewNote();
    CNoteRichEdit& text = editor->TextControl();
    Type(text, "keyed");
    editor->script.names = {"keys"};
    editor->script.newKeys = {std::make_pair(std::string(kKeyName), std::string(kKey))};
    QTest::keyClick(&text, Qt::Key_S, Qt::ControlModifier);
    EXPECT_EQ(PlainOf(Stored("/keys.rtf"), kKey), "keyed");
    EXPECT_EQ(m_host.refreshes, 1);
    EXPECT_EQ(text.toPlainText(), "keyed");

    // The whole note only, and printing to a file stays offered: a PDF needs no printer.
    ModalAnswer print;
    print.Answer<QPrintDialog>([](QPrintDialog& dialog) {
        EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintSelection));
        EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintPageRange));
        EXPECT_FALSE(dialog.testOption(QAbstractPrintDialog::PrintCurrentPage));
        EXPECT_TRUE(dialog.testOption(QAbstractPrintDialog::PrintToFile));
        EXPECT_EQ(dialog.printer()->docName(), "RTF");
        dialog.reject();
    });
    QTest::keyClick(&text, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(print.shown, 1);
    editor->PrintAction().trigger();
    EXPECT_EQ(print.shown, 2);
    EXPECT_EQ(text.toPlainText(), "keyed");
    EXPECT_TRUE(m_prompts.shown.empty());
}

} // namespace
} // namespace qb::testing
