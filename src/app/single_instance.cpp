#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QThread>

namespace plimo {
namespace {

constexpr QByteArrayView kShowRequest = "show\n";
// A copy that has just taken the lock needs a moment before it listens; a later start waits this long for it.
constexpr int kAnswerWait = 3000;  // milliseconds

QString ServerNameFor(const QString& folder) {
    const QString canonical = QDir(folder).canonicalPath();
    const QByteArray digest =
        QCryptographicHash::hash((canonical.isEmpty() ? folder : canonical).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("plimo-") + QString::fromLatin1(digest.left(12).toHex());
}

}  // namespace

SingleInstance::SingleInstance(const QString& folder, QObject* parent)
    : QObject(parent),
      m_folder(folder),
      m_serverName(ServerNameFor(folder)),
      m_lock(QDir(folder).filePath(QStringLiteral("plimo.lock"))) {
    // A panel runs for weeks: the lock is stale only when the copy that took it is gone, never by its age.
    m_lock.setStaleLockTime(0);
}

SingleInstance::~SingleInstance() {
    delete m_server;
    m_server = nullptr;
}

bool SingleInstance::claim() {
    const QDeadlineTimer deadline(kAnswerWait);
    while (true) {
        if (m_lock.tryLock(0)) {
            listen();
            return true;
        }
        if (m_lock.error() != QLockFile::LockFailedError) {
            return true;
        }
        if (askRunningCopy()) {
            return false;
        }
        if (deadline.hasExpired()) {
            // A copy holds the lock but does not answer: a second panel would still be a second writer.
            return false;
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::listen() {
    m_server = new QLocalServer;
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // Holding the lock, this copy is the only one: a name left by a copy that crashed is stale.
    QLocalServer::removeServer(m_serverName);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (socket->canReadLine() && socket->readLine() == kShowRequest) {
                    emit showRequested();
                }
            });
        }
    });
    return m_server->listen(m_serverName);
}

bool SingleInstance::askRunningCopy() {
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(500)) {
        return false;
    }
    socket.write(kShowRequest.data(), kShowRequest.size());
    const bool sent = socket.waitForBytesWritten(1000);
    socket.disconnectFromServer();
    return sent;
}

}  // namespace plimo
