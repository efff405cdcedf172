#include "DialogFixture.h"
#include "NameCases.h"

#include "editor/FileNameDlg.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include <functional>

using namespace qb;
using namespace qb::testing;
using Strings = std::vector<std::string>;

namespace {

const QString kHint = QStringLiteral("Best to use only letters and digits when choosing file names.");
const QString kExists = QStringLiteral("A file with that name already exists. Please enter a new one.");
const QString kBadName = QStringLiteral("Bad Name.");

// One modal showing, driven by act once the dialog runs; its result.
int RunModal(CFileNameDlg& dialog, const std::function<void()>& act)
{
    QTimer::singleShot(0, &dialog, act);
    return dialog.exec();
}

} // namespace

class FileNameDlgTest : public DialogTest {};

TEST_F(FileNameDlgTest, StartsEmptyWithTheAdviceInItsColours)
{
    CFileNameDlg dialog;
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Enter a File Name"));
    EXPECT_EQ(dialog.FileName(), QString());
    EXPECT_EQ(dialog.Prompt(), kHint);
    EXPECT_EQ(dialog.PromptText().text(), kHint);
    EXPECT_EQ(dialog.NameEdit().text(), QString());
    EXPECT_EQ(dialog.focusWidget(), &dialog.NameEdit());
    EXPECT_TRUE(dialog.OkButton().isDefault());
    EXPECT_EQ(TextColour(dialog.PromptText(), QPalette::WindowText), QColor(0, 0, 170));
    EXPECT_EQ(TextColour(dialog.NameEdit(), QPalette::Text), QColor(255, 0, 0));
}

TEST_F(FileNameDlgTest, OkGivesTheNameWithoutWhiteSpaceAtItsEnds)
{
    // Typed keys where a keyboard gives them; control characters arrive pasted.
    const struct {
        const char* what;
        QString typed, pasted, name;
    } cases[] = {
        {"spaces", QStringLiteral("  My Notes  "), QString(), QStringLiteral("My Notes")},
        {"control white space", QString(), QStringLiteral("\t\n\v\f\r Plan \r\n\t"), QStringLiteral("Plan")},
        {"anything else is kept", QStringLiteral("a b&c=d..e.rtf"), QString(), QStringLiteral("a b&c=d..e.rtf")},
        {"no-break spaces are not trimmed", QString(), QStringLiteral("\u00a0x\u00a0"), QStringLiteral("\u00a0x\u00a0")},
        {"one character", QStringLiteral(" x"), QString(), QStringLiteral("x")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CFileNameDlg dialog;
        dialog.show();
        Type(dialog.NameEdit(), c.typed);
        dialog.NameEdit().insert(c.pasted);
        Click(dialog.OkButton());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_EQ(dialog.FileName(), c.name);
    }
}

TEST_F(FileNameDlgTest, AnEmptyNameSaysBadNameAndStaysOpen)
{
    const struct {
        const char* what;
        QString typed;
    } cases[] = {
        {"nothing typed", QString()},
        {"three spaces", QStringLiteral("   ")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CFileNameDlg dialog;
        dialog.SetFileName(QStringLiteral("Earlier"));
        dialog.SetPrompt(kExists);
        dialog.show();
        dialog.NameEdit().clear();
        Type(dialog.NameEdit(), c.typed);
        Click(dialog.OkButton());
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
        EXPECT_EQ(dialog.PromptText().text(), kBadName);
        EXPECT_EQ(dialog.Prompt(), kExists); // the hint itself is kept for the next showing
        EXPECT_EQ(dialog.FileName(), QString());
        EXPECT_EQ(dialog.focusWidget(), &dialog.NameEdit());
        EXPECT_TRUE(m_prompts.shown.empty());

        Type(dialog.NameEdit(), QStringLiteral("Diary"));
        Click(dialog.OkButton());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.FileName(), QStringLiteral("Diary"));
    }
}

// The table the server's tests use, as far as the edit can hold it: 45 characters, no
// white space at the ends, not empty.
TEST_F(FileNameDlgTest, ANameBreakingTheRuleSaysWhyAndStaysOpen)
{
    for (const auto& row : NameCases()) {
        const QString name = QString::fromUtf8(row.name.data(), static_cast<qsizetype>(row.name.size()));
        if (name.isEmpty() || name.size() > 45 || name.trimmed() != name)
            continue;
        SCOPED_TRACE(row.name);
        CFileNameDlg dialog;
        dialog.show();
        dialog.NameEdit().insert(name);
        ASSERT_EQ(dialog.NameEdit().text(), name);
        Click(dialog.OkButton());
        if (row.sentence.empty()) {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_EQ(dialog.FileName(), name);
            continue;
        }
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
        EXPECT_EQ(dialog.PromptText().text().toStdString(), row.sentence);
        EXPECT_EQ(dialog.Prompt(), kHint);
        EXPECT_EQ(dialog.focusWidget(), &dialog.NameEdit());

        dialog.NameEdit().setText(QStringLiteral("Mended"));
        Click(dialog.OkButton());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.FileName(), QStringLiteral("Mended"));
    }
}

