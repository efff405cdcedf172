#pragma once
// A note printed page by page onto any paged device (a printer, a PDF file): nothing but
// its text, on pages the size of the printable area rounded down to whole inches, with no
// margins of its own, header, footer or page number.

#include <QSizeF>

class QPagedPaintDevice;
class QPaintDevice;
class QTextDocument;

namespace qb {

// The page in device pixels: the printable area rounded down to whole inches. Empty when
// the printable area is less than an inch either way.
QSizeF WholeInchPage(const QPaintDevice& device);

// Prints the whole document; returns the number of pages begun (an empty note takes one),
// or 0 when nothing could be printed.
int PrintDocument(const QTextDocument& document, QPagedPaintDevice& device);

} // namespace qb
