#include "app/SingleInstance.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QSysInfo>
#include <QThread>

namespace {
constexpr int CONNECT_TIMEOUT_MS = 1000;
// The holder of the lock listens right after taking it; a start that finds
// the lock taken keeps asking this long for it to be listening.
constexpr int ASK_PATIENCE_MS = 5000;
constexpr int ASK_RETRY_MS = 50;

QString nameFor(const QString& dataFolder)
{
    const QFileInfo info(dataFolder);
    QString folder = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
#ifdef Q_OS_WIN
    // The same folder may be written in any case there.
    folder = folder.toLower();
#endif
    // A hash keeps the name short and free of characters a socket or pipe
    // name may not hold, whatever the path.
    const QByteArray hash =
        QCryptographicHash::hash(QDir::cleanPath(folder).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("quotarium-") + QString::fromLatin1(hash.toHex().left(32));
}
} // namespace

TSingleInstance::TSingleInstance(const QString& dataFolder, QObject* parent)
    : QObject(parent), name(nameFor(dataFolder)),
      lock(std::make_unique<QLockFile>(
          QDir(dataFolder).filePath(QStringLiteral(".quotarium.lock")))),
      server(new QLocalServer(this))
{
    // Only a holder that no longer runs leaves a stale lock: a program
    // running for days keeps its folder however old the file gets.
    lock->setStaleLockTime(0);
    // No access options: with them Qt replaces a socket that is in use
    // instead of refusing to listen. Without them the socket is the user's
    // own (umask, or the pipe's default security on Windows).
    connect(server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
            emit activationRequested();
        }
    });
}

TSingleInstance::~TSingleInstance()
{
    if (locking)
        locking->wait();
    // The socket goes before the lock, so a start that takes the lock next
    // never finds this one still listening.
    server->close();
    lock.reset();
}

QString TSingleInstance::lockFileName() const
{
    return lock->fileName();
}

void TSingleInstance::startLocking()
{
    if (locking)
        return;
    locking.reset(QThread::create([this] { lockTaken = takeLock(); }));
    locking->start();
}

bool TSingleInstance::start()
{
    if (locking) {
        locking->wait();
        locking.reset();
    }
    // Taken here when no thread could be started for it.
    const bool taken = lockTaken ? *lockTaken : takeLock();
    lockTaken.reset();
    if (taken) {
        listen();
        return true;
    }
    if (lock->error() == QLockFile::LockFailedError) {
        // The holder may be between taking the lock and listening.
        const QDeadlineTimer patience(ASK_PATIENCE_MS);
        while (!askRunning() && !patience.hasExpired())
            QThread::msleep(ASK_RETRY_MS);
        return false;
    }
    // No lock can be made in the folder at all: the socket alone guards it,
    // as well as it can, and a program that cannot listen still runs.
    if (askRunning())
        return false;
    listen();
    return true;
}

bool TSingleInstance::takeLock() const
{
    // The lock decides who runs: taking it is one step in the file system,
    // so of any number of simultaneous starts exactly one succeeds, and the
    // lock of a program that ended without releasing it (a crash, a kill)
    // is taken over because its holder no longer runs.
    return lock->tryLock(0) ||
           (heldUnderOwnId() && lock->removeStaleLockFile() && lock->tryLock(0));
}

bool TSingleInstance::heldUnderOwnId() const
{
    // The lock's holder "still runs" when it had the process ID this start
    // has now: a crash is followed by a start that gets the same small ID in
    // a fresh container, or under wine after its server was restarted. The
    // lock is not taken yet, so it can only be left over; the removal still
    // fails while a running program keeps its native lock on the file.
    qint64 pid = 0;
    QString host;
    QString application;
    return lock->error() == QLockFile::LockFailedError &&
           lock->getLockInfo(&pid, &host, &application) &&
           pid == QCoreApplication::applicationPid() && host == QSysInfo::machineHostName();
}

void TSingleInstance::listen()
{
    if (server->listen(name))
        return;
    // A socket by this name was left behind by a program that ended
    // without closing it; the lock says that nobody else uses it.
    QLocalServer::removeServer(name);
    (void)server->listen(name);
}

bool TSingleInstance::askRunning() const
{
    // Being connected to is the whole request.
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(CONNECT_TIMEOUT_MS))
        return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(CONNECT_TIMEOUT_MS);
    return true;
}