TEST_F(FileNameDlgTest, TheEditTakesNoMoreThan45Characters)
{
    const QString name = QStringLiteral("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMN");
    CFileNameDlg dialog;
    dialog.show();
    Type(dialog.NameEdit(), name.left(46));
    EXPECT_EQ(dialog.NameEdit().text(), name.left(45)); // the 46th is refused
    dialog.NameEdit().clear();
    dialog.NameEdit().insert(name); // pasted
    EXPECT_EQ(dialog.NameEdit().text(), name.left(45));
    Click(dialog.OkButton());
    EXPECT_EQ(dialog.FileName(), name.left(45));
}

TEST_F(FileNameDlgTest, AnotherShowingStartsWithTheLastNameAndTheCallersHint)
{
    CFileNameDlg dialog;
    EXPECT_EQ(RunModal(dialog,
                       [&] {
                           Click(dialog.OkButton()); // Bad Name. first: not carried over
                           Type(dialog.NameEdit(), QStringLiteral(" Shopping "));
                           Click(dialog.OkButton());
                       }),
              QDialog::Accepted);
    EXPECT_EQ(dialog.FileName(), QStringLiteral("Shopping"));

    // The name is taken: the caller asks again with its own hint.
    dialog.SetPrompt(kExists);
    QString shownName, shownHint;
    EXPECT_EQ(RunModal(dialog,
                       [&] {
                           shownName = dialog.NameEdit().text();
                           shownHint = dialog.PromptText().text();
                           Type(dialog.NameEdit(), QStringLiteral(" 2")); // replaces the selected name
                           Click(dialog.OkButton());
                       }),
              QDialog::Accepted);
    EXPECT_EQ(shownName, QStringLiteral("Shopping"));
    EXPECT_EQ(shownHint, kExists);
    EXPECT_EQ(dialog.FileName(), QStringLiteral("2"));

    // Cancel keeps the name confirmed before, not what was typed.
    EXPECT_EQ(RunModal(dialog,
                       [&] {
                           Type(dialog.NameEdit(), QStringLiteral("abandoned"));
                           Click(dialog.CancelButton());
                       }),
              QDialog::Rejected);
    EXPECT_EQ(dialog.FileName(), QStringLiteral("2"));
    EXPECT_EQ(RunModal(dialog,
                       [&] {
                           shownName = dialog.NameEdit().text();
                           QTest::keyClick(&dialog.NameEdit(), Qt::Key_Escape);
                       }),
              QDialog::Rejected);
    EXPECT_EQ(shownName, QStringLiteral("2"));
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(FileNameDlgTest, EveryTextIsTranslated)
{
    PseudoTranslator translator;
    CFileNameDlg dialog;
    dialog.show();
    EXPECT_EQ(UntranslatedTexts(dialog), Strings{});
    EXPECT_EQ(dialog.PromptText().text(), QStringLiteral("[") + kHint + QStringLiteral("]"));
    Click(dialog.OkButton());
    EXPECT_EQ(dialog.PromptText().text(), QStringLiteral("[Bad Name.]"));
}
