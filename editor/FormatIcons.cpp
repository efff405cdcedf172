#include "editor/FormatIcons.h"

#include "ui/Icons.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace qb {
namespace {

const QColor kInk(0x33, 0x33, 0x33);
const QColor kBlue(0x2a, 0x6f, 0xc9);

// Lines one pixel high on whole pixels: the paragraph pictures stay sharp.
void Lines(QPainter& p, const int (&spans)[5][2])
{
    for (int i = 0; i < 5; ++i)
        p.fillRect(spans[i][0], 2 + 3 * i, spans[i][1], 2, kInk);
}

IconPainter Letter(const char* text, bool bold, bool italic, bool underline)
{
    return [=](QPainter& p) {
        p.setRenderHint(QPainter::TextAntialiasing);
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(13);
        font.setBold(bold);
        font.setItalic(italic);
        if (!bold && !italic)
            font.setWeight(QFont::DemiBold);
        p.setFont(font);
        p.setPen(kInk);
        p.drawText(QRect(0, underline ? -1 : 0, 16, underline ? 14 : 16), Qt::AlignCenter, QString::fromLatin1(text));
        if (underline)
            p.fillRect(3, 14, 10, 1, kInk);
    };
}

void PaintSave(QPainter& p)
{
    p.fillRect(1, 1, 14, 14, kBlue);
    p.fillRect(4, 1, 8, 5, Qt::white);     // label
    p.fillRect(9, 2, 2, 3, kBlue);         // shutter window
    p.fillRect(3, 9, 10, 6, QColor(0xe8, 0xee, 0xf6));
    p.fillRect(4, 11, 8, 1, QColor(0x9a, 0xb0, 0xcc));
    p.fillRect(4, 13, 8, 1, QColor(0x9a, 0xb0, 0xcc));
}

void PaintPrint(QPainter& p)
{
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.setBrush(Qt::white);
    p.drawRect(4, 1, 7, 5); // paper in
    p.setBrush(QColor(0xb8, 0xb8, 0xb8));
    p.drawRect(1, 6, 13, 6); // body
    p.setBrush(Qt::white);
    p.drawRect(4, 10, 7, 5); // paper out
    p.fillRect(5, 12, 5, 1, QColor(0x90, 0x90, 0x90));
    p.fillRect(11, 8, 2, 1, QColor(0x2a, 0x9a, 0x3a));
}

void PaintCut(QPainter& p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(kInk, 1.5));
    p.drawLine(QPointF(4.5, 1.5), QPointF(10.5, 10));
    p.drawLine(QPointF(11.5, 1.5), QPointF(5.5, 10));
    p.setPen(QPen(kBlue, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(4.5, 12), 2.5, 2.5);
    p.drawEllipse(QPointF(11.5, 12), 2.5, 2.5);
}

void Page(QPainter& p, int x, int y, int w, int h)
{
    p.setPen(QColor(0x70, 0x70, 0x70));
    p.setBrush(Qt::white);
    p.drawRect(x, y, w - 1, h - 1);
    for (int line = y + 3; line < y + h - 2; line += 2)
        p.fillRect(x + 2, line, w - 4, 1, QColor(0xa0, 0xb4, 0xd0));
}

void PaintCopy(QPainter& p)
{
    Page(p, 1, 1, 9, 11);
    Page(p, 6, 4, 9, 11);
}

void PaintPaste(QPainter& p)
{
    p.setPen(QColor(0x7a, 0x55, 0x20));
    p.setBrush(QColor(0xd9, 0xa4, 0x5a));
    p.drawRect(1, 2, 11, 13);
    p.fillRect(4, 1, 5, 3, QColor(0x60, 0x60, 0x60));
    Page(p, 6, 6, 9, 10);
}

void PaintAlignLeft(QPainter& p)
{
    Lines(p, {{1, 14}, {1, 9}, {1, 14}, {1, 9}, {1, 12}});
}

void PaintAlignCenter(QPainter& p)
{
    Lines(p, {{1, 14}, {4, 8}, {2, 12}, {4, 8}, {1, 14}});
}

void PaintAlignRight(QPainter& p)
{
    Lines(p, {{1, 14}, {6, 9}, {1, 14}, {6, 9}, {3, 12}});
}

void PaintBullet(QPainter& p)
{
    for (int y : {2, 7, 12}) {
        p.fillRect(1, y, 3, 3, kBlue);
        p.fillRect(6, y + 1, 9, 1, kInk);
    }
}

} // namespace

QIcon IconFor(FormatIcon which)
{
    switch (which) {
    case FormatIcon::Save: return ThemeOrDrawnIcon(QStringLiteral("document-save"), PaintSave);
    case FormatIcon::Print: return ThemeOrDrawnIcon(QStringLiteral("document-print"), PaintPrint);
    case FormatIcon::Cut: return ThemeOrDrawnIcon(QStringLiteral("edit-cut"), PaintCut);
    case FormatIcon::Copy: return ThemeOrDrawnIcon(QStringLiteral("edit-copy"), PaintCopy);
    case FormatIcon::Paste: return ThemeOrDrawnIcon(QStringLiteral("edit-paste"), PaintPaste);
    case FormatIcon::Bold:
        return ThemeOrDrawnIcon(QStringLiteral("format-text-bold"), Letter("B", true, false, false));
    case FormatIcon::Italic:
        return ThemeOrDrawnIcon(QStringLiteral("format-text-italic"), Letter("I", false, true, false));
    case FormatIcon::Underline:
        return ThemeOrDrawnIcon(QStringLiteral("format-text-underline"), Letter("U", false, false, true));
    case FormatIcon::AlignLeft: return ThemeOrDrawnIcon(QStringLiteral("format-justify-left"), PaintAlignLeft);
    case FormatIcon::AlignCenter:
        return ThemeOrDrawnIcon(QStringLiteral("format-justify-center"), PaintAlignCenter);
    case FormatIcon::AlignRight: return ThemeOrDrawnIcon(QStringLiteral("format-justify-right"), PaintAlignRight);
    case FormatIcon::Bullet: return ThemeOrDrawnIcon(QStringLiteral("format-list-unordered"), PaintBullet);
    }
    return {};
}

} // namespace qb
