// editor_screenshots OUTDIR: each editor dialog as it first shows, saved with
// QWidget::grab() as OUTDIR/<dialog>.png, for a look at its layout.

#include "editor/DecryptFailDlg.h"
#include "editor/FileNameDlg.h"
#include "editor/KeyDlg.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>

#include <cstdlib>

namespace {

bool Save(QWidget& dialog, const QDir& dir, const char* name)
{
    dialog.show();
    QApplication::processEvents();
    return dialog.grab().save(dir.filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
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

    return saved ? 0 : 1;
}
