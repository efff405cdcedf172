#include "RtfPicture.h"

#include "RtfTokenizer.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QPainter>

#include <algorithm>

namespace qb::rtf {
namespace {

int Clamp(long long pixels)
{
    return static_cast<int>(std::clamp<long long>(pixels, 1, kMaxPicturePixels));
}

// A BMP file around a device-independent bitmap (its header, palette and pixels).
QImage DecodeDib(const QByteArray& dib)
{
    if (dib.size() < 40)
        return {};
    auto u32 = [&](int at) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(dib[at]))
            | (static_cast<std::uint32_t>(static_cast<unsigned char>(dib[at + 1])) << 8)
            | (static_cast<std::uint32_t>(static_cast<unsigned char>(dib[at + 2])) << 16)
            | (static_cast<std::uint32_t>(static_cast<unsigned char>(dib[at + 3])) << 24);
    };
    const std::uint32_t headerSize = u32(0);
    const int bitCount = static_cast<unsigned char>(dib[14]) | (static_cast<unsigned char>(dib[15]) << 8);
    std::uint32_t colors = u32(32);
    if (colors == 0 && bitCount <= 8)
        colors = 1u << bitCount;
    const std::uint32_t offset = 14 + headerSize + colors * 4;
    QByteArray file("BM");
    const std::uint32_t size = 14 + static_cast<std::uint32_t>(dib.size());
    for (std::uint32_t v : {size, 0u, offset})
        for (int i = 0; i < 4; ++i)
            file.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    file.append(dib);
    QImage image;
    image.loadFromData(file, "BMP");
    return image;
}

QImage Placeholder(QSize size, const QString& what)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(QColor(0xf0, 0xf0, 0xf0));
    QPainter painter(&image);
    painter.setPen(QColor(0x90, 0x90, 0x90));
    painter.drawRect(0, 0, size.width() - 1, size.height() - 1);
    painter.drawLine(0, 0, size.width() - 1, size.height() - 1);
    painter.drawLine(0, size.height() - 1, size.width() - 1, 0);
    if (size.width() > 40 && size.height() > 14) {
        painter.setPen(QColor(0x50, 0x50, 0x50));
        painter.drawText(image.rect(), Qt::AlignCenter, what);
    }
    return image;
}

} // namespace

void Picture::AddHex(std::string_view text)
{
    // Bounded by the input: two digits make one byte.
    for (const char c : text) {
        const int v = HexValue(c);
        if (v < 0)
            continue;
        if (pendingNibble < 0) {
            pendingNibble = v;
        } else {
            data.append(static_cast<char>(pendingNibble * 16 + v));
            pendingNibble = -1;
        }
    }
}

PictureResource MakePictureResource(const Picture& picture)
{
    PictureResource out;
    QImage decoded;
    QSize headerSize;
    bool keepBytes = false;
    switch (picture.kind) {
    case PictureKind::Png:
    case PictureKind::Jpeg: {
        // The header tells whether the data is a picture and its size; the document
        // decodes it only when it is drawn.
        QBuffer buffer;
        buffer.setData(picture.data);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, picture.kind == PictureKind::Png ? "png" : "jpeg");
        headerSize = reader.size();
        keepBytes = reader.canRead() && headerSize.isValid() && !headerSize.isEmpty();
        break;
    }
    case PictureKind::Dib: decoded = DecodeDib(picture.data); break;
    default: break;
    }

    // The shown size: the goal in twips when given (15 twips a pixel), else the picture's
    // own size (HIMETRIC for metafiles).
    long long w = 0, h = 0;
    if (picture.goalw > 0 && picture.goalh > 0) {
        w = picture.goalw / 15;
        h = picture.goalh / 15;
    } else if (keepBytes) {
        w = headerSize.width();
        h = headerSize.height();
    } else if (!decoded.isNull()) {
        w = decoded.width();
        h = decoded.height();
    } else if (picture.kind == PictureKind::Metafile || picture.kind == PictureKind::Emf) {
        w = static_cast<long long>(picture.picw) * 96 / 2540;
        h = static_cast<long long>(picture.pich) * 96 / 2540;
    } else {
        w = picture.picw;
        h = picture.pich;
    }
    w = w * std::clamp(picture.scalex, 1, 1000) / 100;
    h = h * std::clamp(picture.scaley, 1, 1000) / 100;
    if (w <= 0 || h <= 0)
        w = h = 32;
    out.size = QSize(Clamp(w), Clamp(h));

    if (keepBytes)
        out.resource = picture.data;
    else if (!decoded.isNull())
        out.resource = decoded;
    else {
        const bool metafile = picture.kind == PictureKind::Metafile || picture.kind == PictureKind::Emf;
        // Drawn small and shown at the full size: a huge placeholder costs no memory.
        out.resource = Placeholder(out.size.boundedTo(QSize(512, 512)),
                                   metafile ? QStringLiteral("Metafile") : QStringLiteral("Picture"));
    }
    return out;
}

std::optional<QByteArray> PngBytes(const QImage& image)
{
    if (image.isNull())
        return std::nullopt;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return std::nullopt;
    return png;
}

} // namespace qb::rtf
