#include "editor/ColorPopup.h"

#include "editor/ColorCell.h"

#include <QAbstractButton>
#include <QColorDialog>
#include <QGuiApplication>
#include <QGridLayout>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace qb {

// Left to right, top to bottom: darks, strong colours, lights, then pales to white.
const std::array<QRgb, CColorPopup::kRows * CColorPopup::kColumns> CColorPopup::kColors = {
    0x000000, 0x002AA5, 0x404000, 0x005500, 0x5E0000, 0x8B0000, 0x82004B, 0x282828,
    0x00008B, 0x2068FF, 0x008B8B, 0x009300, 0x8E8E38, 0xFF0000, 0xC07B7B, 0x666666,
    0x0000FF, 0x5BADFF, 0x32CD32, 0x71B33C, 0xD4FF7F, 0xC09E7D, 0x800080, 0x7F7F7F,
    0xCBC0FF, 0x00D7FF, 0x00FFFF, 0x00FF00, 0xD0E040, 0xFFFFC0, 0x480048, 0xC0C0C0,
    0xE1E4FF, 0x8CB4D2, 0xE0FFFF, 0x98FB98, 0xEEEEAF, 0x8B8368, 0xFAE6E6, 0xFFFFFF,
};

std::optional<QColor> AskColorWithDialog(QWidget* parent)
{
    QColorDialog dialog(parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selectedColor();
}

CColorPopup::CColorPopup(QWidget* parent, ColorDialogFunction askColor)
    : QDialog(parent, Qt::Popup | Qt::FramelessWindowHint), m_askColor(std::move(askColor))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(4);

    auto* automatic = new QPushButton(tr("Automatic"), this);
    automatic->setFlat(true);
    automatic->setAutoDefault(false);
    m_automatic = automatic;
    layout->addWidget(automatic);

    auto* grid = new QGridLayout;
    grid->setSpacing(2);
    for (int i = 0; i < kRows * kColumns; ++i) {
        auto* cell = new CColorCell(QColor::fromRgb(kColors[i]), this);
        grid->addWidget(cell, i / kColumns, i % kColumns);
        connect(cell, &CColorCell::picked, this, &CColorPopup::Choose);
        m_cells[i] = cell;
    }
    layout->addLayout(grid);

    auto* more = new QPushButton(tr("More Colors ..."), this);
    more->setFlat(true);
    more->setAutoDefault(false);
    m_more = more;
    layout->addWidget(more);

    connect(automatic, &QPushButton::clicked, this, [this] { Choose(Qt::black); });
    connect(more, &QPushButton::clicked, this, [this] { done(kMoreColors); });
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_cells.front()->setFocus();
}

CColorPopup::~CColorPopup() = default;

std::optional<QColor> CColorPopup::Pick()
{
    const int result = exec();
    if (result == QDialog::Accepted)
        return m_color;
    if (result != kMoreColors || !m_askColor)
        return std::nullopt;
    // The colour dialog runs once the popup is gone: a popup would take its clicks.
    const std::optional<QColor> chosen = m_askColor(parentWidget());
    if (!chosen || !chosen->isValid())
        return std::nullopt;
    m_color = *chosen;
    return m_color;
}

void CColorPopup::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Base));
    p.setPen(palette().color(QPalette::Mid));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void CColorPopup::PlaceAt(const QPoint& globalTopLeft)
{
    adjustSize();
    QPoint at = globalTopLeft;
    if (const QScreen* screen = QGuiApplication::screenAt(globalTopLeft)) {
        const QRect area = screen->availableGeometry();
        at.setX(std::clamp(at.x(), area.left(), std::max(area.left(), area.right() - width())));
        at.setY(std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() - height())));
    }
    move(at);
}

void CColorPopup::Choose(const QColor& color)
{
    m_color = color;
    accept();
}


} // namespace qb
