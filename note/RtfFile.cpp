#include "note/RtfFile.h"

#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QTextDocument>

#include <string_view>

namespace qb {
namespace {

QString Tr(const char* text, int n = -1)
{
    return QCoreApplication::translate("qb::RtfFile", text, nullptr, n);
}

Failure<RtfFileFailure> Failed(RtfFileError error, const QString& message)
{
    return Fail(RtfFileFailure{error, message});
}

QString Shown(const QString& path)
{
    return QDir::toNativeSeparators(path);
}

// The reader decides "not RTF" from the first tokens; a probe of the file's start keeps a
// file that is no RTF from emptying the document.
constexpr qsizetype kProbeBytes = 4096;

bool LooksLikeRtf(const QByteArray& bytes)
{
    QTextDocument probe;
    const std::string_view start(bytes.constData(), static_cast<std::size_t>(std::min(bytes.size(), kProbeBytes)));
    return rtf::ReadRtf(start, probe) != rtf::ReadStatus::NotRtf;
}

} // namespace

QString RtfFileFilter()
{
    return Tr("Rich Text Format (*.rtf)");
}

Result<void, RtfFileFailure> LoadRtfFile(const QString& path, QTextDocument& document)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failed(RtfFileError::Unreadable,
                      Tr("The file %1 cannot be opened: %2").arg(Shown(path), file.errorString()));
    if (file.size() > static_cast<qint64>(kMaxLocalFileBytes))
        return Failed(RtfFileError::TooLarge, Tr("The file %1 is too large to open: it holds %2 bytes, more than %3.")
                                                  .arg(Shown(path))
                                                  .arg(file.size())
                                                  .arg(kMaxLocalFileBytes));
    const QByteArray bytes = file.read(static_cast<qint64>(kMaxLocalFileBytes));
    if (file.error() != QFileDevice::NoError)
        return Failed(RtfFileError::Unreadable,
                      Tr("The file %1 cannot be read: %2").arg(Shown(path), file.errorString()));
    if (bytes.isEmpty())
        return Failed(RtfFileError::Empty, Tr("The file %1 is empty.").arg(Shown(path)));
    if (!LooksLikeRtf(bytes))
        return Failed(RtfFileError::NotRtf, Tr("The file %1 is not a rich text (RTF) file.").arg(Shown(path)));
    rtf::ReadRtf(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), document);
    return {};
}

Result<void, RtfFileFailure> SaveRtfFile(const QString& path, const QTextDocument& document)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false); // never write the target in place
    if (!file.open(QIODevice::WriteOnly))
        return Failed(RtfFileError::WriteFailed,
                      Tr("The file %1 cannot be created: %2").arg(Shown(path), file.errorString()));
    const rtf::WriteResult written = rtf::WriteRtf(document, [&file](std::string_view piece) {
        return file.write(piece.data(), static_cast<qint64>(piece.size())) == static_cast<qint64>(piece.size());
    });
    if (!written.sinkAccepted) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return Failed(RtfFileError::WriteFailed, Tr("The file %1 cannot be written: %2").arg(Shown(path), reason));
    }
    if (!written.droppedPictures.empty()) {
        file.cancelWriting();
        const int count = static_cast<int>(written.droppedPictures.size());
        return Failed(RtfFileError::PicturesDropped,
                      Tr("The file %1 has NOT been saved: %n picture(s) of the note cannot be written.", count)
                          .arg(Shown(path)));
    }
    if (!file.commit())
        return Failed(RtfFileError::WriteFailed,
                      Tr("The file %1 cannot be written: %2").arg(Shown(path), file.errorString()));
    return {};
}

} // namespace qb
