#include "NoteOpener.h"

#include "NoteDocument.h"
#include "NoteHost.h"
#include "NoteLock.h"
#include "NoteWindow.h"
#include "RtfFile.h"

#include "app/ClientApp.h"
#include "app/RequestBodies.h"
#include "codec/Note.h"
#include "codec/SecureWipe.h"
#include "rtf/RtfReader.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTextDocument>

#include <algorithm>

namespace qb {
namespace {

// Marked for translation here, translated where they are shown.
constexpr const char* kTooLarge = QT_TRANSLATE_NOOP("qb::NoteOpener",
                                                   "The note is too large to open: the server announced %1 bytes, "
                                                   "more than the %2 bytes a note can have.");
constexpr const char* kCannotOpen = QT_TRANSLATE_NOOP("qb::NoteOpener", "Cannot open file.");
constexpr const char* kLocalFailed =
    QT_TRANSLATE_NOOP("qb::NoteOpener", "Error in opening file. Make sure the file is not in use.");

QString Tr(const char* text)
{
    return QCoreApplication::translate("qb::NoteOpener", text);
}

// A note that decodes but does not open with the key tried: the user may know a better one.
bool IsKeyFailure(NoteError error)
{
    return error == NoteError::NoKey || error == NoteError::WrongKey || error == NoteError::DamagedBody;
}

// Loads RTF into the document as a freshly opened note: no undo history, not modified.
bool LoadRtf(std::string_view rtf, CNoteDocument& document)
{
    QTextDocument& text = document.Document();
    const bool loaded = rtf::ReadRtf(rtf, text) != rtf::ReadStatus::NotRtf;
    if (!loaded)
        text.clear();
    text.clearUndoRedoStacks();
    document.SetModified(false);
    return loaded;
}

// Reads the announced note text from the reply: what arrives, up to the announced length.
std::string ReadNoteText(ScriptReply& reply, std::size_t announced, INoteHost& host)
{
    const int range = static_cast<int>(announced / kReadPiece);
    std::string text;
    int position = 0;
    for (std::size_t remaining = announced; remaining > 0;) {
        host.ShowProgress(++position, range);
        const std::string piece = reply.ReadBytes(std::min(remaining, kReadPiece));
        if (piece.empty())
            break; // a reply shorter than announced is used as far as it goes
        text += piece;
        remaining -= piece.size();
    }
    host.HideProgress();
    return text;
}

class RemoteOpen {
public:
    RemoteOpen(CClientApp& app, CNoteDocument& document, INoteWindow& window, INoteHost& host)
        : m_app(app), m_document(document), m_window(window), m_host(host), m_holder(app.KeyHolder())
    {
    }

    NoteOutcome Run(const std::string& path, const std::string& lock)
    {
        ScriptReply reply = m_app.Post(kScriptOpen, OpenBody(m_app.MakeSessionToken(), path, lock));
        if (!reply.Ok())
            return ChannelFailure(reply);
        // From here on the server holds the lock for us: no editor, no lock.
        NoteOutcome outcome = Load(reply, path, lock);
        if (!outcome && !lock.empty())
            return Released(outcome.error(), path, lock);
        return outcome;
    }

    // Note text fetched by other means: read with the same keys, nothing locked.
    NoteOutcome OpenText(const std::string& text, const std::string& path)
    {
        if (text.size() > kMaxNoteTextBytes)
            return Fail(NoteFailure{NoteFailureKind::TooLarge, Tr(kTooLarge).arg(text.size()).arg(kMaxNoteTextBytes)});
        return Decrypt(text, path, std::string());
    }

private:
    NoteOutcome Load(ScriptReply& reply, const std::string& path, const std::string& lock)
    {
        const long long announced = ParseOpenStatus(reply.FirstLine()).value_or(0);
        if (static_cast<unsigned long long>(announced) > kMaxNoteTextBytes)
            return Fail(NoteFailure{NoteFailureKind::TooLarge, Tr(kTooLarge).arg(announced).arg(kMaxNoteTextBytes)});
        return Decrypt(ReadNoteText(reply, static_cast<std::size_t>(announced), m_host), path, lock);
    }

