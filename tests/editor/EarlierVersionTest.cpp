// An earlier version of a note in the editor: opened with the note's key, shown read-only,
// and closed without a word to the server.

#include "EditorWindowFixture.h"

#include "editor/FontNameCombo.h"
#include "editor/FormatBar.h"
#include "editor/FormatCommands.h"

#include "app/NoteHistory.h"
#include "app/RequestBodies.h"

#include "CaptureServer.h"

#include <QAction>
#include <QPushButton>
#include <QTest>

namespace qb::testing {
namespace {

constexpr const char* kKey = "secret";
constexpr const char* kKeyName = "kn";

// Every way the window offers to change or store the text; none may.
void TryToChange(ScriptedEditor& editor)
{
    QTest::keyClicks(&editor.TextControl(), "typed");
    QTest::keyClick(&editor.TextControl(), Qt::Key_Delete);
    QTest::keyClick(&editor.TextControl(), Qt::Key_Return);
    editor.TextControl().selectAll();
    QTest::keyClick(&editor.TextControl(), Qt::Key_Backspace);
    editor.FormatBar().Action(fmt::kBold)->trigger();
    editor.FormatBar().Action(fmt::kSave)->trigger();
    editor.SaveAction().trigger();
    QTest::keyClick(&editor, Qt::Key_S, Qt::ControlModifier);
    editor.ChangeButton().click();
}

TEST_F(EditorWindowTest, AnEarlierVersionOpensReadOnly)
{
    Seed("/v.rtf", NoteText("first words", kKey, kKeyName));
    Seed("/v.rtf", NoteText("second words", kKey, kKeyName));
    const std::string current = Stored("/v.rtf");
    CNoteHistory history(*m_app);
    const auto versions = history.Versions("/v.rtf");
    ASSERT_TRUE(versions && versions->size() == 1) << history.Error();

    auto editor = MakeEditor();
    editor->SetEarlierVersion("/v.rtf", versions->front().id, "10/12/2026 14:03");
    editor->script.openKeys = {std::string(kKey)};
    ASSERT_TRUE(editor->Start());
    EXPECT_EQ(editor->script.askedKeyNames, std::vector<std::string>{kKeyName}) << "asked by the note's key name";
    EXPECT_EQ(editor->TextControl().toPlainText(), "first words");
    EXPECT_EQ(editor->windowTitle(), "/v.rtf (version of 10/12/2026 14:03)");
    EXPECT_TRUE(editor->TextControl().isReadOnly());
    EXPECT_FALSE(editor->SaveAction().isEnabled());
    EXPECT_FALSE(editor->FormatBar().Action(fmt::kSave)->isEnabled());
    EXPECT_FALSE(editor->FormatBar().Action(fmt::kBold)->isEnabled());
    EXPECT_FALSE(editor->FormatBar().FontNameList().isEnabled());
    EXPECT_FALSE(editor->ChangeButton().isEnabled());
    EXPECT_TRUE(editor->PrintAction().isEnabled());

    TryToChange(*editor);
    EXPECT_EQ(editor->TextControl().toPlainText(), "first words");
    EXPECT_FALSE(editor->Note().IsModified());
    EXPECT_FALSE(editor->Save(false));
    EXPECT_TRUE(LockableBy("/v.rtf", "another")) << "opening a version takes no lock";
    editor->CloseEditor();
    EXPECT_EQ(editor->result(), CEditorDlg::kClosed);
    EXPECT_TRUE(m_prompts.shown.empty());
    EXPECT_EQ(Stored("/v.rtf"), current) << "the note is as it was";
    EXPECT_EQ(history.Versions("/v.rtf")->size(), 1u) << "nothing was saved over it";
}

// The requests themselves: one open of the version, then nothing, whatever the user tries.
TEST_F(EditorWindowTest, AnEarlierVersionSendsNothingAfterItsOpen)
{
    const std::string stored = NoteText("old words", kKey, kKeyName);
    CaptureServer capture;
    capture.Reply(200, "OK " + std::to_string(stored.size()) + "\n" + stored);
    m_app = MakeApp(capture.Port());
    m_app->SetClock([] { return std::time_t{1700000000}; });
    m_app->KeyHolder().SetOpenKey(kKey);
    const std::string token = m_app->MakeSessionToken();
    auto editor = MakeEditor();
    editor->SetEarlierVersion("/A/n.rtf", 42, "then");
    ASSERT_TRUE(editor->Start());
    EXPECT_EQ(capture.Next().body, OpenVersionBody(token, "/A/n.rtf", 42));
    EXPECT_EQ(editor->TextControl().toPlainText(), "old words");

    capture.Reply(200, "OK\n");
    TryToChange(*editor);
    editor->reject(); // Escape or the close box
    EXPECT_EQ(editor->result(), CEditorDlg::kClosed);
    EXPECT_TRUE(m_prompts.shown.empty()) << "closing never asks to save";
    (void)m_app->Post(kScriptDir, "sentinel");
    EXPECT_EQ(capture.Next().body, "sentinel") << "no save, no unlock";
}

} // namespace
} // namespace qb::testing
