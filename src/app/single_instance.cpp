#include "app/single_instance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QLocalSocket>
#include <QSysInfo>
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
        if (heldOnAnotherComputer()) {
            // A copy on another computer (a synced or shared folder, a USB stick) cannot be asked, and a lock left
            // by one that crashed there would otherwise stop every start here for good.
            return takeOverStaleLock();
        }
        if (askRunningCopy()) {
            return false;
        }
        if (deadline.hasExpired()) {
            // Whoever holds the lock does not answer: a copy that hangs, another user's (who cannot be asked), or
            // a lock its copy left behind. Ending here without a word would leave the user with no panel at all.
            return takeOverStaleLock();
        }
        QThread::msleep(50);
    }
}

bool SingleInstance::heldOnAnotherComputer() const {
    qint64 pid = 0;
    QString hostName;
    QString application;
    if (!m_lock.getLockInfo(&pid, &hostName, &application) || hostName.isEmpty()) {
        return false;
    }
    // Qt names this computer as the system does: COMPUTERNAME on Windows, the host name elsewhere.
    const QString computerName = qEnvironmentVariable("COMPUTERNAME");
    return hostName != QSysInfo::machineHostName() &&
           (computerName.isEmpty() || hostName.compare(computerName, Qt::CaseInsensitive) != 0);
}

bool SingleInstance::takeOverStaleLock() {
    // A lock that a live copy on this computer still holds is not removed; this copy then runs without it.
    if (m_lock.removeStaleLockFile() && m_lock.tryLock(0)) {
        listen();
    }
    return true;
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
