// The editor window's whole flows against a real notes server: dialogs answered by a
// script, message boxes by scripted prompts, what the server holds read back afterwards.

#include "EditorWindowFixture.h"

#include "editor/EditorDlg.h"
#include "editor/NoteRichEdit.h"
#include "editor/PastedPicture.h"

#include "note/NoteDocument.h"

#include "ui/ScriptedPrompts.h"

#include "app/RequestBodies.h"
#include "rtf/RtfPicture.h"

#include "CaptureServer.h"

#include <QImage>
#include <QLabel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <functional>

namespace qb::testing {
namespace {

constexpr const char* kKey = "secret";
constexpr const char* kKeyName = "kn";
constexpr const char* kOther = "other";

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

TEST_F(EditorWindowTest, FormattedNoteComesBackTheSameAfterReopening)
{
    auto writer = MakeEditor();
    writer->SetNewNote("");
    writer->script.names = {"formats"};
    writer->script.newKeys = {std::make_pair(std::string(kKeyName), std::string(kKey))};
    ASSERT_TRUE(writer->Start());
    WriteFormattedNote(writer->Note().Document());
    ASSERT_TRUE(writer->Save(false));
    ASSERT_TRUE(m_prompts.shown.empty());

    m_app = MakeApp(); // no key held: the key is asked for by the note's key name
    auto reader = MakeEditor();
    reader->SetRemoteNote("/formats.rtf", false);
    reader->script.openKeys = {std::string(kKey)};
    ASSERT_TRUE(reader->Start());
    EXPECT_EQ(reader->script.askedKeyNames, std::vector<std::string>{kKeyName});
    EXPECT_EQ(reader->KeyNameText().text(), kKeyName);
    // What the user types first, at the start, takes the first word's format.
    const QTextCharFormat typing = reader->TextControl().currentCharFormat();
    EXPECT_EQ(typing.fontWeight(), QFont::Bold);
    EXPECT_EQ(typing.fontPointSize(), 16);
    EXPECT_FALSE(reader->Note().IsModified());
    const QTextDocument& read = reader->Note().Document();
    EXPECT_EQ(read.toPlainText(), writer->Note().Document().toPlainText());

    ExpectFormattedNote(read);
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

struct RequestCase {
    const char* what;
    bool menuSave;                 // File > Save before closing
    const char* typed;             // "" leaves the note unchanged before the close
    std::deque<bool> answers;      // to "Save Changes?"
    std::vector<std::string> sent; // after the open: "save" with its lock part, or "unlock"
};

TEST_F(EditorWindowTest, ExclusiveNoteSendsExactlyTheRequestsOfEachClose)
{
    const std::string stored = NoteText("locked words", kKey, kKeyName);
    const RequestCase cases[] = {
        {"unchanged: one unlock", false, "", {}, {"unlock"}},
        {"modified, Yes: one save that releases", false, " more", {true}, {"save&UNLOCK=1"}},
        {"modified, No: one unlock, no save", false, " more", {false}, {"unlock"}},
        {"menu save keeps the lock, then unlock", true, " more", {}, {"save0", "unlock"}},
    };
    for (const RequestCase& c : cases) {
        SCOPED_TRACE(c.what);
        CaptureServer capture;
        capture.Reply(200, "OK " + std::to_string(stored.size()) + "\n" + stored);
        m_app = MakeApp(capture.Port());
        m_app->SetClock([] { return std::time_t{1700000000}; });
        m_app->KeyHolder().SetOpenKey(kKey);
        m_app->KeyHolder().SetSaveKey(kKeyName, kKey);
        const std::string token = m_app->MakeSessionToken();
        const std::string me = m_app->Identity();
        m_prompts = {};
        auto editor = MakeEditor();
        editor->SetRemoteNote("/A/n.rtf", true);
        ASSERT_TRUE(editor->Start());
        EXPECT_EQ(capture.Next().body, OpenBody(token, "/A/n.rtf", me));

        capture.Reply(200, "OK\n");
        TypeAtEnd(*editor, c.typed);
        if (c.menuSave)
            editor->SaveAction().trigger();
        m_prompts.answers = c.answers;
        editor->CloseEditor();
        EXPECT_EQ(editor->result(), CEditorDlg::kClosed);
        EXPECT_TRUE(m_prompts.shown.empty());
        (void)m_app->Post(kScriptDir, "sentinel");

        std::vector<std::string> sent;
        for (CapturedRequest request = capture.Next(); request.body != "sentinel"; request = capture.Next()) {
            const std::string releasing = SavePrefix(token, "", "/A/n.rtf", me, true);
            const std::string keeping = SavePrefix(token, "", "/A/n.rtf", me, false);
            if (request.body == UnlockBody(token, "/A/n.rtf", me))
                sent.push_back("unlock");
            else if (request.body.rfind(releasing, 0) == 0)
                sent.push_back("save&UNLOCK=1");
            else if (request.body.rfind(keeping, 0) == 0 && keeping.ends_with(me + "0&DATA="))
                sent.push_back("save0");
            else
                sent.push_back("unexpected: " + request.body.substr(0, 120));
        }
        EXPECT_EQ(sent, c.sent);
    }
}

TEST_F(EditorWindowTest, AnotherComputersSaveIsRefusedWhileTheNoteIsHeld)
{
    Seed("/held.rtf", NoteText("held words", kKey, kKeyName));
    auto editor = MakeEditor();
    editor->SetRemoteNote("/held.rtf", true);
    editor->script.openKeys = {std::string(kKey)};
    ASSERT_TRUE(editor->Start());

    // A second client with an identity of its own tries to save over the held note.
    auto holder = std::move(m_app);
    m_app = MakeApp();
    m_app->SetIdentity(kOther);
    m_app->KeyHolder().SetSaveKey(kKeyName, kKey);
    auto other = MakeEditor();
    other->SetRemoteNote("/held.rtf", false);
    other->script.openKeys = {std::string(kKey)};
    ASSERT_TRUE(other->Start());
    TypeAtEnd(*other, " overwritten");
    EXPECT_FALSE(other->Save(false));
    EXPECT_EQ(m_prompts.shown,
              std::vector<std::string>{"ERROR: This note is open exclusively on another computer. Nothing was saved.\n"});
    EXPECT_TRUE(other->Note().IsModified());
    EXPECT_EQ(PlainOf(Stored("/held.rtf"), kKey), "held words");

    m_app = std::move(holder);
    m_prompts = {};
    editor->CloseEditor();
    EXPECT_EQ(editor->result(), CEditorDlg::kClosed);
    EXPECT_TRUE(LockableBy("/held.rtf", kOther));
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
