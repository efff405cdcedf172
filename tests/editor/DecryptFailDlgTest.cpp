#include "DialogFixture.h"

#include "editor/DecryptFailDlg.h"

#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

using namespace qb;
using namespace qb::testing;
using Strings = std::vector<std::string>;

namespace {

Strings ShownLines(const QPlainTextEdit& edit)
{
    Strings lines;
    for (QTextBlock block = edit.document()->begin(); block.isValid(); block = block.next())
        lines.push_back(block.text().toStdString());
    return lines;
}

// An excerpt as the editor gives it: envelope lines of 72 characters after the first, at
// most 2046 characters, with CR LF line ends.
QString Excerpt()
{
    QString text;
    for (int line = 0; text.size() < 2046; ++line)
        text += QString(72, QChar(u'A' + line % 26)) + QStringLiteral("\r\n");
    return text.left(2046);
}

} // namespace

class DecryptFailDlgTest : public DialogTest {};

TEST_F(DecryptFailDlgTest, ShowsTheTextItIsGiven)
{
    const QString excerpt = Excerpt();
    Strings excerptLines;
    for (const QString& line : excerpt.split(QStringLiteral("\r\n")))
        excerptLines.push_back(line.toStdString());
    const struct {
        const char* what;
        QString given;
        Strings lines;
    } cases[] = {
        {"nothing", QString(), Strings{""}},
        {"one line", QStringLiteral("QUJD="), Strings{"QUJD="}},
        {"CR LF", QStringLiteral("one\r\ntwo\r\n"), Strings{"one", "two", ""}},
        {"LF", QStringLiteral("one\ntwo\n"), Strings{"one", "two", ""}},
        {"an error page", QStringLiteral("<html><b>Error</b> & more</html>"),
         Strings{"<html><b>Error</b> & more</html>"}},
        {"an excerpt", excerpt, excerptLines},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CDecryptFailDlg dialog;
        dialog.SetSourceText(c.given);
        dialog.show();
        EXPECT_EQ(dialog.SourceText(), c.given);
        EXPECT_EQ(ShownLines(dialog.SourceEdit()), c.lines);
        EXPECT_TRUE(dialog.SourceEdit().isReadOnly());
    }
}

TEST_F(DecryptFailDlgTest, AnEnvelopeLineFitsWithoutScrollingSideways)
{
    CDecryptFailDlg dialog;
    dialog.SetSourceText(Excerpt());
    dialog.show();
    QApplication::processEvents();
    const QPlainTextEdit& edit = dialog.SourceEdit();
    EXPECT_EQ(edit.lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(edit.horizontalScrollBar()->maximum(), 0);
    EXPECT_GT(edit.verticalScrollBar()->maximum(), 0); // 29 lines are more than it shows
    EXPECT_EQ(edit.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    const QFontMetrics metrics(edit.font()); // fixed pitch, whatever the font says of itself
    EXPECT_EQ(metrics.horizontalAdvance(u'i'), metrics.horizontalAdvance(u'M'));
}

TEST_F(DecryptFailDlgTest, TextsColoursAndOk)
{
    CDecryptFailDlg dialog;
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Cannot decrypt"));
    EXPECT_EQ(dialog.MessageText().text(), QStringLiteral("File cannot be decrypted. File source:"));
    EXPECT_EQ(TextColour(dialog.MessageText(), QPalette::WindowText), QColor(255, 0, 0));
    EXPECT_EQ(TextColour(dialog.SourceEdit(), QPalette::Text), QColor(0, 0, 170));
    EXPECT_TRUE(dialog.OkButton().isDefault());
    EXPECT_EQ(dialog.findChildren<QPushButton*>().size(), 1);
    for (const bool viaReturn : {false, true}) {
        SCOPED_TRACE(viaReturn ? "return" : "click");
        QTimer::singleShot(0, &dialog, [&] {
            if (viaReturn)
                QTest::keyClick(&dialog, Qt::Key_Return);
            else
                Click(dialog.OkButton());
        });
        EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    }
    EXPECT_TRUE(m_prompts.shown.empty());
}

TEST_F(DecryptFailDlgTest, EveryTextIsTranslated)
{
    PseudoTranslator translator;
    CDecryptFailDlg dialog;
    dialog.SetSourceText(QStringLiteral("QUJD="));
    EXPECT_EQ(UntranslatedTexts(dialog), Strings{});
    EXPECT_EQ(dialog.SourceEdit().toPlainText(), QStringLiteral("QUJD=")); // data, shown as it is
}
