#include "editor/ColorButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyleOptionToolButton>

namespace qb {

CColorButton::CColorButton(QWidget* parent) : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, &CColorButton::OpenPopup);
}

QColor CColorButton::Inverse(const QColor& color)
{
    return QColor(255 - color.red(), 255 - color.green(), 255 - color.blue());
}

void CColorButton::SetColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void CColorButton::OpenPopup()
{
    CColorPopup popup(this, m_askColor);
    popup.PlaceAt(mapToGlobal(QPoint(0, 0)));
    const std::optional<QColor> chosen = popup.Pick();
    setDown(false);
    if (!chosen)
        return; // closed or cancelled: the text keeps its colours
    SetColor(*chosen);
    emit colorChosen(*chosen);
}

void CColorButton::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    const QRect all = rect();
    const int h = all.height();

    // The frame and hover look of the bar's other buttons.
    QStyleOptionToolButton option;
    option.initFrom(this);
    option.state |= QStyle::State_AutoRaise;
    if (isDown())
        option.state |= QStyle::State_Sunken;
    if (option.state & (QStyle::State_MouseOver | QStyle::State_Sunken) && isEnabled())
        style()->drawPrimitive(QStyle::PE_PanelButtonTool, &option, &p, this);
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(all.adjusted(0, 0, -1, -1));

    const QRect swatch(QPoint(3, 3), QPoint(all.width() - h, h - 4));
    p.fillRect(swatch, isEnabled() ? m_color : palette().color(QPalette::Disabled, QPalette::Button));
    QFont letter = font();
    letter.setBold(true);
    p.setFont(letter);
    p.setPen(Inverse(m_color));
    p.drawText(swatch, Qt::AlignCenter | Qt::TextSingleLine, QStringLiteral("A"));

    // The drop-down arrow in the square at the right end.
    const QRectF arrowBox(all.width() - h, 0, h, h);
    const QPointF c = arrowBox.center();
    QPainterPath arrow;
    arrow.moveTo(c.x() - 3.5, c.y() - 1.5);
    arrow.lineTo(c.x() + 3.5, c.y() - 1.5);
    arrow.lineTo(c.x(), c.y() + 2);
    arrow.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing);
    p.fillPath(arrow, palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
}

} // namespace qb
