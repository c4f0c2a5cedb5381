#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {
constexpr int CONNECT_TIMEOUT_MS = 1000;

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
    : QObject(parent), name(nameFor(dataFolder)), server(new QLocalServer(this))
{
    // No access options: with them Qt replaces a socket that is in use
    // instead of refusing to listen, and two programs would run. Without
    // them the socket is the user's own (umask, or the pipe's default
    // security on Windows).
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
    server->close();
}

bool TSingleInstance::start()
{
#ifdef Q_OS_WIN
    // A named pipe takes any number of servers under one name, so listening
    // never fails there: ask for a running program first.
    if (askRunning())
        return false;
#endif
    if (server->listen(name))
        return true;
    if (askRunning())
        return false;
    // Nobody answers: the socket was left behind by a program that ended
    // without closing it (a crash, a kill), and may go.
    QLocalServer::removeServer(name);
    // A program that cannot listen at all still runs, only unguarded.
    (void)server->listen(name);
    return true;
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