    NoteOutcome Decrypt(const std::string& text, const std::string& path, const std::string& lock)
    {
        const std::string excerpt = text.size() > kExcerptStart ? text.substr(kExcerptStart, kExcerptMax) : "";

        const auto note = ReadNote(text);
        if (!note)
            return Fail(NoteFailure{NoteFailureKind::Unreadable, {}});

        if (!m_holder.HasOpenKey() && !AskKey(note->keyName))
            return Fail(NoteFailure{NoteFailureKind::Cancelled, {}});
        auto opened = OpenNote(*note, m_holder);
        if (!opened && IsKeyFailure(opened.error())) {
            // One more chance with a key the user types.
            if (!AskKey(note->keyName))
                return Fail(NoteFailure{NoteFailureKind::Cancelled, {}});
            opened = OpenNote(*note, m_holder);
        }
        if (!opened && IsKeyFailure(opened.error())) {
            m_window.ShowDecryptFailure(QString::fromUtf8(excerpt.data(), static_cast<qsizetype>(excerpt.size())));
            return Fail(NoteFailure{NoteFailureKind::DecryptFailed, {}});
        }
        if (!opened)
            return Fail(NoteFailure{NoteFailureKind::NotRtf, Tr(kCannotOpen)});

        Bytes& rtf = *opened;
        const bool loaded = LoadRtf({reinterpret_cast<const char*>(rtf.data()), rtf.size()}, m_document);
        SecureWipe(rtf.data(), rtf.size()); // the plain note goes no further than the document
        if (!loaded)
            return Fail(NoteFailure{NoteFailureKind::NotRtf, Tr(kCannotOpen)});

        // The note is saved again under the key it was opened with.
        if (m_typed && !note->keyName.empty())
            m_holder.SetSaveKey(note->keyName, m_typed->View());
        m_document.SetRemotePath({}, path);
        m_document.SetLockValue(lock);
        m_document.SetKeyName(note->keyName);
        m_document.SetLocalPath({});
        return {};
    }

    bool AskKey(const std::string& keyName)
    {
        auto key = m_window.AskOpenKey(keyName);
        if (!key)
            return false;
        m_holder.SetOpenKey(key->View());
        m_typed = std::move(key);
        return true;
    }

    Failure<NoteFailure> Released(NoteFailure failure, const std::string& path, const std::string& lock)
    {
        const NoteOutcome unlocked = UnlockNote(m_app, path, lock);
        if (!unlocked && !unlocked.error().message.isEmpty()) {
            // Both matter: why the note did not open, and that it stays locked.
            if (!failure.message.isEmpty())
                failure.message += QStringLiteral("\n\n");
            failure.message += unlocked.error().message;
        }
        return Fail(std::move(failure));
    }

    CClientApp& m_app;
    CNoteDocument& m_document;
    INoteWindow& m_window;
    INoteHost& m_host;
    CCipherEnvelope& m_holder;
    std::optional<SecretText> m_typed;
};

} // namespace

NoteOutcome OpenRemoteNote(CClientApp& app, CNoteDocument& document, const std::string& path, const std::string& lock,
                           INoteWindow& window, INoteHost& host)
{
    return RemoteOpen(app, document, window, host).Run(path, lock);
}

NoteOutcome OpenNoteText(CClientApp& app, CNoteDocument& document, const std::string& path, const std::string& text,
                         INoteWindow& window, INoteHost& host)
{
    return RemoteOpen(app, document, window, host).OpenText(text, path);
}

NoteOutcome OpenLocalNote(CNoteDocument& document, const QString& filePath, const std::string& remoteDir)
{
    const auto loaded = LoadRtfFile(filePath, document.Document());
    if (!loaded) {
        const bool unreadable = loaded.error().error == RtfFileError::Unreadable;
        return Fail(NoteFailure{NoteFailureKind::NotRtf, unreadable ? Tr(kLocalFailed) : loaded.error().message});
    }
    document.Document().clearUndoRedoStacks();
    document.SetModified(false);
    document.SetRemotePath(remoteDir, QFileInfo(filePath).fileName().toStdString());
    document.SetLockValue({});
    document.SetKeyName({});
    document.SetLocalPath(filePath);
    return {};
}

} // namespace qb
