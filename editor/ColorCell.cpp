#include "editor/ColorCell.h"

#include <QKeyEvent>
#include <QPainter>

namespace qb {

CColorCell::CColorCell(const QColor& color, QWidget* parent) : QAbstractButton(parent), m_color(color)
{
    setFixedSize(kSide, kSide);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(color.name().toUpper());
    connect(this, &QAbstractButton::clicked, this, [this] { emit picked(m_color); });
}

void CColorCell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const bool hot = isDown() || hasFocus();
    p.fillRect(rect(), hot ? QColor(0xff, 0x00, 0x00) : QColor(Qt::white));
    p.fillRect(rect().adjusted(2, 2, -2, -2), m_color);
    if (!hot) {
        // A hairline keeps white and pale cells apart from the white frame.
        p.setPen(QColor(0xc8, 0xc8, 0xc8));
        p.drawRect(rect().adjusted(2, 2, -3, -3));
    }
}

void CColorCell::enterEvent(QEnterEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    QAbstractButton::enterEvent(event);
}

void CColorCell::keyPressEvent(QKeyEvent* event)
{
    // Return picks the cell under the focus, as Space does.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        click();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

} // namespace qb
