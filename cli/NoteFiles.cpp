#include "NoteFiles.h"

#include "note/NoteSaver.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QString>
#include <QTextDocument>

#include <algorithm>
#include <cctype>

namespace qb::cli {
namespace {

bool EndsWithNoCase(const std::string& text, std::string_view ending)
{
    return text.size() > ending.size()
        && std::equal(ending.begin(), ending.end(), text.end() - static_cast<long>(ending.size()),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b)); });
}

} // namespace

LocalKind KindOfFileName(const std::string& fileName)
{
    if (EndsWithNoCase(fileName, ".rtf"))
        return LocalKind::Rtf;
    if (EndsWithNoCase(fileName, ".txt") || EndsWithNoCase(fileName, ".text"))
        return LocalKind::Text;
    if (EndsWithNoCase(fileName, kEnvelopeExtension))
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
