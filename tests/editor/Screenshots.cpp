// editor_screenshots OUTDIR: each editor dialog as it first shows, saved with
// QWidget::grab() as OUTDIR/<dialog>.png, for a look at its layout.

#include "editor/ColorButton.h"
#include "editor/ColorCell.h"
#include "editor/ColorPopup.h"
#include "editor/DecryptFailDlg.h"
#include "editor/EditorDlg.h"
#include "editor/FileNameDlg.h"
#include "editor/FormatBar.h"
#include "editor/KeyDlg.h"
#include "editor/NoteRichEdit.h"
#include "editor/PastedPicture.h"

#include "note/NoteHost.h"

#include "app/ClientApp.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QTextCursor>
#include <QTextList>

#include <cstdlib>

namespace {

bool Save(QWidget& dialog, const QDir& dir, const char* name)
{
    dialog.show();
    QApplication::processEvents();
    return dialog.grab().save(dir.filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
}

// The editor needs a host; a picture needs nothing from it.
class NoHost : public qb::INoteHost {
public:
    bool NameExists(const std::string&) const override { return false; }
    void RefreshListing() override {}
    void ShowProgress(int, int) override {}
    void HideProgress() override {}
};

// A small landscape drawn in code: sky, sun, hills and a river.
qb::PastedPicture Sketch()
{
    QImage image(160, 90, QImage::Format_RGB32);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 90);
    sky.setColorAt(0, QColor(120, 170, 230));
    sky.setColorAt(1, QColor(220, 235, 250));
    painter.fillRect(image.rect(), sky);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(250, 200, 60));
    painter.drawEllipse(QPointF(124, 24), 12, 12);
    painter.setBrush(QColor(90, 150, 80));
    QPainterPath hills;
    hills.moveTo(0, 60);
    hills.cubicTo(40, 40, 80, 70, 160, 50);
    hills.lineTo(160, 90);
    hills.lineTo(0, 90);
    painter.drawPath(hills);
    painter.setPen(QPen(QColor(60, 110, 190), 6));
    painter.drawLine(QPointF(20, 90), QPointF(90, 66));
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return {png, image.size()};
}

void FillNote(qb::CNoteRichEdit& edit)
{
    QTextCursor cursor(edit.document());
    QTextCharFormat plain;
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    bold.setFontPointSize(14);
    cursor.insertText(QStringLiteral("Weekend plans"), bold);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("Saturday: the market early, then "), plain);
    QTextCharFormat italic;
    italic.setFontItalic(true);
    cursor.insertText(QStringLiteral("the long walk by the river"), italic);
    cursor.insertText(QStringLiteral(" if the weather holds."), plain);
    QTextListFormat bullets;
    bullets.setStyle(QTextListFormat::ListDisc);
    cursor.insertList(bullets);
    cursor.insertText(QStringLiteral("bread, cheese, apples"), plain);
    cursor.insertBlock();
    QTextCharFormat red;
    red.setForeground(QColor(192, 0, 0));
    red.setFontUnderline(true);
    cursor.insertText(QStringLiteral("call the plumber"), red);
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("return the library books"), plain);
    QTextBlockFormat spaced;
    spaced.setTopMargin(6);
    cursor.insertBlock(spaced);
    cursor.insertText(QStringLiteral("The route, as far as the bridge:"), plain);
    cursor.insertBlock();
    qb::InsertPicture(cursor, Sketch());
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    bool saved = true;

    qb::CKeyDlg create(qb::CKeyDlg::Mode::Create);
    create.KeyEdit().setText(QStringLiteral("secret"));
    saved &= Save(create, dir, "key-create");

    qb::CKeyDlg enter(qb::CKeyDlg::Mode::Enter);
    enter.SetKeyName(QStringLiteral("Household"));
    saved &= Save(enter, dir, "key-enter");

    qb::CFileNameDlg name;
    name.SetFileName(QStringLiteral("Shopping list"));
    saved &= Save(name, dir, "file-name");

    qb::CDecryptFailDlg fail;
    QString source;
    for (int line = 0; line < 28; ++line)
        source += QStringLiteral("p4xVw6NQ0k8yJcTqZr1uGm5sLhB2dE7fKa9oYiXtW3vCjUnFzRe-Pg_MbHlS0Dq4Ny8Ax1cQ") +
                  QStringLiteral("\r\n");
    fail.SetSourceText(source.left(2046));
    saved &= Save(fail, dir, "decrypt-fail");

    qb::CClientApp client;
    client.KeyHolder().SetSaveKey("Household", "secret");
    NoHost host;
    qb::CEditorDlg editor(client, host);
    FillNote(editor.TextControl());
    editor.setWindowTitle(QStringLiteral("/Home/Weekend.rtf"));
    editor.KeyNameText().setText(QString::fromStdString(client.KeyHolder().SaveKeyName()));
    editor.resize(640, 480);
    editor.ChangeButton().setFocus();
    // The cursor in the coloured, underlined item: the bar shows its format.
    QTextCursor inItem = editor.TextControl().document()->find(QStringLiteral("plumber"));
    inItem.clearSelection();
    editor.TextControl().setTextCursor(inItem);
    saved &= Save(editor, dir, "editor");

    // The colour popup open under the colour button, one cell hot, drawn into the editor's picture.
    qb::CColorButton& colorButton = editor.FormatBar().ColorButton();
    qb::CColorPopup popup(&colorButton);
    popup.PlaceAt(colorButton.mapToGlobal(QPoint(0, 0)));
    popup.show();
    popup.Cell(2, 1).setFocus();
    QApplication::processEvents();
    QImage both = editor.grab().toImage();
    {
        QPainter painter(&both);
        painter.drawPixmap(editor.mapFromGlobal(popup.pos()), popup.grab());
    }
    popup.hide();
    saved &= both.save(dir.filePath(QStringLiteral("editor-colors.png")));

    return saved ? 0 : 1;
}
