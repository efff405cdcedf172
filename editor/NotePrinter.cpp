#include "editor/NotePrinter.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextDocument>

#include <memory>

namespace qb {

QSizeF WholeInchPage(const QPaintDevice& device)
{
    const int dpiX = device.logicalDpiX();
    const int dpiY = device.logicalDpiY();
    if (dpiX <= 0 || dpiY <= 0)
        return {};
    return QSizeF((device.width() / dpiX) * dpiX, (device.height() / dpiY) * dpiY);
}

int PrintDocument(const QTextDocument& document, QPagedPaintDevice& device)
{
    const QSizeF page = WholeInchPage(device);
    if (page.isEmpty())
        return 0;

    // A copy laid out for the device, so that the note on screen keeps its own layout. The
    // base class's own printing is not used: it adds margins and page numbers.
    const std::unique_ptr<QTextDocument> copy(document.clone());
    QAbstractTextDocumentLayout* layout = copy->documentLayout();
    layout->setPaintDevice(&device);
    copy->setDocumentMargin(0);
    copy->setPageSize(page);

    QPainter painter;
    if (!painter.begin(&device))
        return 0;
    const int pages = copy->pageCount();
    for (int index = 0; index < pages; ++index) {
        if (index > 0 && !device.newPage())
            return index;
        const QRectF view(0, index * page.height(), page.width(), page.height());
        painter.save();
        painter.translate(0, -view.top());
        painter.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        // The layout moves a line that would cross a page's end onto the next page, so
        // lines only touch the edges; a line touching this page's edge from the page
        // before or after is not drawn here (its text would land in the file clipped,
        // and show up twice to anything that reads the text back).
        context.clip = view.adjusted(0, 0.5, 0, -0.5);
        context.palette.setColor(QPalette::Text, Qt::black);
        layout->draw(&painter, context);
        painter.restore();
    }
    painter.end();
    return pages;
}

} // namespace qb
