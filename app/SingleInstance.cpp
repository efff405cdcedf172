#include "SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace qb {

CSingleInstance::CSingleInstance(QString name, QObject* parent) : QObject(parent), m_name(std::move(name)) {}

CSingleInstance::~CSingleInstance() = default;

QString CSingleInstance::DefaultName()
{
    // USER may be unset; the numeric user id is always there.
    return QStringLiteral("QuillboxExplorer-%1").arg(static_cast<qulonglong>(::getuid()));
}

bool CSingleInstance::Claim()
{
    QLocalSocket probe;
    probe.connectToServer(m_name);
    if (probe.waitForConnected(500)) {
        probe.write("raise\n");
        probe.flush();
        probe.waitForBytesWritten(500);
        probe.disconnectFromServer();
        return false;
    }
    // A socket file left by a crashed copy would make listen fail.
    QLocalServer::removeServer(m_name);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* peer = m_server->nextPendingConnection()) {
            connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
            emit activationRequested();
        }
    });
    m_server->listen(m_name); // when even this fails, the program still runs on its own
    return true;
}

} // namespace qb
