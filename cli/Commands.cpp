#include "Commands.h"

#include "codec/Note.h"
#include "codec/SessionToken.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QTextDocument>

#include <cstdio>

namespace qb::cli {

Result<std::string, std::string> WrapCommand(std::string_view document, const std::string& keyName,
                                             const KeySource& keySource)
{
    std::string error;
    const auto key = keySource("Key for \"" + keyName + "\": ", error);
    if (!key)
        return Fail(error);
    auto text = WrapNote(AsBytes(document), key->View(), keyName);
    if (!text)
        return Fail(std::string(Describe(text.error())));
    return std::move(*text);
}

Result<std::string, std::string> UnwrapCommand(std::string_view envelopeText, const KeySource& keySource)
{
    const auto note = ReadNote(envelopeText);
    if (!note)
        return Fail(std::string(Describe(note.error())));
    std::string error;
    CCipherEnvelope holder;
    {
        const auto key = keySource("Key \"" + note->keyName + "\": ", error);
        if (!key)
            return Fail(error);
        holder.SetOpenKey(key->View());
    }
    const auto document = OpenNote(*note, holder);
    if (!document) {
        std::string message(Describe(document.error()));
        if (document.error() == NoteError::WrongKey)
            message += " (its key is named \"" + note->keyName + "\")";
        return Fail(message);
    }
    return AsText(*document);
}

bool RtfCommand(const std::string& command, std::string_view rtf, std::string& out, std::string& error)
{
    QTextDocument document;
    error.clear();
    const rtf::ReadStatus status = rtf::ReadRtf(rtf, document);
    if (status == rtf::ReadStatus::NotRtf) {
        error = "this is not an RTF file";
        return false;
    }
    if (command == "rtf-text")
        out = document.toPlainText().toStdString() + "\n";
    else if (command == "rtf-html")
        out = document.toHtml().toStdString();
    else {
        const rtf::RtfText written = rtf::ToRtf(document);
        out = written.rtf;
        if (!written.droppedPictures.empty()) {
            error = std::to_string(written.droppedPictures.size()) + " picture(s) could not be written and are missing:";
            for (const rtf::DroppedPicture& picture : written.droppedPictures)
                error += " " + picture.name.toStdString() + " at " + std::to_string(picture.position);
        }
    }
    if (status == rtf::ReadStatus::Damaged)
        std::fprintf(stderr, "quillbox-cli: the RTF is damaged or truncated; this is what could be read\n");
    return error.empty();
}

std::string MakeToken(const std::string& account, std::time_t now)
{
    if (account.empty())
        return {};
    return CTokenSealer().Seal(FormatTokenText(now, account));
}

} // namespace qb::cli
