#pragma once
// One running copy per user: the first copy listens on a local socket; a second copy asks
// it to bring its explorer to the front and then ends.

#include <QObject>
#include <QString>

class QLocalServer;

namespace qb {

class CSingleInstance : public QObject {
    Q_OBJECT
public:
    explicit CSingleInstance(QString name = DefaultName(), QObject* parent = nullptr);
    ~CSingleInstance() override;

    // True for the first copy (now listening); false when a running copy was asked to
    // show itself.
    bool Claim();

    static QString DefaultName();

signals:
    void activationRequested();

private:
    QString m_name;
    QLocalServer* m_server = nullptr; // child of this object
};

} // namespace qb
