#include "Note.h"

#include "PackedBlock.h"

namespace qb {
namespace {

NoteError FromEnvelopeError(EnvelopeError error)
{
    switch (error) {
    case EnvelopeError::NoSaveKey:
    case EnvelopeError::NoOpenKey: return NoteError::NoKey;
    case EnvelopeError::TooLarge: return NoteError::TooLarge;
    case EnvelopeError::NotText: return NoteError::NotText;
    case EnvelopeError::TooShort: return NoteError::Truncated;
    case EnvelopeError::BadMagic: return NoteError::BadMagic;
    case EnvelopeError::WrongKey: return NoteError::WrongKey;
    case EnvelopeError::Damaged: break;
    }
    return NoteError::DamagedBody;
}

NoteError FromPackError(PackError error)
{
    switch (error) {
    case PackError::Empty: return NoteError::EmptyDocument;
    case PackError::TooLarge: return NoteError::TooLarge;
    case PackError::Incompressible: return NoteError::DoesNotCompress;
    case PackError::BadLevel:
    case PackError::ZlibFailure: break;
    }
    return NoteError::PackFailed;
}

} // namespace

std::string_view Describe(NoteError error)
{
    switch (error) {
    case NoteError::EmptyDocument: return "the document is empty";
    case NoteError::DoesNotCompress: return "the document does not compress, so it cannot be stored as a note";
    case NoteError::TooLarge: return "the document is too large for a note (4 GiB at most)";
    case NoteError::PackFailed: return "the document could not be compressed (out of memory?)";
    case NoteError::EmptyKey: return "the key is empty";
    case NoteError::NotText: return "this is not note text: it holds characters that envelope text never holds";
    case NoteError::Truncated: return "the note text is cut short: it ends before the note's header does";
    case NoteError::BadMagic: return "this is not a Quillbox note: the text does not start with a note envelope";
    case NoteError::NoKey: return "no key has been given for this note yet";
    case NoteError::WrongKey: return "wrong key for this note, or its encrypted body is damaged";
    case NoteError::DamagedBody: return "the note is damaged: its encrypted body does not have the size it declares";
    case NoteError::BadPackedBlock: return "the note decrypted, but the document inside is damaged";
    }
    return "unknown note failure";
}

Result<std::string, NoteError> WrapNote(ByteView document, const CCipherEnvelope& holder)
{
    if (!holder.HasSaveKey())
        return Fail(NoteError::NoKey);
    const auto block = PackBlock(document);
    if (!block)
        return Fail(FromPackError(block.error()));
    auto text = holder.Wrap(*block);
    if (!text)
        return Fail(FromEnvelopeError(text.error()));
    return std::move(*text);
}

Result<std::string, NoteError> WrapNote(ByteView document, std::string_view keyText, std::string_view keyName)
{
    if (keyText.empty())
        return Fail(NoteError::EmptyKey);
    CCipherEnvelope holder;
    holder.SetSaveKey(keyName, keyText);
    return WrapNote(document, holder);
}

Result<DecodedEnvelope, NoteError> ReadNote(std::string_view text)
{
    auto envelope = DecodeEnvelope(text);
    if (!envelope)
        return Fail(FromEnvelopeError(envelope.error()));
    return std::move(*envelope);
}

Result<Bytes, NoteError> OpenNote(const DecodedEnvelope& note, const CCipherEnvelope& holder)
{
    const auto block = holder.OpenEnvelope(note.bytes);
    if (!block)
        return Fail(FromEnvelopeError(block.error()));
    auto document = UnpackBlock(*block);
    if (!document)
        return Fail(NoteError::BadPackedBlock);
    return std::move(*document);
}

Result<Bytes, NoteError> OpenNote(std::string_view text, std::string_view keyText)
{
    const auto note = ReadNote(text);
    if (!note)
        return Fail(note.error());
    CCipherEnvelope holder;
    holder.SetOpenKey(keyText);
    return OpenNote(*note, holder);
}

} // namespace qb
