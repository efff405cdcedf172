#include "ui/Icons.h"

#include <QHash>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qb {
namespace {

QIcon Drawn(const IconPainter& draw)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    {
        QPainter p(&pixmap);
        draw(p);
    }
    return QIcon(pixmap);
}

void PaintFolder(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x9a, 0x6b, 0x10));
    p.setBrush(QColor(0xf5, 0xc2, 0x42));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1, 1);
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
}

IconPainter DocumentPainter(const QColor& band)
{
    return [band](QPainter& p) {
        p.setPen(QColor(0x60, 0x60, 0x60));
        p.setBrush(Qt::white);
        QPainterPath page;
        page.moveTo(3.5, 1.5);
        page.lineTo(10.5, 1.5);
        page.lineTo(13.5, 4.5);
        page.lineTo(13.5, 14.5);
        page.lineTo(3.5, 14.5);
        page.closeSubpath();
        p.drawPath(page);
        p.setPen(band);
        for (int y = 6; y <= 12; y += 2)
            p.drawLine(5, y, 12, y);
    };
}

IconPainter ArrowPainter(QPolygonF arrow)
{
    return [arrow](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x2a, 0x6f, 0xc9));
        p.drawPolygon(arrow);
    };
}

QIcon Themed(const char* name, const IconPainter& draw)
{
    return ThemeOrDrawnIcon(QString::fromLatin1(name), draw);
}

} // namespace

QIcon ThemeOrDrawnIcon(const QString& themeName, const IconPainter& draw)
{
    return QIcon::fromTheme(themeName, Drawn(draw));
}

QIcon FolderIcon()
{
    static const QIcon icon = Themed("folder", PaintFolder);
    return icon;
}

QIcon FileIconFor(const QString& extension)
{
    static QHash<QString, QIcon> cache;
    const QString key = extension.toLower();
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    static const QIcon generic = Themed("text-x-generic", DocumentPainter(QColor(0xb0, 0xb0, 0xb0)));
    static const QIcon rich = Drawn(DocumentPainter(QColor(0x2a, 0x6f, 0xc9)));
    QIcon icon = generic;
    if (!key.isEmpty()) {
        static const QMimeDatabase mimes;
        const QMimeType type = mimes.mimeTypeForFile(QStringLiteral("A") + key, QMimeDatabase::MatchExtension);
        if (!type.isDefault())
            icon = QIcon::fromTheme(type.iconName(), QIcon::fromTheme(type.genericIconName(),
                                                                     key == QLatin1String(".rtf") ? rich : generic));
    }
    cache.insert(key, icon);
    return icon;
}

QIcon IconFor(SharedIcon which)
{
    switch (which) {
    case SharedIcon::NewNote: return Themed("document-new", DocumentPainter(QColor(0x2a, 0x9a, 0x3a)));
    case SharedIcon::NewFolder: return Themed("folder-new", PaintFolder);
    case SharedIcon::Back:
        return Themed("go-previous", ArrowPainter({{2, 8}, {8, 2}, {8, 5}, {14, 5}, {14, 11}, {8, 11}, {8, 14}}));
    case SharedIcon::Forward:
        return Themed("go-next", ArrowPainter({{14, 8}, {8, 2}, {8, 5}, {2, 5}, {2, 11}, {8, 11}, {8, 14}}));
    case SharedIcon::Up:
        return Themed("go-up", ArrowPainter({{8, 2}, {14, 8}, {11, 8}, {11, 14}, {5, 14}, {5, 8}, {2, 8}}));
    case SharedIcon::Home:
        return Themed("go-home", ArrowPainter({{8, 1.5}, {15, 8}, {13, 8}, {13, 14}, {3, 14}, {3, 8}, {1, 8}}));
    }
    return {};
}

QIcon ProgramIcon()
{
    static const QIcon icon = [] {
        QPixmap pixmap(32, 32);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(0x00, 0x77, 0x00));
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(QRectF(2, 2, 28, 28), 6, 6);
        p.setPen(QPen(Qt::white, 3));
        p.drawLine(QPointF(9, 24), QPointF(23, 8));
        p.drawLine(QPointF(9, 24), QPointF(15, 24));
        return QIcon(pixmap);
    }();
    return icon;
}

} // namespace qb
