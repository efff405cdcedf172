#include "DialogFixture.h"

#include "editor/KeyDlg.h"

#include <QCheckBox>
#include <QFontInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

using namespace qb;
using namespace qb::testing;
using Mode = CKeyDlg::Mode;
using Strings = std::vector<std::string>;
using Boxes = std::vector<ScriptedPrompts::Box>;

namespace {

const QString kCreatePrompt = QStringLiteral("Do not forget your encryption key!");
const QString kEnterPrompt = QStringLiteral("Please enter the key named below.");
const QString kEmptyKeyHint = QStringLiteral("Enter a valid key, or click cancel!");
const std::string kDifferent = "The keys you entered are different!";

const char* ModeName(Mode mode)
{
    return mode == Mode::Create ? "create" : "enter";
}

} // namespace

class KeyDlgTest : public DialogTest {};

TEST_F(KeyDlgTest, CreateModeStartsWithTheDefaultNameAndItsTexts)
{
    CKeyDlg dialog(Mode::Create);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Create your own encryption key..."));
    EXPECT_EQ(dialog.PromptText().text(), kCreatePrompt);
    EXPECT_EQ(dialog.KeyName(), QStringLiteral("default"));
    EXPECT_TRUE(dialog.NameEdit().isEnabled());
    EXPECT_TRUE(dialog.ConfirmEdit().isEnabled());
    EXPECT_TRUE(dialog.NameHelpButton().isVisible());
    EXPECT_TRUE(dialog.KeyHelpButton().isVisible());
    EXPECT_TRUE(dialog.OkButton().isDefault());
    EXPECT_EQ(dialog.KeyEdit().echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.ConfirmEdit().echoMode(), QLineEdit::Password);
    EXPECT_EQ(dialog.focusWidget(), &dialog.KeyEdit());
    // No check box: keys are never remembered beyond the run.
    EXPECT_TRUE(dialog.findChildren<QCheckBox*>().isEmpty());
}

