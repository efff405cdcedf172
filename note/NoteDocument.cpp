#include "NoteDocument.h"

#include <QTextDocument>

namespace qb {

CNoteDocument::CNoteDocument(QObject* parent) : QObject(parent), m_document(std::make_unique<QTextDocument>())
{
    connect(m_document.get(), &QTextDocument::modificationChanged, this, &CNoteDocument::modifiedChanged);
}

CNoteDocument::~CNoteDocument() = default;

void CNoteDocument::SetRemotePath(std::string dir, std::string name)
{
    m_remoteDir = std::move(dir);
    m_noteName = std::move(name);
}

bool CNoteDocument::IsModified() const
{
    return m_document->isModified();
}

void CNoteDocument::SetModified(bool modified)
{
    m_document->setModified(modified);
}

void CNoteDocument::MarkSaved(std::string dir, std::string name, bool lockReleased)
{
    SetRemotePath(std::move(dir), std::move(name));
    m_localPath.clear();
    if (lockReleased)
        m_lockValue.clear();
    m_document->setModified(false);
    emit saved();
}

} // namespace qb
