#include "editor/KeyIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace qb {
namespace {

QPixmap DrawnKey()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x8a, 0x6a, 0x00), 1.5));
    p.setBrush(QColor(0xf0, 0xc0, 0x30));
    // Bow with its hole, then the shaft and two bits.
    QPainterPath key;
    key.addEllipse(QRectF(2.5, 8.5, 14, 14));
    key.addRect(QRectF(15.5, 13.5, 14, 4));
    key.addRect(QRectF(23.5, 17, 3, 5));
    key.addRect(QRectF(19, 17, 2.5, 4));
    key = key.simplified();
    QPainterPath hole;
    hole.addEllipse(QRectF(5.5, 13, 5, 5));
    p.drawPath(key.subtracted(hole));
    return pixmap;
}

} // namespace

QIcon KeyIcon()
{
    static const QIcon icon = QIcon::fromTheme(QStringLiteral("dialog-password"), QIcon(DrawnKey()));
    return icon;
}

} // namespace qb