TEST_F(KeyDlgTest, ColoursAndPromptFont)
{
    CKeyDlg dialog(Mode::Create);
    EXPECT_EQ(TextColour(dialog.PromptText(), QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(TextColour(dialog.NameEdit(), QPalette::Text), QColor(0, 0, 255));
    EXPECT_EQ(TextColour(dialog.KeyEdit(), QPalette::Text), QColor(0, 136, 0));
    EXPECT_EQ(TextColour(dialog.ConfirmEdit(), QPalette::Text), QColor(0, 136, 0));
    const QFontInfo prompt(dialog.PromptText().font());
    EXPECT_TRUE(prompt.bold());
    EXPECT_EQ(prompt.pointSize(), 12);
}

TEST_F(KeyDlgTest, EmptyKeyShowsTheHintAndStaysOpen)
{
    const struct {
        Mode mode;
        QString confirmation;
    } cases[] = {
        {Mode::Create, QString()},
        {Mode::Create, QStringLiteral("typed only here")},
        {Mode::Enter, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ModeName(c.mode));
        CKeyDlg dialog(c.mode);
        dialog.show();
        if (c.mode == Mode::Create)
            Type(dialog.ConfirmEdit(), c.confirmation);
        for (int press = 0; press < 2; ++press) { // the first prompt does not come back
            Click(dialog.OkButton());
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.result(), 0);
            EXPECT_EQ(dialog.PromptText().text(), kEmptyKeyHint);
            EXPECT_EQ(TextColour(dialog.PromptText(), QPalette::WindowText), QColor(255, 0, 0));
            EXPECT_EQ(dialog.focusWidget(), &dialog.KeyEdit());
        }
        EXPECT_EQ(dialog.ConfirmEdit().text(), c.confirmation);
        EXPECT_TRUE(m_prompts.shown.empty());
        EXPECT_TRUE(dialog.Key().Empty());
    }
}

TEST_F(KeyDlgTest, CreateModeRefusesADifferentConfirmation)
{
    const struct {
        const char* what;
        QString key, confirmation;
    } cases[] = {
        {"letter case only", QStringLiteral("Secret"), QStringLiteral("secret")},
        {"one character more", QStringLiteral("abc"), QStringLiteral("abcd")},
        {"no confirmation", QStringLiteral("abc"), QString()},
        {"trailing space", QStringLiteral("abc "), QStringLiteral("abc")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_prompts = ScriptedPrompts();
        CKeyDlg dialog(Mode::Create);
        dialog.show();
        Type(dialog.KeyEdit(), c.key);
        Type(dialog.ConfirmEdit(), c.confirmation);
        Click(dialog.OkButton());
        EXPECT_EQ(m_prompts.shown, Strings{kDifferent});
        EXPECT_EQ(m_prompts.boxes, Boxes{ScriptedPrompts::Box::Plain});
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
        EXPECT_EQ(dialog.PromptText().text(), kCreatePrompt);
        EXPECT_EQ(dialog.focusWidget(), &dialog.KeyEdit());
        EXPECT_EQ(dialog.KeyEdit().text(), c.key); // kept for correcting
        EXPECT_TRUE(dialog.Key().Empty());
    }
}

TEST_F(KeyDlgTest, EnterModeOffersTheNameAndIgnoresTheConfirmation)
{
    CKeyDlg dialog(Mode::Enter);
    dialog.SetKeyName(QStringLiteral("Work 2026"));
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Enter the encryption key..."));
    EXPECT_EQ(dialog.PromptText().text(), kEnterPrompt);
    EXPECT_EQ(dialog.NameEdit().text(), QStringLiteral("Work 2026"));
    EXPECT_FALSE(dialog.NameEdit().isEnabled());
    EXPECT_FALSE(dialog.ConfirmEdit().isEnabled());
    EXPECT_FALSE(dialog.NameHelpButton().isVisible());
    EXPECT_TRUE(dialog.KeyHelpButton().isVisible());

    Type(dialog.NameEdit(), QStringLiteral("x"));    // a disabled edit takes no keys
    Type(dialog.ConfirmEdit(), QStringLiteral("x"));
    EXPECT_EQ(dialog.NameEdit().text(), QStringLiteral("Work 2026"));
    EXPECT_EQ(dialog.ConfirmEdit().text(), QString());
    dialog.ConfirmEdit().setText(QStringLiteral("something else")); // whatever it holds
    Type(dialog.KeyEdit(), QStringLiteral("Secret"));
    Click(dialog.OkButton());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(m_prompts.shown.empty());
    EXPECT_EQ(dialog.Key().View(), "Secret");
    EXPECT_EQ(dialog.KeyName(), QStringLiteral("Work 2026"));
}

TEST_F(KeyDlgTest, EditsTakeNoMoreThanTheirLimit)
{
    const QString typed = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789");
    CKeyDlg dialog(Mode::Create);
    dialog.show();
    const struct {
        const char* what;
        QLineEdit& edit;
        int limit;
    } cases[] = {
        {"name", dialog.NameEdit(), 15},
        {"key", dialog.KeyEdit(), 32},
        {"confirmation", dialog.ConfirmEdit(), 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.edit.clear();
        Type(c.edit, typed.left(c.limit + 1));
        EXPECT_EQ(c.edit.text(), typed.left(c.limit)); // the last character typed is refused
        c.edit.clear();
        c.edit.insert(typed); // pasted
        EXPECT_EQ(c.edit.text(), typed.left(c.limit));
    }
}

TEST_F(KeyDlgTest, OkGivesTheNameAndTheKeyAndEmptiesTheEdits)
{
    const struct {
        const char* what;
        QString name, key;
        std::string keyBytes;
    } cases[] = {
        {"ascii", QStringLiteral("Household"), QStringLiteral("Tr0ub4dor&3"), "Tr0ub4dor&3"},
        {"32 characters", QStringLiteral("long"), QString(32, u'k'), std::string(32, 'k')},
        {"utf-8 bytes", QStringLiteral("Clé"), QStringLiteral("clé"), "cl\xc3\xa9"},
        {"empty name is allowed", QString(), QStringLiteral("k"), "k"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CKeyDlg dialog(Mode::Create);
        dialog.show();
        dialog.NameEdit().clear();
        Type(dialog.NameEdit(), c.name);
        Type(dialog.KeyEdit(), c.key);
        Type(dialog.ConfirmEdit(), c.key);
        Click(dialog.OkButton());
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_FALSE(dialog.isVisible());
        EXPECT_TRUE(m_prompts.shown.empty());
        EXPECT_EQ(dialog.KeyName(), c.name);
        EXPECT_EQ(dialog.Key().View(), c.keyBytes);
        EXPECT_EQ(dialog.KeyEdit().text(), QString());
        EXPECT_EQ(dialog.ConfirmEdit().text(), QString());
        EXPECT_FALSE(dialog.KeyEdit().isUndoAvailable());
    }
}

TEST_F(KeyDlgTest, ModalRunEndsWithReturnInTheKeyEdit)
{
    CKeyDlg dialog(Mode::Enter);
    dialog.SetKeyName(QStringLiteral("default"));
    QTimer::singleShot(0, &dialog, [&] {
        Type(dialog.KeyEdit(), QStringLiteral("Secret"));
        QTest::keyClick(&dialog.KeyEdit(), Qt::Key_Return); // the default button
    });
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_EQ(dialog.Key().View(), "Secret");
}

TEST_F(KeyDlgTest, CancelGivesNoKeyAndEmptiesTheEdits)
{
    for (const bool escape : {false, true}) {
        SCOPED_TRACE(escape ? "escape" : "cancel button");
        CKeyDlg dialog(Mode::Create);
        QTimer::singleShot(0, &dialog, [&] {
            Type(dialog.KeyEdit(), QStringLiteral("Secret"));
            Type(dialog.ConfirmEdit(), QStringLiteral("Secret"));
            if (escape) {
                QTest::keyClick(&dialog.ConfirmEdit(), Qt::Key_Escape);
            } else {
                auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"));
                ASSERT_TRUE(cancel);
                Click(*cancel);
            }
        });
        EXPECT_EQ(dialog.exec(), QDialog::Rejected);
        EXPECT_TRUE(dialog.Key().Empty());
        EXPECT_EQ(dialog.KeyEdit().text(), QString());
        EXPECT_EQ(dialog.ConfirmEdit().text(), QString());
    }
}

TEST_F(KeyDlgTest, HelpButtonsExplainNamesAndKeys)
{
    CKeyDlg dialog(Mode::Create);
    dialog.show();
    const struct {
        const char* what;
        QPushButton& button;
        std::string text;
    } cases[] = {
        {"name", dialog.NameHelpButton(),
         "\nKey Name can be used later to remind you which key\t\t\nyou used to encrypt the files. So choose a "
         "name that\ncan help you remember the key."},
        {"key", dialog.KeyHelpButton(),
         "\nA key is similar to a password. It is used to encrypt your files.\t\nNobody will be able to open an "
         "encrypted file without knowing the key.\t\n\nAll files saved in this server are required to be "
         "encrypted."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        m_prompts = ScriptedPrompts();
        Click(c.button);
        EXPECT_EQ(m_prompts.shown, Strings{c.text});
        EXPECT_EQ(m_prompts.boxes, Boxes{ScriptedPrompts::Box::Information});
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_EQ(dialog.result(), 0);
    }
}

TEST_F(KeyDlgTest, EveryTextButTheDefaultNameIsTranslated)
{
    PseudoTranslator translator;
    for (const Mode mode : {Mode::Create, Mode::Enter}) {
        SCOPED_TRACE(ModeName(mode));
        m_prompts = ScriptedPrompts();
        CKeyDlg dialog(mode);
        dialog.show();
        EXPECT_EQ(UntranslatedTexts(dialog), Strings{});
        EXPECT_EQ(dialog.KeyName(), QStringLiteral("default")); // a name notes carry, not a text
        Click(dialog.KeyHelpButton());
        Click(dialog.OkButton());
        EXPECT_EQ(dialog.PromptText().text(), QStringLiteral("[Enter a valid key, or click cancel!]"));
        if (mode == Mode::Create) {
            Type(dialog.KeyEdit(), QStringLiteral("a"));
            Click(dialog.OkButton());
        }
        for (const std::string& shown : m_prompts.shown)
            EXPECT_TRUE(PseudoTranslator::IsTranslated(QString::fromStdString(shown))) << shown;
        EXPECT_EQ(m_prompts.shown.size(), mode == Mode::Create ? 2u : 1u);
    }
}
