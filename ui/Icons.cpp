#include "ui/Icons.h"

#include "explorer/ExplorerCommands.h"

#include <QHash>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qb {
namespace {

QPixmap Canvas()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

QIcon DrawnFolder()
{
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x9a, 0x6b, 0x10));
    p.setBrush(QColor(0xf5, 0xc2, 0x42));
    p.drawRoundedRect(QRectF(1.5, 4.5, 13, 9), 1, 1);
    p.drawRect(QRectF(1.5, 2.5, 5, 2));
    return QIcon(pixmap);
}

QIcon DrawnDocument(const QColor& band)
{
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
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
    return QIcon(pixmap);
}

QIcon DrawnArrow(int commandId)
{
    QPixmap pixmap = Canvas();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x2a, 0x6f, 0xc9));
    QPolygonF arrow;
    switch (commandId) {
    case cmd::kBack: arrow << QPointF(2, 8) << QPointF(8, 2) << QPointF(8, 5) << QPointF(14, 5) << QPointF(14, 11)
                           << QPointF(8, 11) << QPointF(8, 14); break;
    case cmd::kForward: arrow << QPointF(14, 8) << QPointF(8, 2) << QPointF(8, 5) << QPointF(2, 5) << QPointF(2, 11)
                              << QPointF(8, 11) << QPointF(8, 14); break;
    case cmd::kUp: arrow << QPointF(8, 2) << QPointF(14, 8) << QPointF(11, 8) << QPointF(11, 14) << QPointF(5, 14)
                         << QPointF(5, 8) << QPointF(2, 8); break;
    default: // Home
        arrow << QPointF(8, 1.5) << QPointF(15, 8) << QPointF(13, 8) << QPointF(13, 14) << QPointF(3, 14)
              << QPointF(3, 8) << QPointF(1, 8);
        break;
    }
    p.drawPolygon(arrow);
    return QIcon(pixmap);
}

QIcon Themed(const char* name, const QIcon& fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(name), fallback);
}

} // namespace

QIcon FolderIcon()
{
    static const QIcon icon = Themed("folder", DrawnFolder());
    return icon;
}

QIcon FileIconFor(const QString& extension)
{
    static QHash<QString, QIcon> cache;
    const QString key = extension.toLower();
    auto it = cache.find(key);
    if (it != cache.end())
        return *it;
    static const QIcon generic = Themed("text-x-generic", DrawnDocument(QColor(0xb0, 0xb0, 0xb0)));
    static const QIcon rich = DrawnDocument(QColor(0x2a, 0x6f, 0xc9));
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

QIcon ToolbarIcon(int commandId)
{
    switch (commandId) {
    case cmd::kNewFile: return Themed("document-new", DrawnDocument(QColor(0x2a, 0x9a, 0x3a)));
    case cmd::kNewFolder: return Themed("folder-new", DrawnFolder());
    case cmd::kBack: return Themed("go-previous", DrawnArrow(commandId));
    case cmd::kForward: return Themed("go-next", DrawnArrow(commandId));
    case cmd::kUp: return Themed("go-up", DrawnArrow(commandId));
    case cmd::kHome: return Themed("go-home", DrawnArrow(commandId));
    default: return {};
    }
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
