#pragma once
// Pictures out of pasted or dropped data, in the form the RTF writer keeps: PNG bytes, or
// JPEG bytes when the source was JPEG, stored as an image resource of the document.

#include <QByteArray>
#include <QSize>

#include <optional>

class QMimeData;
class QTextCursor;

namespace qb {

struct PastedPicture {
    QByteArray data; // PNG or JPEG
    QSize size;      // pixels
};

// Whether the data holds a picture that PictureFrom can take.
bool HasPicture(const QMimeData& source);

// The picture of the data: JPEG or PNG bytes as they come, any other image as PNG; a local
// image file dropped from a file manager likewise. Nothing when no image can be read.
std::optional<PastedPicture> PictureFrom(const QMimeData& source);

// Adds the picture to the cursor's document as a resource under a name of its own and
// inserts it at the cursor.
void InsertPicture(QTextCursor& cursor, const PastedPicture& picture);

} // namespace qb
