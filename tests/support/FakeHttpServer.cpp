#include "FakeHttpServer.h"

#include "core/Gb18030.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>

QByteArray HttpRequestRecord::header(const QByteArray& name) const
{
    for (const auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QByteArray();
}

HttpReply HttpReply::ok(const QByteArray& body, const QByteArray& contentType)
{
    HttpReply r;
    r.body = body;
    r.contentType = contentType;
    return r;
}

HttpReply HttpReply::gb18030(const QString& text)
{
    return ok(gb18030::encode(text), "application/javascript; charset=GB18030");
}

HttpReply HttpReply::withStatus(int status, const QByteArray& body)
{
    HttpReply r;
    r.status = status;
    r.body = body;
    return r;
}

HttpReply HttpReply::noAnswer()
{
    HttpReply r;
    r.mode = Mode::NoAnswer;
    return r;
}

HttpReply HttpReply::dropped()
{
    HttpReply r;
    r.mode = Mode::Drop;
    return r;
}

HttpReply HttpReply::droppedMidBody(const QByteArray& body)
{
    HttpReply r;
    r.body = body;
    r.mode = Mode::DropMidBody;
    return r;
}

HttpReply HttpReply::cutMidBody(const QByteArray& body)
{
    HttpReply r;
    r.body = body;
    r.mode = Mode::CutMidBody;
    return r;
}

HttpReply HttpReply::streamed(qint64 bytes, int chunkBytes, int everyMs)
{
    HttpReply r;
    r.mode = Mode::Stream;
    r.streamBytes = bytes;
    r.chunkBytes = chunkBytes;
    r.chunkEveryMs = everyMs;
    r.announceLength = bytes >= 0;
    return r;
}

HttpReply HttpReply::withHeader(const QByteArray& name, const QByteArray& value) const
{
    HttpReply r = *this;
    r.headers.append({name, value});
    return r;
}

HttpReply HttpReply::delayed(int ms) const
{
    HttpReply r = *this;
    r.delayMs = ms;
    return r;
}

HttpReply HttpReply::withoutLength() const
{
    HttpReply r = *this;
    r.announceLength = false;
    return r;
}

FakeHttpServer::FakeHttpServer(QObject* parent, quint16 port)
    : QObject(parent), server(new QTcpServer(this))
{
    server->listen(QHostAddress::LocalHost, port);
    connect(server, &QTcpServer::newConnection, this, &FakeHttpServer::onNewConnection);
}

FakeHttpServer::~FakeHttpServer() = default;

bool FakeHttpServer::isListening() const
{
    return server->isListening();
}

quint16 FakeHttpServer::port() const
{
    return server->serverPort();
}

QString FakeHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port());
}

void FakeHttpServer::enqueue(const HttpReply& reply)
{
    queue.append(reply);
}

void FakeHttpServer::setDefaultReply(const HttpReply& reply)
{
    defaultReply = reply;
}

void FakeHttpServer::setHandler(Handler h)
{
    handler = std::move(h);
}

HttpRequestRecord FakeHttpServer::lastRequest() const
{
    return received.isEmpty() ? HttpRequestRecord() : received.last();
}

bool FakeHttpServer::waitForRequestCount(int count, int timeoutMs)
{
    return waitUntil([&] { return requestCount() >= count; }, timeoutMs);
}

bool FakeHttpServer::waitForPath(const QString& path, int timeoutMs)
{
    return waitUntil(
        [&] {
            return std::any_of(received.cbegin(), received.cend(),
                               [&](const HttpRequestRecord& r) { return r.path == path; });
        },
        timeoutMs);
}

