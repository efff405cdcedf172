#pragma once
// One note while an editor has it: the text, where it lives on the server, the lock the
// open took and the name of the key it was opened with. The modified state is the text
// document's own.

#include <QObject>
#include <QString>

#include <memory>
#include <string>

class QTextDocument;

namespace qb {

class CNoteDocument : public QObject {
    Q_OBJECT
public:
    explicit CNoteDocument(QObject* parent = nullptr);
    ~CNoteDocument() override;

    QTextDocument& Document() { return *m_document; }
    const QTextDocument& Document() const { return *m_document; }

    // Where saves go. A note opened from the listing has no folder and its whole path as
    // name; a new note has the explorer's folder and no name until its first save; a local
    // file has the explorer's folder and the file's own name.
    const std::string& RemoteDir() const { return m_remoteDir; }
    const std::string& NoteName() const { return m_noteName; }
    void SetRemotePath(std::string dir, std::string name);
    // The identity sent as "&LOCK=": set while the note is held exclusively, else "".
    const std::string& LockValue() const { return m_lockValue; }
    void SetLockValue(std::string lock) { m_lockValue = std::move(lock); }
    bool Locked() const { return !m_lockValue.empty(); }
    // The name of the key the note was opened with ("" when no key was typed for it).
    const std::string& KeyName() const { return m_keyName; }
    void SetKeyName(std::string name) { m_keyName = std::move(name); }
    // The local file the note came from; empty once it is a remote note.
    const QString& LocalPath() const { return m_localPath; }
    void SetLocalPath(QString path) { m_localPath = std::move(path); }
    bool IsLocal() const { return !m_localPath.isEmpty(); }

    // The window title: the note's name as the server knows it.
    QString Title() const { return QString::fromStdString(m_noteName); }
    bool IsModified() const;
    void SetModified(bool modified);

    // A save stored the note under this folder and name: later saves go there, a local
    // file is a remote note from now on, and a save that released the lock leaves none.
    void MarkSaved(std::string dir, std::string name, bool lockReleased);

signals:
    void modifiedChanged(bool modified);
    void saved();

private:
    std::unique_ptr<QTextDocument> m_document;
    std::string m_remoteDir;
    std::string m_noteName;
    std::string m_lockValue;
    std::string m_keyName;
    QString m_localPath;
};

} // namespace qb
