#include "NoteSaver.h"

#include "NoteDocument.h"
#include "NoteHost.h"
#include "NoteWindow.h"

#include "app/ClientApp.h"
#include "app/RequestBodies.h"
#include "app/SessionValues.h"
#include "codec/PackedBlock.h"
#include "codec/SecureWipe.h"
#include "names/NameRule.h"
#include "rtf/RtfWriter.h"

#include <QCoreApplication>

namespace qb {
namespace {

// Marked for translation here, translated where they are shown.
constexpr const char* kStreaming = QT_TRANSLATE_NOOP("qb::NoteSaver", "Streaming...");
constexpr const char* kCompressing = QT_TRANSLATE_NOOP("qb::NoteSaver", "Compressing...");
constexpr const char* kEncrypting = QT_TRANSLATE_NOOP("qb::NoteSaver", "Encrypting...");
constexpr const char* kSaving = QT_TRANSLATE_NOOP("qb::NoteSaver", "Saving...");
constexpr const char* kNoKey =
    QT_TRANSLATE_NOOP("qb::NoteSaver", "Files cannot be saved to this server without encryption.\t");
constexpr const char* kPackFailed = QT_TRANSLATE_NOOP(
    "qb::NoteSaver", "Error occured. File has NOT been saved.\nYou are suggested to save a local copy.");
constexpr const char* kWrapFailed =
    QT_TRANSLATE_NOOP("qb::NoteSaver", "Error in encryption. File has NOT been saved.\nPlease save a local copy.");
constexpr const char* kOverLimit =
    QT_TRANSLATE_NOOP("qb::NoteSaver", "Due to the large volume, demo account file size is limited.\t\t");

QString Tr(const char* text)
{
    return QCoreApplication::translate("qb::NoteSaver", text);
}

Failure<NoteFailure> Failed(NoteFailureKind kind, const char* text)
{
    return Fail(NoteFailure{kind, Tr(text)});
}

// Whatever way a save ends, the window's progress bar goes and its title is the note's.
class SaveFeedback {
public:
    SaveFeedback(INoteWindow& window, const CNoteDocument& document) : m_window(window), m_document(document)
    {
        m_window.ShowProgress(0, kPackRange);
    }
    ~SaveFeedback()
    {
        m_window.HideProgress();
        m_window.SetStatus(m_document.Title());
    }
    SaveFeedback(const SaveFeedback&) = delete;
    SaveFeedback& operator=(const SaveFeedback&) = delete;

    static constexpr int kPackRange = 200;

private:
    INoteWindow& m_window;
    const CNoteDocument& m_document;
};

// The document as RTF, packed. The plain RTF lives in wiped storage only.
std::optional<SecureBytes> PackDocument(const CNoteDocument& document, INoteWindow& window)
{
    window.SetStatus(Tr(kStreaming));
    SecureBytes rtf;
    const rtf::WriteResult written = rtf::WriteRtf(document.Document(), [&rtf](std::string_view piece) {
        rtf.insert(rtf.end(), piece.begin(), piece.end());
        return true;
    });
    // A picture the writer had to leave out would be lost from the note: refuse the save.
    if (!written.Complete())
        return std::nullopt;
    window.SetStatus(Tr(kCompressing));
    auto block = PackBlock(ByteView(rtf.data(), rtf.size()));
    if (!block)
        return std::nullopt;
    SecureBytes packed(block->begin(), block->end());
    SecureWipe(block->data(), block->size());
    return packed;
}

} // namespace

bool ExceedsAccountLimit(const std::string& account, std::size_t textLength)
{
    return account == kSharedAccount && textLength > kSharedAccountNoteLimit;
}

std::string WithRtfExtension(std::string name)
{
    if (!name.ends_with(".rtf"))
        name += ".rtf";
    return name;
}

std::optional<std::string> AskNewName(INoteWindow& window, const INoteHost& host, bool nameExists)
{
    for (;;) {
        auto typed = window.AskNewName(nameExists);
        if (!typed)
            return std::nullopt;
        std::string name = WithRtfExtension(std::move(*typed));
        if (!host.NameExists(name))
            return name;
        nameExists = true;
    }
}

bool AskSaveKey(INoteWindow& window, CCipherEnvelope& holder)
{
    const auto key = window.AskNewKey();
    if (!key)
        return false;
    holder.SetSaveKey(key->name, key->key.View());
    return true;
}

NoteOutcome SaveNote(CClientApp& app, CNoteDocument& document, bool releaseLock, INoteWindow& window,
                     INoteHost& host)
{
    // The name is the document's only once the server has the note under it.
    const std::string dir = document.RemoteDir();
    std::optional<std::string> name = document.NoteName();
    if (name->empty())
        name = AskNewName(window, host, false);
    else if (document.IsLocal() && host.NameExists(*name))
        name = AskNewName(window, host, true);
    else if (document.IsLocal() && !names::CheckName(*name).Ok())
        name = AskNewName(window, host, false); // a file's own name the server would refuse
    if (!name)
        return Fail(NoteFailure{NoteFailureKind::Cancelled, {}});

    CCipherEnvelope& holder = app.KeyHolder();
    if (!holder.HasSaveKey() && !AskSaveKey(window, holder))
        return Failed(NoteFailureKind::NoKey, kNoKey);

    SaveFeedback feedback(window, document);
    std::string text;
    {
        const auto packed = PackDocument(document, window);
        if (!packed)
            return Failed(NoteFailureKind::PackFailed, kPackFailed);
        window.ShowProgress(SaveFeedback::kPackRange, SaveFeedback::kPackRange);
        window.SetStatus(Tr(kEncrypting));
        auto wrapped = holder.Wrap(ByteView(packed->data(), packed->size()));
        if (!wrapped)
            return Failed(NoteFailureKind::WrapFailed, kWrapFailed);
        text = std::move(*wrapped);
    }
    if (ExceedsAccountLimit(app.Account(), text.size()))
        return Failed(NoteFailureKind::OverAccountLimit, kOverLimit);

    window.SetStatus(Tr(kSaving));
    const ScriptReply reply =
        app.PostStreamed(kScriptSave, SavePrefix(app.MakeSessionToken(), dir, *name, document.LockValue(), releaseLock),
                         text, [&window](int position, int range) { window.ShowProgress(position, range); });
    if (!reply.Ok())
        return ChannelFailure(reply);
    document.MarkSaved(dir, std::move(*name), releaseLock);
    host.RefreshListing();
    return {};
}

} // namespace qb