bool FakeHttpServer::waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done() && !deadline.hasExpired()) {
        QEventLoop loop;
        connect(this, &FakeHttpServer::requestReceived, &loop, &QEventLoop::quit);
        QTimer::singleShot(int(deadline.remainingTime()), &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

int FakeHttpServer::openConnections() const
{
    int open = 0;
    for (QTcpSocket* socket : server->findChildren<QTcpSocket*>()) {
        if (socket->state() == QAbstractSocket::ConnectedState)
            ++open;
    }
    return open;
}

void FakeHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = server->nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void FakeHttpServer::onReadyRead(QTcpSocket* socket)
{
    // Requests are small GETs: keep what arrived until the header block ends.
    QByteArray pending = socket->property("pending").toByteArray() + socket->readAll();
    for (;;) {
        const qsizetype end = pending.indexOf("\r\n\r\n");
        if (end < 0)
            break;
        const QByteArray head = pending.left(end);
        pending.remove(0, end + 4);

        const QList<QByteArray> lines = head.split('\n');
        HttpRequestRecord record;
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        record.method = requestLine.value(0);
        record.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines.at(i).trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon > 0)
                record.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
        }
        QByteArray origin = record.target;
        record.host = QString::fromLatin1(record.header("Host"));
        if (origin.startsWith("http://")) {
            // Absolute form: the client uses this service as its proxy.
            const qsizetype slash = origin.indexOf('/', 7);
            record.host = QString::fromLatin1(origin.mid(7, slash < 0 ? -1 : slash - 7));
            origin = slash < 0 ? QByteArray("/") : origin.mid(slash);
        }
        const qsizetype q = origin.indexOf('?');
        record.path = QUrl::fromPercentEncoding(q < 0 ? origin : origin.left(q));
        record.query = q < 0 ? QString() : QUrl::fromPercentEncoding(origin.mid(q + 1));
        received.append(record);

        HttpReply reply;
        if (handler)
            reply = handler(record);
        else if (!queue.isEmpty())
            reply = queue.takeFirst();
        else
            reply = defaultReply;
        emit requestReceived(int(received.size()) - 1);

        if (reply.delayMs > 0) {
            QPointer<QTcpSocket> guard(socket);
            QTimer::singleShot(reply.delayMs, this, [this, guard, reply] {
                if (guard)
                    respond(guard, reply);
            });
        } else {
            respond(socket, reply);
        }
    }
    socket->setProperty("pending", pending);
}

void FakeHttpServer::respond(QTcpSocket* socket, const HttpReply& reply)
{
    switch (reply.mode) {
    case HttpReply::Mode::NoAnswer:
        return;
    case HttpReply::Mode::Drop:
        socket->abort();
        return;
    case HttpReply::Mode::Answer:
    case HttpReply::Mode::DropMidBody:
    case HttpReply::Mode::CutMidBody:
    case HttpReply::Mode::Stream:
        break;
    }

    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + " Scripted\r\n";
    out += "Content-Type: " + reply.contentType + "\r\n";
    const qint64 length =
        reply.mode == HttpReply::Mode::Stream ? reply.streamBytes : reply.body.size();
    if (reply.announceLength)
        out += "Content-Length: " + QByteArray::number(length) + "\r\n";
    for (const auto& header : reply.headers)
        out += header.first + ": " + header.second + "\r\n";
    out += "Connection: close\r\n\r\n";
    if (reply.mode == HttpReply::Mode::Stream) {
        socket->write(out);
        stream(socket, reply);
        return;
    }
    if (reply.mode == HttpReply::Mode::DropMidBody) {
        out += reply.body.left(reply.body.size() / 2);
        socket->write(out);
        socket->flush();
        socket->abort();
        return;
    }
    if (reply.mode == HttpReply::Mode::CutMidBody) {
        out += reply.body.left(reply.body.size() / 2);
        socket->write(out);
        socket->disconnectFromHost();
        return;
    }
    out += reply.body;
    socket->write(out);
    socket->disconnectFromHost();
}

void FakeHttpServer::stream(QTcpSocket* socket, const HttpReply& reply)
{
    // Shared by the two ways of pacing; dies with the socket.
    auto left = std::make_shared<qint64>(reply.streamBytes);
    const QByteArray chunk(reply.chunkBytes, 'x');
    auto sendChunk = [socket, left, chunk] {
        if (*left == 0 || socket->state() != QAbstractSocket::ConnectedState)
            return false;
        const qint64 size = *left < 0 ? chunk.size() : qMin<qint64>(*left, chunk.size());
        socket->write(chunk.constData(), size);
        if (*left > 0 && (*left -= size) == 0)
            socket->disconnectFromHost();
        return true;
    };
    if (reply.chunkEveryMs > 0) {
        auto* timer = new QTimer(socket);
        connect(timer, &QTimer::timeout, socket, [timer, sendChunk] {
            if (!sendChunk())
                timer->stop();
        });
        timer->start(reply.chunkEveryMs);
        return;
    }
    // As fast as the client reads, with little waiting in the socket.
    auto topUp = [socket, sendChunk] {
        while (socket->bytesToWrite() < 256 * 1024 && sendChunk()) {
        }
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
    topUp();
}
