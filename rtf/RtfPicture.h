#pragma once
// What a \pict group holds, and the image it becomes: PNG and JPEG data as they are,
// device-independent bitmaps as images, and a visible placeholder of the right size for
// anything that cannot be drawn (metafiles, unknown or damaged data).

#include <QByteArray>
#include <QSize>
#include <QVariant>

#include <optional>

class QImage;

namespace qb::rtf {

enum class PictureKind { Unknown, Png, Jpeg, Dib, Metafile, Emf, Other };

struct Picture {
    PictureKind kind = PictureKind::Unknown;
    int picw = 0, pich = 0;         // pixels, or HIMETRIC for metafiles
    int goalw = 0, goalh = 0;       // twips
    int scalex = 100, scaley = 100; // percent
    QByteArray data;
    int pendingNibble = -1; // hex digits arrive in text runs of any length
    void AddHex(std::string_view text);
};

struct PictureResource {
    QVariant resource; // QByteArray of PNG/JPEG data, or a QImage
    QSize size;        // shown size in pixels (96 per inch)
};

inline constexpr int kMaxPicturePixels = 4096; // per side, for placeholders and goals

PictureResource MakePictureResource(const Picture& picture);

// The image as PNG bytes; nothing when it is null or cannot be encoded.
std::optional<QByteArray> PngBytes(const QImage& image);

} // namespace qb::rtf
