#include "editor/FindDlg.h"
#include "editor/NoteRichEdit.h"
#include "editor/TextFind.h"

#include "DialogFixture.h"
#include "ModalAnswer.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTextDocument>

#include <gtest/gtest.h>

#include <functional>

namespace qb {
namespace {

using testing::FindDialogAnswer;

//                         0         1         2         3
//                         0123456789012345678901234567890123
constexpr char kText[] = "The Cat sat; concatenate the cat.";

enum class Key { CtrlF, F3 };

struct FindCase {
    const char* name;
    const char* previous;        // searched for before (through the dialog), or ""
    int selStart, selEnd;        // the selection when the key is pressed
    Key key;
    FindDialogAnswer::Action action;
    const char* typed;           // typed into the dialog before OK; nullptr keeps the preset
    const char* preset;          // what the dialog must open with (Ctrl+F only)
    int found;                   // FindText's result
    int endStart, endEnd;        // the selection afterwards
    const char* searchText;      // the search text afterwards
};

TEST(Find, KeysDialogAndWrapping)
{
    using A = FindDialogAnswer::Action;
    const FindCase cases[] = {
        {"lower case finds capitals", "", 0, 0, Key::CtrlF, A::Confirm, "cat", "", 4, 4, 7, "cat"},
        {"found inside a longer word", "cat", 7, 7, Key::F3, A::Confirm, nullptr, "", 16, 16, 19, "cat"},
        {"capitals find lower case", "", 20, 20, Key::CtrlF, A::Confirm, "THE", "", 25, 25, 28, "THE"},
        {"after the last match wraps to the first", "cat", 32, 32, Key::F3, A::Confirm, nullptr, "", 4, 4, 7, "cat"},
        {"at the very end wraps to the first", "the", 33, 33, Key::F3, A::Confirm, nullptr, "", 0, 0, 3, "the"},
        {"single match selected is selected again", "sat", 8, 11, Key::F3, A::Confirm, nullptr, "", 8, 8, 11, "sat"},
        {"dialog preset from the selection, next match after it", "", 4, 7, Key::CtrlF, A::Confirm, nullptr, "Cat", 16,
         16, 19, "Cat"},
        {"cancelled dialog searches with the previous text", "sat", 0, 0, Key::CtrlF, A::Escape, "ignored", "", 8, 8, 11,
         "sat"},
        {"empty text confirmed keeps the previous text", "the", 5, 5, Key::CtrlF, A::Confirm, "", "", 25, 25, 28, "the"},
        {"text that does not occur leaves the selection", "", 8, 11, Key::CtrlF, A::Confirm, "dog", "sat", -1, 8, 11,
         "dog"},
        {"F3 before any search does nothing", "", 2, 5, Key::F3, A::Confirm, nullptr, "", -1, 2, 5, ""},
        {"cancelled first dialog does nothing", "", 2, 2, Key::CtrlF, A::Escape, nullptr, "", -1, 2, 2, ""},
    };
    for (const FindCase& c : cases) {
        SCOPED_TRACE(c.name);
        CNoteRichEdit edit;
        edit.setPlainText(kText);
        if (*c.previous) {
            FindDialogAnswer prime;
            prime.typed = QString(c.previous);
            prime.Arm();
            edit.FindText(true);
            ASSERT_EQ(edit.SearchText(), c.previous);
        }
        QTextCursor cursor(edit.document());
        cursor.setPosition(c.selStart);
        cursor.setPosition(c.selEnd, QTextCursor::KeepAnchor);
        edit.setTextCursor(cursor);

        FindDialogAnswer answer;
        answer.action = c.action;
        if (c.typed)
            answer.typed = QString(c.typed);
        if (c.key == Key::CtrlF) {
            answer.Arm();
            QTest::keyClick(&edit, Qt::Key_F, Qt::ControlModifier);
            EXPECT_EQ(answer.Shown(), 1);
            EXPECT_EQ(answer.preset, c.preset);
        } else {
            answer.Arm(); // F3 opens no dialog
            QTest::keyClick(&edit, Qt::Key_F3);
            EXPECT_EQ(answer.Shown(), 0);
        }
        EXPECT_EQ(edit.textCursor().selectionStart(), c.endStart);
        EXPECT_EQ(edit.textCursor().selectionEnd(), c.endEnd);
        EXPECT_EQ(edit.SearchText(), c.searchText);
        EXPECT_EQ(edit.toPlainText(), kText);

        // The same search by call gives the same result from the same selection.
        edit.setTextCursor(cursor);
        EXPECT_EQ(edit.FindText(false), c.found);
    }
}

TEST(Find, NextMatchIsNullForEmptyOrMissingText)
{
    QTextDocument document;
    document.setPlainText(kText);
    const QTextCursor start(&document);
    EXPECT_FALSE(FindNextMatch(document, start, ""));
    EXPECT_FALSE(FindNextMatch(document, start, "dog"));
    const auto match = FindNextMatch(document, start, "CAT");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->selectedText(), "Cat");
}

TEST(Find, DialogHasItsTextsAndOnlyAnOkButton)
{
    testing::PseudoTranslator translator;
    CFindDlg dialog;
    dialog.show();
    EXPECT_EQ(testing::UntranslatedTexts(dialog), std::vector<std::string>{});
    EXPECT_EQ(dialog.findChildren<QPushButton*>().size(), 1);
    EXPECT_TRUE(dialog.OkButton().isDefault());
}

TEST(Find, DialogTextsAndEnds)
{
    struct Case {
        const char* name;
        std::function<void(CFindDlg&)> end;
        int result;
    };
    const Case cases[] = {
        {"OK", [](CFindDlg& d) { testing::Click(d.OkButton()); }, QDialog::Accepted},
        {"Return", [](CFindDlg& d) { QTest::keyClick(&d.TextEdit(), Qt::Key_Return); }, QDialog::Accepted},
        {"Escape", [](CFindDlg& d) { QTest::keyClick(&d.TextEdit(), Qt::Key_Escape); }, QDialog::Rejected},
        {"close box", [](CFindDlg& d) { d.close(); }, QDialog::Rejected},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFindDlg dialog;
        EXPECT_EQ(dialog.windowTitle(), "Find...");
        ASSERT_EQ(dialog.findChildren<QLabel*>().size(), 1);
        EXPECT_EQ(dialog.findChildren<QLabel*>().front()->text(), "Find what:");
        EXPECT_EQ(dialog.OkButton().text(), "OK");
        dialog.SetFindText("preset");
        dialog.show();
        testing::Type(dialog.TextEdit(), "typed"); // the preset is selected: typing replaces it
        EXPECT_EQ(dialog.FindText(), "typed");
        c.end(dialog);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), c.result);
    }
}

} // namespace
} // namespace qb
