#include "editor/PastedPicture.h"

#include "rtf/RtfPicture.h"

#include <QBuffer>
#include <QPixmap>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>

#include <algorithm>

namespace qb {
namespace {

// Pictures larger than this are refused rather than decoded: the limit Qt's image reader
// itself applies by default, stated here so that a paste never depends on a global setting.
constexpr int kMaxPictureSide = 16384;

// Bytes that are a readable PNG or JPEG image, with its size.
std::optional<PastedPicture> Encoded(const QByteArray& data)
{
    const bool jpeg = data.startsWith("\xFF\xD8");
    if (!jpeg && !data.startsWith("\x89PNG"))
        return std::nullopt;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, jpeg ? "jpeg" : "png");
    const QSize size = reader.size();
    if (!size.isValid() || size.isEmpty() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide)
        return std::nullopt;
    if (!reader.canRead())
        return std::nullopt;
    return PastedPicture{data, size};
}

std::optional<PastedPicture> AsPng(const QImage& image)
{
    if (image.width() > kMaxPictureSide || image.height() > kMaxPictureSide)
        return std::nullopt;
    auto png = rtf::PngBytes(image);
    if (!png)
        return std::nullopt;
    return PastedPicture{std::move(*png), image.size()};
}

// Bytes of any image format Qt reads: PNG and JPEG kept, anything else made PNG.
std::optional<PastedPicture> FromBytes(const QByteArray& data)
{
    if (auto kept = Encoded(data))
        return kept;
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide))
        return std::nullopt;
    return AsPng(reader.read());
}

// The one local image file of a drop, if that is what was dropped.
QString LocalImageFile(const QMimeData& source)
{
    if (!source.hasUrls() || source.urls().size() != 1)
        return {};
    const QUrl url = source.urls().front();
    if (!url.isLocalFile())
        return {};
    const QString path = url.toLocalFile();
    return QImageReader::imageFormat(path).isEmpty() ? QString() : path;
}

} // namespace

bool HasPicture(const QMimeData& source)
{
    if (source.hasImage() || !LocalImageFile(source).isEmpty())
        return true;
    const QStringList formats = source.formats();
    return std::any_of(formats.begin(), formats.end(),
                       [](const QString& format) { return format.startsWith(QLatin1String("image/")); });
}

std::optional<PastedPicture> PictureFrom(const QMimeData& source)
{
    // The source's own bytes first: a JPEG photo stays JPEG instead of growing as PNG.
    for (const char* type : {"image/jpeg", "image/png"}) {
        if (source.hasFormat(QLatin1String(type))) {
            if (auto picture = Encoded(source.data(QLatin1String(type))))
                return picture;
        }
    }
    if (source.hasImage()) {
        const QVariant image = source.imageData();
        if (image.userType() == QMetaType::QImage)
            return AsPng(image.value<QImage>());
        if (image.userType() == QMetaType::QPixmap)
            return AsPng(image.value<QPixmap>().toImage());
    }
    for (const QString& format : source.formats()) {
        if (format.startsWith(QLatin1String("image/"))) {
            if (auto picture = FromBytes(source.data(format)))
                return picture;
        }
    }
    const QString path = LocalImageFile(source);
    if (path.isEmpty())
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return FromBytes(file.readAll());
}

void InsertPicture(QTextCursor& cursor, const PastedPicture& picture)
{
    QTextDocument& document = *cursor.document();
    // A name no picture of the document has yet; pictures read from RTF have names of
    // their own, so the two never meet.
    QString name;
    for (int n = 1;; ++n) {
        name = QStringLiteral("qbpicture:%1").arg(n);
        if (!document.resource(QTextDocument::ImageResource, QUrl(name)).isValid())
            break;
    }
    document.addResource(QTextDocument::ImageResource, QUrl(name), picture.data);
    QTextImageFormat format;
    format.setName(name);
    format.setWidth(picture.size.width());
    format.setHeight(picture.size.height());
    cursor.insertImage(format);
}

} // namespace qb
