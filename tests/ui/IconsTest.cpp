#include "ui/Icons.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

using namespace qb;

// Tests run without an icon theme: every icon must come from its drawn fallback.
TEST(Icons, SharedToolbarIconsAreDrawnWithoutATheme)
{
    for (SharedIcon which : {SharedIcon::NewNote, SharedIcon::NewFolder, SharedIcon::Back, SharedIcon::Forward,
                             SharedIcon::Up, SharedIcon::Home}) {
        const QIcon icon = IconFor(which);
        ASSERT_FALSE(icon.isNull()) << static_cast<int>(which);
        const QImage image = icon.pixmap(16, 16).toImage();
        EXPECT_EQ(image.size(), QSize(16, 16)) << static_cast<int>(which);
        int painted = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                painted += qAlpha(image.pixel(x, y)) != 0;
        EXPECT_GT(painted, 16) << static_cast<int>(which); // more than a stray line
    }
    EXPECT_FALSE(FolderIcon().isNull());
    EXPECT_FALSE(FileIconFor(QStringLiteral(".RTF")).isNull());
    EXPECT_FALSE(FileIconFor(QString()).isNull());
    EXPECT_EQ(ProgramIcon().pixmap(32, 32).size(), QSize(32, 32));
}

TEST(Icons, ThemeOrDrawnPaintsOnATransparentCanvas)
{
    const QIcon icon = ThemeOrDrawnIcon(QStringLiteral("quillbox-no-such-icon"),
                                        [](QPainter& p) { p.fillRect(4, 4, 8, 8, Qt::red); });
    const QImage image = icon.pixmap(16, 16).toImage();
    ASSERT_EQ(image.size(), QSize(16, 16));
    EXPECT_EQ(QColor(image.pixel(8, 8)), QColor(Qt::red));
    EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(15, 15)), 0);
}
