// The editor window's whole flows against a real notes server: dialogs answered by a
// script, message boxes by scripted prompts, what the server holds read back afterwards.

#include "../note/NoteFixture.h"

#include "editor/EditorDlg.h"
#include "editor/NoteRichEdit.h"

#include "note/NoteDocument.h"

#include "ui/ScriptedPrompts.h"

#include <QLabel>
#include <QTextCursor>
#include <QTextDocument>

namespace qb::testing {
namespace {

constexpr const char* kKey = "secret";
constexpr const char* kKeyName = "kn";
constexpr const char* kOther = "other";

// The editor with its dialogs answered from the scripts of a ScriptedWindow.
class ScriptedEditor : public CEditorDlg {
public:
    using CEditorDlg::CEditorDlg;
    std::optional<SecretText> AskOpenKey(const std::string& keyName) override { return script.AskOpenKey(keyName); }
    std::optional<TypedKey> AskNewKey() override { return script.AskNewKey(); }
    std::optional<std::string> AskNewName(bool nameExists) override { return script.AskNewName(nameExists); }
    void ShowDecryptFailure(const QString& source) override { script.ShowDecryptFailure(source); }

    ScriptedWindow script;
};

class EditorWindowTest : public NoteTest {
protected:
    void SetUp() override
    {
        NoteTest::SetUp();
        SetPrompts(&m_prompts);
    }
    void TearDown() override
    {
        SetPrompts(nullptr);
        NoteTest::TearDown();
    }
    std::unique_ptr<ScriptedEditor> MakeEditor()
    {
        return std::make_unique<ScriptedEditor>(*m_app, m_host, nullptr);
    }

    ScriptedPrompts m_prompts;
    ScriptedHost m_host;
};

void TypeAtEnd(CEditorDlg& editor, const QString& text)
{
    QTextCursor cursor = editor.TextControl().textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
}

TEST_F(EditorWindowTest, NewNoteIsNamedKeyedAndStored)
{
    auto editor = MakeEditor();
    editor->SetNewNote("");
    editor->script.names = {"memo"};
    editor->script.newKeys = {std::make_pair(std::string(kKeyName), std::string(kKey))};
    ASSERT_TRUE(editor->Start());
    EXPECT_EQ(editor->windowTitle(), "");
    TypeAtEnd(*editor, "first words");
    ASSERT_TRUE(editor->Save(false));
    EXPECT_EQ(PlainOf(Stored("/memo.rtf"), kKey), "first words");
    EXPECT_EQ(editor->windowTitle(), "memo.rtf");
    EXPECT_EQ(editor->KeyNameText().text(), kKeyName);
    EXPECT_FALSE(editor->Note().IsModified());
    EXPECT_EQ(m_host.refreshes, 1);
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(EditorWindowTest, ReopenedWithTheTypedKeyShowsTextAndKeyName)
{
    Seed("/r.rtf", NoteText("kept words", kKey, kKeyName));
    auto editor = MakeEditor();
    editor->SetRemoteNote("/r.rtf", false);
    editor->script.openKeys = {std::string(kKey)};
    ASSERT_TRUE(editor->Start());
    EXPECT_EQ(editor->script.askedKeyNames, std::vector<std::string>{kKeyName});
    EXPECT_EQ(editor->TextControl().toPlainText(), "kept words");
    EXPECT_EQ(editor->windowTitle(), "/r.rtf");
    EXPECT_EQ(editor->KeyNameText().text(), kKeyName);
    EXPECT_FALSE(editor->Note().IsModified());
}

TEST_F(EditorWindowTest, OpenCancelledAtTheKeyDoesNotStart)
{
    Seed("/r.rtf", NoteText("kept words", kKey, kKeyName));
    auto editor = MakeEditor();
    editor->SetRemoteNote("/r.rtf", true);
    EXPECT_FALSE(editor->Start());
    EXPECT_EQ(editor->result(), QDialog::Rejected);
    EXPECT_TRUE(LockableBy("/r.rtf", kOther)); // the lock the open took was given back
}

struct CloseCase {
    const char* what;
    bool exclusive;
    const char* typed;               // "" leaves the note unchanged
    std::deque<bool> answers;        // to "Save Changes?"
    std::deque<std::optional<std::string>> names; // a name dialog, for a save that asks
    bool closed;
    const char* stored;              // the server's text afterwards
    bool lockReleased;
};

TEST_F(EditorWindowTest, CloseSavesReleasesOrKeepsTheWindow)
{
    const char* const kAsk = "Save Changes?\n\nClick Yes if you want to save the changes.\n";
    const std::vector<CloseCase> cases = {
        {"unchanged exclusive: unlock only", true, "", {}, {}, true, "old", true},
        {"modified exclusive, Yes: saved with the lock released", true, " new", {true}, {}, true, "old new", true},
        {"modified exclusive, No: unlocked, not saved", true, " new", {false}, {}, true, "old", true},
        {"modified plain, No: nothing sent", false, " new", {false}, {}, true, "old", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FreshServer();
        m_app = MakeApp();
        m_prompts = {};
        Seed("/c.rtf", NoteText("old", kKey, kKeyName));
        auto editor = MakeEditor();
        editor->SetRemoteNote("/c.rtf", c.exclusive);
        editor->script.openKeys = {std::string(kKey)};
        ASSERT_TRUE(editor->Start());
        if (*c.typed)
            TypeAtEnd(*editor, c.typed);
        m_prompts.answers = c.answers;
        editor->script.names = c.names;
        editor->CloseEditor();
        EXPECT_EQ(editor->result(), c.closed ? CEditorDlg::kClosed : 0);
        EXPECT_EQ(m_prompts.asked, *c.typed ? std::vector<std::string>{kAsk} : std::vector<std::string>{});
        EXPECT_TRUE(m_prompts.shown.empty());
        EXPECT_EQ(PlainOf(Stored("/c.rtf"), kKey), c.stored);
        EXPECT_EQ(LockableBy("/c.rtf", kOther), c.lockReleased);
    }
}

TEST_F(EditorWindowTest, CancelledSaveOnCloseKeepsWindowTextAndModifiedState)
{
    auto editor = MakeEditor();
    editor->SetNewNote("");
    ASSERT_TRUE(editor->Start());
    TypeAtEnd(*editor, "unsaved words");
    m_prompts.answers = {true};
    editor->script.names = {std::nullopt}; // the name dialog is cancelled
    editor->CloseEditor();
    EXPECT_EQ(editor->result(), 0);
    EXPECT_EQ(editor->TextControl().toPlainText(), "unsaved words");
    EXPECT_TRUE(editor->Note().IsModified());
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(EditorWindowTest, FailedSaveKeepsTextAndModifiedStateAndSaysWhy)
{
    auto editor = MakeEditor();
    editor->SetNewNote("");
    ASSERT_TRUE(editor->Start());
    TypeAtEnd(*editor, "unsaved words");
    editor->script.names = {"memo"};
    // No key: the key dialog is cancelled, and a note is never stored without one.
    EXPECT_FALSE(editor->Save(false));
    EXPECT_EQ(m_prompts.shown, std::vector<std::string>{"Files cannot be saved to this server without encryption.\t"});
    EXPECT_EQ(editor->TextControl().toPlainText(), "unsaved words");
    EXPECT_TRUE(editor->Note().IsModified());
    EXPECT_EQ(Stored("/memo.rtf"), "");
}

} // namespace
} // namespace qb::testing
