#include "NoteFiles.h"

#include "app/AsciiCase.h"
#include "note/NoteSaver.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QString>
#include <QTextDocument>


namespace qb::cli {
namespace {

// The ending, after at least one character of name.
bool HasExtension(const std::string& fileName, std::string_view ending)
{
    return fileName.size() > ending.size() && EndsWithNoCase(fileName, ending);
}

} // namespace

LocalKind KindOfFileName(const std::string& fileName)
{
    if (HasExtension(fileName, ".rtf"))
        return LocalKind::Rtf;
    if (HasExtension(fileName, ".txt") || HasExtension(fileName, ".text"))
        return LocalKind::Text;
    if (HasExtension(fileName, kEnvelopeExtension))
        return LocalKind::Envelope;
    return LocalKind::Other;
}

bool LooksLikeRtf(std::string_view bytes)
{
    return bytes.starts_with("{\\rtf");
}

std::string NoteNameFor(const std::string& fileName, LocalKind kind)
{
    switch (kind) {
    case LocalKind::Text: return fileName.substr(0, fileName.rfind('.')) + ".rtf";
    case LocalKind::Envelope: return fileName.substr(0, fileName.size() - kEnvelopeExtension.size());
    case LocalKind::Rtf:
    case LocalKind::Other: break;
    }
    return fileName;
}

std::string ExportNameFor(const std::string& noteName, bool envelope)
{
    if (envelope)
        return noteName + std::string(kEnvelopeExtension);
    return WithRtfExtension(noteName);
}

std::string TextToRtf(std::string_view utf8)
{
    QTextDocument document;
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1); // the file's last line end is no empty paragraph of the note
    document.setPlainText(text);
    return rtf::ToRtf(document).rtf;
}

std::optional<std::string> RtfToText(std::string_view rtf)
{
    QTextDocument document;
    if (rtf::ReadRtf(rtf, document) == rtf::ReadStatus::NotRtf)
        return std::nullopt;
    return document.toPlainText().toStdString() + "\n";
}

} // namespace qb::cli
