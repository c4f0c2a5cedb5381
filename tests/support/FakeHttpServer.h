#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

#include <functional>

class QTcpServer;
class QTcpSocket;

// One request as the fake service saw it.
struct HttpRequestRecord
{
    QByteArray method;
    QByteArray target; // the raw request target, e.g. "/list=sh600000,sz000001"
    QString host;  // from an absolute target (the service used as a proxy), else the Host header
    QString path;  // target before '?', percent-decoded
    QString query; // target after '?', percent-decoded
    QList<QPair<QByteArray, QByteArray>> headers;

    // Case-insensitive header lookup; empty when absent.
    QByteArray header(const QByteArray& name) const;
};

// What the fake service does with one request.
struct HttpReply
{
    enum class Mode
    {
        Answer,      // status line, headers and the whole body
        NoAnswer,    // keep the connection open and never say anything
        Drop,        // close the connection without a byte
        DropMidBody, // announce the whole body, send half of it, then close
        CutMidBody,  // announce the whole body, send half of it, then end the
                     // connection in good order
        Stream,      // `streamBytes` of filler, `chunkBytes` at a time
    };

    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/plain";
    int delayMs = 0;
    Mode mode = Mode::Answer;
    bool announceLength = true; // false: no Content-Length, the body ends with the connection
    QList<QPair<QByteArray, QByteArray>> headers; // sent besides the usual ones
    qint64 streamBytes = 0;                       // -1: without end
    int chunkBytes = 0;
    int chunkEveryMs = 0; // 0: as fast as the client reads

    static HttpReply ok(const QByteArray& body, const QByteArray& contentType = "text/plain");
    // The quote service answers in GB18030.
    static HttpReply gb18030(const QString& text);
    static HttpReply withStatus(int status, const QByteArray& body = QByteArray());
    static HttpReply noAnswer();
    static HttpReply dropped();
    static HttpReply droppedMidBody(const QByteArray& body);
    static HttpReply cutMidBody(const QByteArray& body);
    // Filler sent a chunk at a time without ever holding much of it: a
    // huge, endless or trickling reply. Announces its length when it has one.
    static HttpReply streamed(qint64 bytes, int chunkBytes = 64 * 1024, int everyMs = 0);
    HttpReply delayed(int ms) const;
    HttpReply withoutLength() const;
    HttpReply withHeader(const QByteArray& name, const QByteArray& value) const;
};

// An HTTP/1.1 service on 127.0.0.1 with a port of its own, answering with
// scripted replies and recording every request. It also works as an HTTP
// proxy (QNetworkProxy::setApplicationProxy), so a test can catch requests
// for fixed addresses such as the maker's site without any real network. Lives in the test's
// thread: a test must run the event loop (QTRY_*, QSignalSpy::wait) for it to work.
class FakeHttpServer : public QObject
{
    Q_OBJECT
public:
    using Handler = std::function<HttpReply(const HttpRequestRecord&)>;

    // Port 0 takes any free port; the demo service asks for a fixed one.
    explicit FakeHttpServer(QObject* parent = nullptr, quint16 port = 0);
    bool isListening() const;
    ~FakeHttpServer() override;

    quint16 port() const;
    // "http://127.0.0.1:<port>", no trailing slash.
    QString baseUrl() const;

    // Replies are used in the order requests arrive; when none is queued the
    // default reply (200, empty body) answers, unless a handler is set.
    void enqueue(const HttpReply& reply);
    void setDefaultReply(const HttpReply& reply);
    void setHandler(Handler handler);

    QList<HttpRequestRecord> requests() const { return received; }
    int requestCount() const { return int(received.size()); }
    HttpRequestRecord lastRequest() const;
    void clearRequests() { received.clear(); }

    // Run the event loop until `count` requests have arrived in total, or
    // one for `path`; false when the time ran out first.
    bool waitForRequestCount(int count, int timeoutMs = 5000);
    bool waitForPath(const QString& path, int timeoutMs = 5000);

    // Connections that the service holds open (a NoAnswer reply keeps one).
    int openConnections() const;

signals:
    void requestReceived(int index);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const HttpReply& reply);
    bool waitUntil(const std::function<bool()>& done, int timeoutMs);
    void stream(QTcpSocket* socket, const HttpReply& reply);

    QTcpServer* server;
    QList<HttpRequestRecord> received;
    QList<HttpReply> queue;
    HttpReply defaultReply;
    Handler handler;
};
